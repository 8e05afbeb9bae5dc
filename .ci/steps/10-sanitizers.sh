#!/usr/bin/env bash
# Every test again, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors.
set -euo pipefail
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSTUBMETA_SANITIZE=ON -DSTUBMETA_WERROR=ON
cmake --build build-asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
