#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# The Debian packages that scripts/build-packages made in DIR work on their
# own: all five unpacked (dpkg -x) into a throw-away root, each holds its
# files, the README's consumers build and run against the development
# package through find_package (shared and static) and pkg-config, the tool
# runs on a sample stub, the README's Python example runs from the packaged
# module with the packaged library, and an mpirun scan by the packaged
# stubmeta-mpi prints what the packaged stubmeta scan prints.
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
check stubmeta-mpi usr/bin/stubmeta-mpi usr/share/man/man1/stubmeta-mpi.1.gz
python=usr/lib/python3/dist-packages
check python3-stubmeta "$python/stubmeta/__init__.py" "$python/stubmeta/_native.py" \
  "$python/stubmeta/py.typed"
for tool in stubmeta stubmeta-mpi; do
  grep -q '^License: BSD-3-clause' "$root/usr/share/doc/$tool/copyright" ||
    fail "$tool's copyright file does not name CLI11's licence"
done
deb() { find "$dir" -maxdepth 1 -name "$1_*.deb" -print -quit; }
[[ "$(dpkg-deb -f "$(deb stubmeta-mpi)" Depends)" == *libopenmpi* ]] ||
  fail "stubmeta-mpi does not depend on Open MPI's library"
[[ "$(dpkg-deb -f "$(deb python3-stubmeta)" Depends)" == *libstubmeta1* ]] ||
  fail "python3-stubmeta does not depend on libstubmeta1"
if grep -q 'libstubmeta\.so' <<<"$(dpkg-deb -c "$(deb python3-stubmeta)")"; then
  fail "python3-stubmeta carries a copy of the library"
fi

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

# The README's Python example with the packaged module, which loads the
# packaged library by its SONAME from the loader's path.
export PYTHONDONTWRITEBYTECODE=1 PYTHONIOENCODING=utf-8
packaged_python() {
  (cd "$work" && env -u STUBMETA_LIBRARY PYTHONPATH="$root/$python" LD_LIBRARY_PATH="$root/$libdir" \
    /usr/bin/python3 "$@")
}
out=$(packaged_python "$source_tree/tests/python/readme_example.py") ||
  fail "the README's Python example failed with the packaged module: $out"
/usr/bin/python3 -c 'import re, sys; sys.exit(0 if re.fullmatch(sys.argv[1], sys.argv[2]) else 1)' \
  "$(cat "$source_tree/tests/python/readme_example.expected")" "$out" ||
  fail "the README's Python example printed: $out"
loaded=$(packaged_python -c 'import stubmeta, stubmeta._native as n
n.library()
print(stubmeta.__file__)
print(next(line.split()[-1] for line in open("/proc/self/maps") if "libstubmeta" in line))')
while read -r file; do
  [[ "$file" == "$root/"* ]] || fail "the packaged module used $file, not the packaged file"
done <<<"$loaded"

# An MPI job of two processes scans the sample stubs as the tool does
# (--sort: the same rows in the same order, the time taken aside).
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
untimed() { grep -v '^elapsed' || true; }
status=0
local_scan=$(LD_LIBRARY_PATH=$root/$libdir "$root/usr/bin/stubmeta" scan --sort \
  "$source_tree/examples/stubs" | untimed) || status=$?
mpi_status=0
mpi_scan=$(LD_LIBRARY_PATH=$root/$libdir mpirun -q -np 2 -x LD_LIBRARY_PATH \
  "$root/usr/bin/stubmeta-mpi" scan --sort "$source_tree/examples/stubs" | untimed) ||
  mpi_status=$?
[[ "$mpi_scan" == "$local_scan" && $mpi_status -eq $status ]] ||
  fail "stubmeta-mpi under mpirun (status $mpi_status) printed:
$mpi_scan
but stubmeta scan (status $status):
$local_scan"
grep -q 'unix-layout3.stub' <<<"$mpi_scan" || fail "the MPI scan found no stubs: $mpi_scan"
echo "the Debian packages install and work"
