#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The concurrency test under ThreadSanitizer: several threads parsing,
# writing and checksumming at once through the shared library, which is
# built with the same instrumentation.  Only that test is built here.
set -euo pipefail
SOURCE_DIR=${SOURCE_DIR:-.}
BUILD_DIR=$(realpath -m "${BUILD_DIR:-build-tsan}")
(cd "$SOURCE_DIR" && cmake --preset tsan -B "$BUILD_DIR") >/dev/null
cmake --build "$BUILD_DIR" -j 2 --target stubmeta_concurrency_test
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -R '^concurrency\.'
