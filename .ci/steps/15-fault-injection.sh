#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Fault injection into every single-file writer of the tool (create, convert,
# wrap, unwrap with -o), in full: each system call of a normal run, at each
# of its calls, failed with EIO, ENOSPC, EDQUOT and EPERM and killed by
# SIGKILL (tests/faults/inject.py).  edit (with and without a journal) and
# undo over a small tree make some 150 such calls each: 100 of them, drawn
# at random, keep the step within a few minutes.  Needs root and strace;
# uses the tool `make test` built in build-ci.
set -euo pipefail
tool=build-ci/tools/stubmeta
if [[ ! -x "$tool" ]]; then
  cmake --preset ci -B build-ci >/dev/null
  cmake --build build-ci --target stubmeta-cli
fi
status=0
python3 tests/faults/inject.py --tool "$tool" --jobs "$(nproc)" --sample 100 || status=$?
if [[ $status -eq 77 ]]; then
  echo "fault injection needs root and strace: skipped" >&2
  exit 0
fi
exit "$status"
