#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The concurrency test under ThreadSanitizer: several threads parsing,
# writing and checksumming at once through the shared library, which is
# built with the same instrumentation.  Only that test is built here.
set -euo pipefail
SOURCE_DIR=${SOURCE_DIR:-.}
BUILD_DIR=${BUILD_DIR:-build-tsan}
tsan="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DSTUBMETA_WERROR=ON \
  -DCMAKE_C_FLAGS="$tsan" -DCMAKE_CXX_FLAGS="$tsan" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" \
  >/dev/null
cmake --build "$BUILD_DIR" -j 2 --target stubmeta_concurrency_test
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -R '^concurrency\.'
