#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The public header as a Windows caller built with MSVC sees it: clang,
# targeting the MSVC environment with its compatibility mode, compiles the
# header as C99 and C++ on both sides of the DLL boundary (importing and,
# with STUBMETA_BUILDING, exporting), with no warning allowed; and a call
# goes through the import table.
set -euo pipefail
clang=$1
include_dir=$2
probe=$3
flags=(--target=x86_64-pc-windows-msvc -fms-compatibility -ffreestanding -Werror -Wall -Wextra
  -pedantic "-I$include_dir")
for side in "" -DSTUBMETA_BUILDING; do
  "$clang" "${flags[@]}" $side -fsyntax-only -x c -std=c99 "$probe"
  "$clang" "${flags[@]}" $side -fsyntax-only -x c++ -std=c++14 "$include_dir/stubmeta.h"
done
call=$(printf '#include "stubmeta.h"\nuint64_t f(void) { return tkhsm_ntohll(1); }\n' |
  "$clang" "${flags[@]}" -S -o - -x c -std=c99 -)
if ! grep -q '__imp_tkhsm_ntohll' <<<"$call"; then
  echo "a call from an MSVC-built caller does not go through the import table" >&2
  exit 1
fi
echo "header: compiles for MSVC callers as C99 and C++, calls imported"
