#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Times `stubmeta scan --ntfs` on a generated NTFS image against two
# yardsticks in the same run: TSK's `fls -r -p` over the same image (a
# listing of names alone, reading no reparse data), and `stubmeta scan
# --xattr` over the image mounted with ntfs-3g (FUSE), where the machine
# allows a mount.  Also prints the scan's peak memory on a second image with
# the same directories and a tenth of the files, to show that memory grows
# with the directories, not the files.
#
#   bench/ntfs-scan.sh [-n FILES] [-r RUNS] [-d DIR] [TOOL [WRITER]]
#
#   TOOL    the stubmeta binary (default: build/tools/stubmeta)
#   WRITER  the test-only image writer (default: build/tests/ntfs/ntfs_image_writer)
#   -n      files in the image, half of them stubs (default 100000)
#   -r      timed runs of each command; the best is kept (default 3)
#   -d      where the images are made (default: a folder under $TMPDIR or
#           /tmp); images already there with the same shape are reused
#
# Needs mkntfs (ntfs-3g), fls (sleuthkit) and /usr/bin/time.  Every command
# runs once untimed first, so the page cache is warm.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
files=100000
runs=3
dir="${TMPDIR:-/tmp}/stubmeta-ntfs-bench"
per_directory=1000

# shellcheck source=bench/bench-lib.sh
source "$here/bench-lib.sh"
bench_options 2 "$@"
tool=${operands[0]:-$repo/build/tools/stubmeta}
writer=${operands[1]:-$repo/build/tests/ntfs/ntfs_image_writer}
mkntfs=$(command -v mkntfs || echo /usr/sbin/mkntfs)
for needed in "$tool" "$writer" "$mkntfs" "$(command -v fls || echo fls)" /usr/bin/time; do
    [[ -x $needed ]] || {
        echo "ntfs-scan: $needed is missing (build the tool and tests; scripts/bootstrap --all)" >&2
        exit 2
    }
done
mkdir -p "$dir"

# make_image IMAGE FILES DIRECTORIES: FILES files in DIRECTORIES folders,
# every other one a stub reparse point.  An image made before with the
# same shape is kept.
make_image() {
    local image=$1 count=$2 folders=$3
    local shape="$count files, half of them stubs, in $folders folders"
    if [[ -f $image.shape && $(<"$image.shape") == "$shape" ]]; then
        return
    fi
    echo "making $image: $shape" >&2
    rm -f "$image" "$image.shape"
    truncate -s $((count / 100 + 64))M "$image"
    "$mkntfs" -F -Q -q "$image" 2>/dev/null
    printf 'dir\t/bench\nmany\t/bench\t%d\t%d\t%d\n' "$count" $((count / 2)) \
        $(((count + folders - 1) / folders)) | "$writer" "$image"
    echo "$shape" >"$image.shape"
}

folders=$(((files + per_directory - 1) / per_directory))
image=$dir/volume.img
small=$dir/small.img
make_image "$image" "$files" "$folders"
make_image "$small" $((files / 10)) "$folders"

# The scan must see the image as made.
summary=$("$tool" scan --ntfs "$image" | grep '^stubs ')
[[ $summary == "stubs           $((files / 2)) "* ]] || {
    echo "ntfs-scan: the scan does not count the stubs made: $summary" >&2
    exit 1
}

echo "image: $files files, $((files / 2)) stub reparse points, $folders folders; best of $runs"
scan=$(best "$tool" scan --ntfs "$image")
fls=$(best fls -r -p "$image")
printf '  %-34s %8s s\n' "stubmeta scan --ntfs" "$scan"
printf '  %-34s %8s s   scan --ntfs: %s of it\n' "fls -r -p (names only)" "$fls" "$(ratio "$scan" "$fls")"

mountpoint=$dir/mnt
mkdir -p "$mountpoint"
if [[ -e /dev/fuse ]] && command -v ntfs-3g >/dev/null &&
    ntfs-3g -o ro,streams_interface=none "$image" "$mountpoint" 2>/dev/null; then
    took=$(best "$tool" scan --xattr "$mountpoint")
    printf '  %-34s %8s s   scan --ntfs: %s of it\n' "stubmeta scan --xattr (ntfs-3g)" \
        "$took" "$(ratio "$scan" "$took")"
    umount "$mountpoint"
else
    echo "  stubmeta scan --xattr (ntfs-3g): not run, no FUSE mount here"
fi

echo "peak memory of scan --ntfs, same $folders folders:"
printf '  %8d files  %8s KiB\n' "$files" "$(peak "$tool" scan --ntfs "$image")"
printf '  %8d files  %8s KiB\n' $((files / 10)) "$(peak "$tool" scan --ntfs "$small")"
