#!/usr/bin/env bash
# Fails unless the shared library's dynamic symbol table defines exactly the
# names listed in the expected file.
set -euo pipefail
library=$1
expected=$2
actual=$(nm -D --defined-only "$library" | awk '{print $NF}' | sed 's/@.*//' | LC_ALL=C sort -u)
want=$(LC_ALL=C sort -u "$expected")
if [[ "$actual" != "$want" ]]; then
  echo "exported symbols of $library differ from $expected:" >&2
  diff <(echo "$want") <(echo "$actual") >&2 || true
  exit 1
fi
echo "exported symbols: $(echo "$actual" | wc -l) names, as expected"
soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\].*/\1/p')
if [[ "$soname" != "libstubmeta.so.1" ]]; then
  echo "SONAME of $library is '$soname', not libstubmeta.so.1" >&2
  exit 1
fi
