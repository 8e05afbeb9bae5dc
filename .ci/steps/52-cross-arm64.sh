#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The library and its unit tests built for 64-bit ARM Linux and run under
# qemu-user, with the ARMv8 CRC-32 path among those compared with the table.
# Warnings are errors (the arm64 preset), as in the main build.
set -euo pipefail
BUILD_DIR=${BUILD_DIR:-build-ci-arm64} exec scripts/cross-test arm64
