#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Static checks with no findings allowed: clang-tidy (checks chosen in
# .clang-tidy) and cppcheck over the library (src/) and the command-line tool
# (tools/), both driven by the compile commands of a clang configuration, and
# clang-format over every C and C++ source of the project; and `reuse lint`:
# every file names its copyright holder and licence, in a header of its own
# or, for files that cannot hold one, in .reuse/dep5; and the tool's layers:
# no include from a folder of tools/ to one on its own floor or above
# (scripts/checks/layers.py).
set -euo pipefail
SOURCE_DIR=${SOURCE_DIR:-.}
BUILD_DIR=${BUILD_DIR:-build-static}
cd "$SOURCE_DIR"

echo "static checks: the tool's layers"
python3 scripts/checks/layers.py || {
  echo "static checks: the tool's layers have findings" >&2
  exit 1
}

echo "static checks: reuse lint"
reuse_report=$(reuse lint 2>&1) || {
  echo "$reuse_report"
  echo "static checks: reuse lint has findings" >&2
  exit 1
}

cmake --preset static-checks -B "$BUILD_DIR" >/dev/null

checked_dirs=(src tools)
mapfile -t sources < <(find -H "${checked_dirs[@]}" -name '*.cpp' | sort)

echo "static checks: clang-tidy over ${#sources[@]} sources in ${checked_dirs[*]}"
run-clang-tidy -quiet -p "$BUILD_DIR" -j 2 "${sources[@]/#/$PWD/}" >"$BUILD_DIR/clang-tidy.log" 2>&1 ||
  {
    grep -E 'warning:|error:' -A3 "$BUILD_DIR/clang-tidy.log" || tail -40 "$BUILD_DIR/clang-tidy.log"
    echo "static checks: clang-tidy has findings" >&2
    exit 1
  }

echo "static checks: cppcheck"
# One cppcheck run a directory; cppcheck names files below the working
# directory by relative path, so the filter has no leading slash.
for dir in "${checked_dirs[@]}"; do
  cppcheck --project="$BUILD_DIR/compile_commands.json" --file-filter="*$dir/*" \
    --enable=warning,style,performance,portability --std=c++20 --inline-suppr \
    --suppress=missingIncludeSystem --error-exitcode=1 --quiet -j 2
done

echo "static checks: clang-format"
format_dirs=()
for dir in src include tools tests bench fuzz examples; do
  [[ -d "$dir" ]] && format_dirs+=("$dir")
done
find -H "${format_dirs[@]}" \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print0 |
  xargs -0 clang-format --dry-run -Werror
echo "static checks: no findings"
