#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The Debian packages that scripts/build-packages made in DIR work on their
# own: unpacked (dpkg -x) into a throw-away root, each holds its files, the
# README's consumers build and run against the development package through
# find_package (shared and static) and pkg-config, and the tool runs on a
# sample stub.
#
#   check_debian_packages.sh DIR
set -euo pipefail
dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source_tree=$(cd "$here/../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=usr/lib/$multiarch

# package  files that must be in it
check() {
  local package=$1
  shift
  local deb
  deb=$(find "$dir" -maxdepth 1 -name "${package}_*.deb" -print -quit)
  [[ -n "$deb" ]] || fail "no $package package in $dir"
  dpkg -x "$deb" "$root"
  for file in "$@" "usr/share/doc/$package/copyright"; do
    [[ -e "$root/$file" ]] || fail "$package lacks /$file"
  done
  echo "$package: Depends: $(dpkg-deb -f "$deb" Depends)"
}
check libstubmeta1 "$libdir/libstubmeta.so.1"
check libstubmeta-dev usr/include/stubmeta.h usr/include/stubmeta.hpp usr/include/stubmeta_layouts.hpp \
  "$libdir/libstubmeta.so" \
  "$libdir/libstubmeta.a" "$libdir/cmake/stubmeta/stubmetaConfig.cmake" \
  "$libdir/pkgconfig/stubmeta.pc" usr/share/man/man3/stubmeta.3.gz
check stubmeta usr/bin/stubmeta usr/share/man/man1/stubmeta.1.gz \
  usr/share/bash-completion/completions/stubmeta
grep -q '^License: BSD-3-clause' "$root/usr/share/doc/stubmeta/copyright" ||
  fail "the tool's copyright file does not name CLI11's licence"

# The consumers, through the same script as the installed-tree tests; its
# "prefix" is the unpacked /usr, and pkg-config's paths are made to point
# into the throw-away root.
ln -s "$root/usr" "$work/prefix"
script=$here/check_installed_package.sh
"$script" find_package cmake "$here/consumer" "$work"
STUBMETA_STATIC=1 "$script" find_package cmake "$here/consumer" "$work"
PKG_CONFIG_SYSROOT_DIR=$root "$script" pkg_config "$here/consumer" \
  "$here/build_with_pkg_config.sh" "$work"

# The tool runs with the packaged library.
out=$(LD_LIBRARY_PATH=$root/$libdir "$root/usr/bin/stubmeta" inspect \
  "$source_tree/examples/stubs/unix-layout3.stub") || fail "the packaged tool failed: $out"
grep -q 'UNIX_LITTLEENDIAN' <<<"$out" || fail "the packaged tool printed: $out"
echo "the Debian packages install and work"
