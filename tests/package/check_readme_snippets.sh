#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The README's code snippets are the files the tests build and run: every
# fenced block that follows a line "<!-- snippet: PATH -->" must equal the
# file PATH (relative to the source tree) less its SPDX header lines, and
# each file below must be quoted.
set -euo pipefail
root=$1
readme=$root/README.md
required=(
  tests/package/consumer/stub_info.c
  tests/package/consumer/stub_info.cpp
  tests/package/consumer/CMakeLists.txt
  tests/package/build_with_pkg_config.sh
  tests/python/readme_example.py
)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Writes each quoted block to $work/<n> and its path to $work/<n>.path.
awk -v out="$work" '
  match($0, /^<!-- snippet: [^ ]+ -->$/) {
    path = substr($0, 15, length($0) - 18); want = 1; next
  }
  want == 1 && /^```/ { n++; file = out "/" n; print path > (file ".path");
                        printf "" > file; want = 2; next }
  want == 1 { print "snippet marker for " path " is not followed by a fenced block" > "/dev/stderr";
              exit 2 }
  want == 2 && /^```$/ { want = 0; close(file); next }
  want == 2 { print > file }
' "$readme"

status=0
found=()
for pathfile in "$work"/*.path; do
  [[ -e "$pathfile" ]] || break
  path=$(cat "$pathfile")
  found+=("$path")
  grep -v 'SPDX-[A-Za-z-]*:' "$root/$path" >"$work/file" || true
  if ! diff -u "$work/file" "${pathfile%.path}" >"$work/diff"; then
    echo "README.md quotes $path differently:" >&2
    cat "$work/diff" >&2
    status=1
  fi
done
for path in "${required[@]}"; do
  if [[ ! " ${found[*]:-} " == *" $path "* ]]; then
    echo "README.md does not quote $path" >&2
    status=1
  fi
done
[[ $status -eq 0 ]] && echo "README.md quotes ${#found[@]} snippets, each equal to its file"
exit $status
