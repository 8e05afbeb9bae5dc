#!/usr/bin/env bash
# clang-tidy, cppcheck and clang-format with no findings allowed, over the
# library and the command-line tool (formatting over every source).
set -euo pipefail
exec scripts/checks/static-checks.sh
