#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# `pip install ./python` works offline: a copy of python/ installs into a
# fresh virtual environment without build isolation or an index, and the
# installed module loads the built library.  The first interpreter given
# that has venv, ensurepip, setuptools and wheel is used; with none, the check is
# skipped.
#
#   check_pip_install.sh SOURCE_PYTHON_DIR WORK PYTHON...
set -euo pipefail
source=$1 work=$2
shift 2

python=
for candidate in "$@"; do
  if [[ -x "$candidate" ]] && "$candidate" -c "import ensurepip, venv, setuptools, wheel" 2>/dev/null; then
    python=$candidate
    break
  fi
done
if [[ -z "$python" ]]; then
  echo "no interpreter with venv, ensurepip, setuptools and wheel among: $*: skipped"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work"
cp -r "$source" "$work/python"
rm -rf "$work/python/build" "$work/python/"*.egg-info
"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip install --quiet --no-build-isolation --no-index "$work/python"
cd "$work"
"$work/venv/bin/python" - <<'PY'
import stubmeta
assert "site-packages" in stubmeta.__file__, stubmeta.__file__
assert stubmeta.crc32(b"123456789") == 0xCBF43926
print("installed", stubmeta.__version__, "from", stubmeta.__file__)
PY
