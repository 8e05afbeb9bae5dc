#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The fuzz targets: a replay of the committed corpora, then each target from
# those seeds, the library's for FUZZ_SECONDS (default 60) and those of the
# tool's own inputs for half that (fuzz/targets lists both).  Any crash,
# sanitizer report or broken property fails the step and leaves its input
# under build-fuzz/fuzz-artifacts/.
set -euo pipefail
scripts/fuzz replay
scripts/fuzz "${FUZZ_SECONDS:-60}"
