#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Fails unless the shared library exports exactly the names listed in the
# expected file: an ELF library through its dynamic symbol table (and its
# SONAME), a Windows DLL through its export table and its import library's
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

actual=$(nm -D --defined-only "$library" | awk '{print $NF}' | sed 's/@.*//' | LC_ALL=C sort -u)
compare "exported symbols of $library" "$actual"
soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\].*/\1/p')
if [[ "$soname" != "libstubmeta.so.1" ]]; then
  echo "SONAME of $library is '$soname', not libstubmeta.so.1" >&2
  exit 1
fi
