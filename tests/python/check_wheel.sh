#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The wheel carries the library: `python3 -m build --wheel --no-isolation`
# in a copy of python/ (with the LICENSE beside it, as in the source tree)
# makes a platform wheel holding libstubmeta.so.1 (this build's, passed
# through STUBMETA_BUILD_LIBRARY rather than built again), and the README's
# example runs from a fresh virtual environment where only that wheel is
# installed, with no STUBMETA_LIBRARY and no system copy needed.  The first
# interpreter given that has build, venv and ensurepip is used; with none,
# the check is skipped.
#
#   check_wheel.sh SOURCE_TREE LIBRARY WORK EXPECTED_OUTPUT_REGEX PYTHON...
set -euo pipefail
source_tree=$1 library=$2 work=$3 expected=$4
shift 4
fail() { echo "FAIL: $*" >&2; exit 1; }

python=
for candidate in "$@"; do
  if [[ -x "$candidate" ]] && "$candidate" -c "import build, ensurepip, venv, setuptools, wheel" 2>/dev/null; then
    python=$candidate
    break
  fi
done
[[ -n "$python" ]] || { echo "no interpreter with build, venv and ensurepip among: $*: skipped"; exit 77; }

rm -rf "$work"
mkdir -p "$work/source"
cp -rL "$source_tree/python" "$source_tree/LICENSE" "$work/source/"
rm -rf "$work/source/python/build" "$work/source/python/"*.egg-info
(cd "$work/source/python" &&
  STUBMETA_BUILD_LIBRARY=$library "$python" -m build --wheel --no-isolation --outdir "$work/dist") \
  >"$work/build.log" 2>&1 || fail "building the wheel failed: $(tail -20 "$work/build.log")"
wheel=$(find "$work/dist" -name 'stubmeta-*.whl' -print -quit)
[[ "$wheel" == *-py3-none-linux_*.whl ]] || fail "the wheel is not platform-tagged: $wheel"
contents=$("$python" -m zipfile -l "$wheel")
for file in stubmeta/libstubmeta.so.1 stubmeta/py.typed dist-info/LICENSE; do
  grep -q "$file" <<<"$contents" || fail "the wheel lacks $file"
done

"$python" -m venv "$work/venv"
"$work/venv/bin/python" -m pip install --quiet --no-index "$wheel" ||
  fail "pip could not install $wheel"
cd "$work"
output=$(env -u STUBMETA_LIBRARY -u PYTHONPATH "$work/venv/bin/python" \
  "$source_tree/tests/python/readme_example.py") || fail "the README example failed: $output"
echo "$output"
"$python" -c 'import re, sys; sys.exit(0 if re.match(sys.argv[1], sys.argv[2]) else 1)' \
  "$expected" "$output" || fail "the README example printed something else"
loaded=$(env -u STUBMETA_LIBRARY -u PYTHONPATH "$work/venv/bin/python" -c \
  'import stubmeta._native as n; print(n.library_path())')
[[ "$loaded" == "$work/venv/"* ]] || fail "the module loaded the library from $loaded, not the wheel's"
echo "the wheel installs into a fresh venv and loads its own $loaded"
