#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The library and its unit tests built for x86-64 Windows with MinGW-w64 GCC
# and run under Wine: the DLL's export table, the 64-bit fields on a system
# whose long is 32 bits, and the x86 CRC paths as Windows runs them.
# Warnings are errors (the windows preset), as in the main build.
set -euo pipefail
BUILD_DIR=${BUILD_DIR:-build-ci-windows} exec scripts/cross-test windows
