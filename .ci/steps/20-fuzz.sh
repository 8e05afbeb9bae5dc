#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The fuzz targets: a replay of the committed corpora, then each target for
# FUZZ_SECONDS (default 60) from those seeds.  Any crash, sanitizer report
# or broken property fails the step and leaves its input under
# build-fuzz/fuzz-artifacts/.
set -euo pipefail
scripts/fuzz replay
scripts/fuzz "${FUZZ_SECONDS:-60}"
