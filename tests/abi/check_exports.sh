#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Fails unless the shared library exports exactly the names listed in the
# expected file: an ELF library through its dynamic symbol table (each name
# bound to a STUBMETA_ version node, and its SONAME), a Windows DLL through its export table and its import library's
# import symbols.  For a DLL the third and fourth arguments are its
# toolchain's objdump and its import library.
set -euo pipefail
library=$1
expected=$2
want=$(LC_ALL=C sort -u "$expected")

compare() { # what names
  if [[ "$2" != "$want" ]]; then
    echo "names in $1 differ from $expected:" >&2
    diff <(echo "$want") <(echo "$2") >&2 || true
    exit 1
  fi
  echo "$1: $(echo "$2" | wc -l) names, as expected"
}

if [[ "$library" == *.dll ]]; then
  objdump=$3
  import_library=$4
  # The export table's name list: lines "[ n] Name" after its heading.
  exports=$("$objdump" -p "$library" |
    awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^\t\[/ {print $NF; next} on {on = 0}' |
    LC_ALL=C sort -u)
  compare "export table of $library" "$exports"
  imports=$("$objdump" -t "$import_library" | sed -n 's/.* __imp_\([A-Za-z_][A-Za-z0-9_]*\)$/\1/p' |
    LC_ALL=C sort -u)
  compare "import library $import_library" "$imports"
  exit 0
fi

# Every name carries a STUBMETA_ version node; each node also appears as an
# absolute symbol of its own name, which is no exported name.
symbols=$(nm -D --defined-only "$library")
names=$(awk '$2 != "A" {print $NF}' <<<"$symbols")
actual=$(sed 's/@.*//' <<<"$names" | LC_ALL=C sort -u)
compare "exported symbols of $library" "$actual"
unversioned=$(grep -v '@@STUBMETA_[0-9.]*$' <<<"$names" || true)
if [[ -n "$unversioned" ]]; then
  echo "names of $library outside a STUBMETA_ version node:" >&2
  echo "$unversioned" >&2
  exit 1
fi
echo "version nodes of $library: $(awk '$2 == "A" {print $NF}' <<<"$symbols" | paste -sd' ')"
soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\].*/\1/p')
if [[ "$soname" != "libstubmeta.so.1" ]]; then
  echo "SONAME of $library is '$soname', not libstubmeta.so.1" >&2
  exit 1
fi
