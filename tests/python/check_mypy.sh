#!/bin/sh
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# mypy --strict over the Python module and the README's example, which must
# pass, and over calls the typed record constructors must refuse.
#   check_mypy.sh PYTHON MODULE_ROOT README_EXAMPLE SCRATCH
# Exits 77 (skipped) when PYTHON has no mypy.
set -u
python=$1 module_root=$2 example=$3 scratch=$4
if ! "$python" -m mypy --version >/dev/null 2>&1; then
  echo "mypy is not installed for $python (python3-mypy): skipped"
  exit 77
fi
mkdir -p "$scratch"
export MYPYPATH="$module_root"
cache="--cache-dir=$scratch/mypy-cache"
"$python" -m mypy --strict "$cache" "$module_root/stubmeta" "$example" || exit 1

cat >"$scratch/refused_records.py" <<'PY'
import stubmeta
stubmeta.Record(bogus=1)
stubmeta.Record(shortText=5)
stubmeta.CommonFields(common1="1")
PY
if "$python" -m mypy --strict "$cache" "$scratch/refused_records.py" >"$scratch/refused.txt"; then
  echo "mypy accepted records of unknown fields or wrong types"
  exit 1
fi
cat "$scratch/refused.txt"
grep -q "Found 3 errors" "$scratch/refused.txt"
