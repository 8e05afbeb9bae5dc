#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Times `mpirun -np 2|3 stubmeta-mpi scan` against `stubmeta scan --jobs 2`
# over the same generated tree, in one run: the cost of sharing the scan
# out among processes on one host.  A second tree of empty folders alone
# gives the cost of handing out one directory (the messages and the work
# of process 0), and a scan of an empty folder the fixed cost of starting
# a job.
#
#   bench/mpi-scan.sh [-n FILES] [-r RUNS] [-d DIR] [BUILD_DIR]
#
#   BUILD_DIR  where stubmeta and stubmeta-mpi were built (default: build)
#   -n     files in the tree, a tenth of them stubs (default 300000)
#   -r     timed runs of each command; the best is kept (default 5)
#   -d     where the trees are built (default: a folder under $TMPDIR or
#          /tmp); trees already there with the same shape are reused
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
files=300000
runs=5
dir="${TMPDIR:-/tmp}/stubmeta-mpi-bench"
per_directory=1000
folders=20000

# shellcheck source=bench/bench-lib.sh
source "$here/bench-lib.sh"
bench_options 1 "$@"
build=${operands[0]:-$repo/build}
tool=$build/tools/stubmeta
mpi_tool=$build/tools/mpi/stubmeta-mpi
for program in "$tool" "$mpi_tool"; do
    [[ -x $program ]] || {
        echo "mpi-scan: no $program (build it with MPI installed, or name the build)" >&2
        exit 2
    }
done
command -v mpirun >/dev/null || {
    echo "mpi-scan: mpirun not found (install openmpi-bin)" >&2
    exit 2
}
# Root may start jobs here; more processes than cores is allowed.
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
mpirun=(mpirun -q --oversubscribe)
stub=$repo/examples/stubs/dmnas.stub

# build_tree ROOT: $files files in folders of $per_directory, a tenth of
# them stubs; kept when built before with the same shape.
build_tree() {
    local root=$1 shape="$files files, a tenth stubs, $per_directory a folder"
    [[ -f $root.shape && $(<"$root.shape") == "$shape" ]] && return
    echo "building $root: $shape" >&2
    rm -rf "$root" "$root.shape"
    mkdir -p "$root"
    local made=0 number=0
    while ((made < files)); do
        local folder i
        folder=$(printf '%s/d%04d' "$root" "$number")
        mkdir "$folder"
        local -a plain=() stubs=()
        for ((i = made; i < made + per_directory && i < files; i++)); do
            if ((i % 10 == 0)); then stubs+=("$folder/f$i"); else plain+=("$folder/f$i"); fi
        done
        echo "an ordinary file, not archived" | tee "${plain[@]}" >/dev/null
        tee "${stubs[@]}" <"$stub" >/dev/null
        made=$i
        number=$((number + 1))
    done
    echo "$shape" >"$root.shape"
}

# build_folders ROOT: $folders empty folders, 100 to a parent.
build_folders() {
    local root=$1 shape="$folders empty folders, 100 a parent"
    [[ -f $root.shape && $(<"$root.shape") == "$shape" ]] && return
    echo "building $root: $shape" >&2
    rm -rf "$root" "$root.shape"
    local parent
    for ((parent = 0; parent < folders / 100; parent++)); do
        mkdir -p "$root/p$parent"
        (cd "$root/p$parent" && mkdir $(seq -f 'e%g' 1 100))
    done
    echo "$shape" >"$root.shape"
}

tree=$dir/tree
empty=$dir/folders
build_tree "$tree"
build_folders "$empty"

# Both programs must see the same tree: the same rows and summary.
local_rows=$("$tool" scan --sort "$tree" | grep -v '^elapsed')
mpi_rows=$("${mpirun[@]}" -np 2 "$mpi_tool" scan --sort "$tree" | grep -v '^elapsed')
[[ $local_rows == "$mpi_rows" ]] || {
    echo "mpi-scan: stubmeta-mpi and stubmeta disagree on $tree" >&2
    exit 1
}

"$tool" scan "$tree" >/dev/null # the page cache warm for every command
mkdir -p "$dir/nothing"
start2=$(best "${mpirun[@]}" -np 2 "$mpi_tool" scan "$dir/nothing")
start3=$(best "${mpirun[@]}" -np 3 "$mpi_tool" scan "$dir/nothing")
local_scan=$(best "$tool" scan --jobs 2 "$tree")
mpi1=$(best "${mpirun[@]}" -np 1 "$mpi_tool" scan "$tree")
mpi2=$(best "${mpirun[@]}" -np 2 "$mpi_tool" scan "$tree")
mpi3=$(best "${mpirun[@]}" -np 3 "$mpi_tool" scan "$tree")
local_empty=$(best "$tool" scan --jobs 2 "$empty")
mpi1_empty=$(best "${mpirun[@]}" -np 1 "$mpi_tool" scan "$empty")
mpi2_empty=$(best "${mpirun[@]}" -np 2 "$mpi_tool" scan "$empty")

echo "tree: $files files in folders of $per_directory, a tenth of them stubs; best of $runs"
printf '  stubmeta scan --jobs 2          %8.3f s\n' "$local_scan"
printf '  mpirun -np 2, an empty folder   %8.3f s  (starting a job)\n' "$start2"
printf '  mpirun -np 3, an empty folder   %8.3f s\n' "$start3"
for row in "1 $mpi1 $start2" "2 $mpi2 $start2" "3 $mpi3 $start3"; do
    read -r n took start <<<"$row"
    awk -v n="$n" -v t="$took" -v s="$start" -v l="$local_scan" 'BEGIN {
        printf "  mpirun -np %d stubmeta-mpi scan %8.3f s  ratio %.2f; less the start %.2f (goal <= 1.15)\n",
            n, t, t / l, (t - s) / l }'
done
echo "empty folders: $folders, 100 to a parent; best of $runs"
printf '  stubmeta scan --jobs 2          %8.3f s\n' "$local_empty"
awk -v one="$mpi1_empty" -v two="$mpi2_empty" -v s="$start2" -v l="$local_empty" -v f="$folders" 'BEGIN {
    printf "  mpirun -np 1 stubmeta-mpi scan %8.3f s\n", one
    printf "  mpirun -np 2 stubmeta-mpi scan %8.3f s\n", two
    printf "  per folder handed out (np 2 less np 1): %.1f us\n", (two - one) / f * 1e6 }'
