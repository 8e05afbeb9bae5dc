#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The library and its unit tests built for big-endian s390x Linux and run
# under qemu-user: every byte-order rule checked from the other side.
# Warnings are errors (the s390x preset), as in the main build.
set -euo pipefail
BUILD_DIR=${BUILD_DIR:-build-ci-s390x} exec scripts/cross-test s390x
