#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# clang-tidy, cppcheck and clang-format with no findings allowed, over the
# library and the command-line tool (formatting over every source).
set -euo pipefail
exec scripts/checks/static-checks.sh
