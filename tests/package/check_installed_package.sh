#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Proves that an installed stubmeta is usable on its own: installs the build
# tree into a scratch prefix, then builds and runs the consumer programs in
# consumer/ against the installed files only.
#
#   check_installed_package.sh install      CMAKE BUILD_TREE WORK
#   check_installed_package.sh find_package CMAKE CONSUMER WORK
#   check_installed_package.sh pkg_config   CONSUMER SNIPPET WORK
#   check_installed_package.sh subproject   CMAKE PARENT SOURCE_TREE HOW WORK
#     (the consumers built with stubmeta inside the project PARENT, HOW
#     being add_subdirectory or FetchContent; library and consumers alike
#     without CONSUMER_FLAGS, as the parent builds them)
#
# CC and CXX name the compilers and CONSUMER_FLAGS the extra flags (the
# sanitizer build's) with which the consumers are built.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
mode=$1
shift

# The installed library's directory, whatever GNUInstallDirs chose.
installed_libdir() {
  local library
  library=$(find "$1/prefix/" -name libstubmeta.so.1 -print -quit)
  [[ -n "$library" ]] || fail "libstubmeta.so.1 is not installed under $1/prefix"
  dirname "$library"
}

# Runs a consumer and checks what it prints; it must load the library from
# the prefix, not from the build tree or the system (or, with STUBMETA_STATIC
# set, hold the static library and load none).
run_consumer() {
  local program=$1 libdir=$2
  shift 2
  local loaded
  loaded=$(LD_LIBRARY_PATH=$libdir ldd "$program" | awk '/libstubmeta/ {print $3}')
  if [[ -n "${STUBMETA_STATIC:-}" ]]; then
    [[ -z "$loaded" ]] || fail "$program loads libstubmeta from '$loaded' instead of holding it"
  else
    [[ "$(realpath "$loaded")" == "$(realpath "$libdir")"/* ]] ||
      fail "$program loads libstubmeta from '$loaded', not from $libdir"
  fi
  local output
  output=$(LD_LIBRARY_PATH=$libdir "$program") || fail "$program exited with $?"
  echo "$output"
  for pattern in "$@"; do
    grep -Eq "$pattern" <<<"$output" || fail "$program did not print /$pattern/"
  done
}

check_c_consumer() {
  run_consumer "$1" "$2" '^longText /long/path, number2 99$' \
    '^[0-9]+-byte envelope read back as UNIX_(BIG|LITTLE)ENDIAN$'
}
check_cxx_consumer() {
  run_consumer "$1" "$2" '^WINDOWS_CELERRA /long/path$' '^[0-9]+ bytes holding 1:2:3:4:5:' \
    '^refused: '
}

case $mode in
install)
  cmake=$1 build_tree=$2 work=$3
  rm -rf "$work"
  mkdir -p "$work"
  "$cmake" --install "$build_tree" --prefix "$work/prefix" >"$work/install.log" ||
    fail "cmake --install failed: $(cat "$work/install.log")"
  libdir=$(installed_libdir "$work")
  real=$(readlink -f "$libdir/libstubmeta.so")
  [[ "$(basename "$real")" == libstubmeta.so.*.*.* ]] || fail "libstubmeta.so resolves to $real"
  [[ "$(readlink -f "$libdir/libstubmeta.so.1")" == "$real" ]] || fail "libstubmeta.so.1 is not a link to $real"
  for file in include/stubmeta.h include/stubmeta.hpp include/stubmeta_layouts.hpp; do
    [[ -f "$work/prefix/$file" ]] || fail "$file is not installed"
  done
  for file in cmake/stubmeta/stubmetaConfig.cmake cmake/stubmeta/stubmetaConfigVersion.cmake \
              pkgconfig/stubmeta.pc; do
    [[ -f "$libdir/$file" ]] || fail "$file is not installed in $libdir"
  done
  # Nothing installed may point back into the build or source tree (the
  # prefix itself lies in the build tree).
  source_tree=$(cd "$(dirname "$0")/../.." && pwd)
  if grep -rI -e "$build_tree" -e "$source_tree" "$work/prefix" | grep -vF "$work/prefix"; then
    fail "installed files refer to the build or source tree"
  fi
  echo "installed into $work/prefix"
  ;;
find_package)
  cmake=$1 consumer=$2 work=$3
  libdir=$(installed_libdir "$work")
  build=$work/find-package${STUBMETA_STATIC:+-static}
  rm -rf "$build"
  "$cmake" -S "$consumer" -B "$build" -DCMAKE_PREFIX_PATH="$work/prefix" \
    -Dstubmeta_STATIC="${STUBMETA_STATIC:+ON}" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    -DCMAKE_C_COMPILER="${CC:-cc}" -DCMAKE_CXX_COMPILER="${CXX:-c++}" \
    -DCMAKE_C_FLAGS="${CONSUMER_FLAGS:-}" -DCMAKE_CXX_FLAGS="${CONSUMER_FLAGS:-}" \
    -DCMAKE_EXE_LINKER_FLAGS="${CONSUMER_FLAGS:-}" >"$build.log" 2>&1 ||
    fail "configuring the consumer failed: $(cat "$build.log")"
  found=$(sed -n 's/^stubmeta_DIR:PATH=//p' "$build/CMakeCache.txt")
  [[ "$found" == "$work/prefix"/* ]] || fail "find_package found stubmeta in '$found'"
  "$cmake" --build "$build" >>"$build.log" 2>&1 || fail "building the consumer failed: $(cat "$build.log")"
  check_c_consumer "$build/stub_info" "$libdir"
  check_cxx_consumer "$build/stub_info_cpp" "$libdir"
  ;;
pkg_config)
  consumer=$1 snippet=$2 work=$3
  command -v pkg-config >/dev/null || { echo "pkg-config is not installed: skipped"; exit 77; }
  libdir=$(installed_libdir "$work")
  build=$work/pkg-config
  rm -rf "$build"
  mkdir -p "$build/bin"
  cp "$consumer"/stub_info.c "$consumer"/stub_info.cpp "$build"
  # The snippet calls cc and c++: these stand for the chosen compilers.
  printf '#!/bin/sh\nexec %s %s "$@"\n' "${CC:-/usr/bin/cc}" "${CONSUMER_FLAGS:-}" >"$build/bin/cc"
  printf '#!/bin/sh\nexec %s %s "$@"\n' "${CXX:-/usr/bin/c++}" "${CONSUMER_FLAGS:-}" >"$build/bin/c++"
  chmod +x "$build/bin/cc" "$build/bin/c++"
  (cd "$build" && PATH=$build/bin:$PATH PKG_CONFIG_PATH=$libdir/pkgconfig bash -e "$snippet") ||
    fail "the pkg-config build failed"
  check_c_consumer "$build/stub_info" "$libdir"
  check_cxx_consumer "$build/stub_info_cpp" "$libdir"
  ;;
subproject)
  cmake=$1 parent=$2 source_tree=$3 how=$4 work=$5
  build=$work/$how
  rm -rf "$build"
  mkdir -p "$work"
  "$cmake" -S "$parent" -B "$build" -DSTUBMETA_SOURCE_DIR="$source_tree" -DSTUBMETA_HOW="$how" \
    -DCMAKE_C_COMPILER="${CC:-cc}" -DCMAKE_CXX_COMPILER="${CXX:-c++}" \
    >"$build.log" 2>&1 || fail "configuring the parent project failed: $(cat "$build.log")"
  "$cmake" --build "$build" -j 2 >>"$build.log" 2>&1 ||
    fail "building the parent project failed: $(cat "$build.log")"
  library=$(find "$build" -name libstubmeta.so.1 -print -quit)
  [[ -n "$library" ]] || fail "no libstubmeta.so.1 was built in $build"
  check_c_consumer "$build/stub_info" "$(dirname "$library")"
  check_cxx_consumer "$build/stub_info_cpp" "$(dirname "$library")"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
