#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Every test again, built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors.  The run is a newcomer's
# `make test` in a fresh clone inside a folder only its owner may enter
# (mode 0700, as home folders are), so it also proves that no test depends
# on where the checkout lies, at no extra build.
set -euo pipefail
private=$(mktemp -d)
trap 'rm -rf "$private"' EXIT
chmod 0700 "$private"
git clone --quiet . "$private/stubmeta"
cd "$private/stubmeta"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  make test PRESET=asan BUILD_DIR=build-asan JOBS="$(nproc)"
