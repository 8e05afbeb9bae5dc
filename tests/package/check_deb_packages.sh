#!/usr/bin/env bash
# `cpack -G DEB` builds one package per component, each holding its own
# files: the library, the development files (with a pkg-config file for
# /usr), and the tool when it is built.
#
#   check_deb_packages.sh CPACK CPACK_CONFIG WORK WITH_TOOL(ON|OFF)
set -euo pipefail
cpack=$1 config=$2 work=$3 with_tool=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v dpkg-deb >/dev/null || { echo "dpkg-deb is not installed: skipped"; exit 77; }

rm -rf "$work"
mkdir -p "$work"
"$cpack" -G DEB --config "$config" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$work/cpack.log")"

# package  file patterns that must be in it (extended regular expressions)
check() {
  local package=$1
  shift
  local deb
  deb=$(find "$work" -maxdepth 1 -name "${package}_*.deb" -print -quit)
  [[ -n "$deb" ]] || fail "no $package package was built"
  local files
  files=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for pattern in "$@"; do
    grep -Eq "^\./usr/${pattern}$" <<<"$files" || fail "$package lacks /usr/$pattern"
  done
  echo "$package: $(dpkg-deb -f "$deb" Depends)"
}

check libstubmeta1 'lib.*/libstubmeta\.so\.1' 'lib.*/libstubmeta\.so\.0\.1\.0'
check libstubmeta-dev include/stubmeta\.h include/stubmeta\.hpp 'lib.*/libstubmeta\.so' \
  'lib.*/cmake/stubmeta/stubmetaConfig\.cmake' 'lib.*/cmake/stubmeta/stubmetaConfigVersion\.cmake' \
  'lib.*/pkgconfig/stubmeta\.pc'
dev=$(find "$work" -maxdepth 1 -name 'libstubmeta-dev_*.deb' -print -quit)
[[ "$(dpkg-deb -f "$dev" Depends)" == *"libstubmeta1 (= "* ]] || fail "libstubmeta-dev does not depend on libstubmeta1"
dpkg-deb --fsys-tarfile "$dev" | tar -xOf - --wildcards '*/stubmeta.pc' | grep -qx 'prefix=/usr' ||
  fail "the packaged stubmeta.pc does not name the prefix /usr"
if [[ "$with_tool" == ON ]]; then
  check stubmeta bin/stubmeta
fi
