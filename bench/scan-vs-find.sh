#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Times `stubmeta scan` against reading the first bytes of every file with
# find and head, side by side over the same generated tree; measures how
# soon the first row reaches a pipe (against find's first line, and the
# whole scan with --sort), and the peak memory of both, to show that the
# scan's memory stays flat in the files read and the stubs found.
#
#   bench/scan-vs-find.sh [-n FILES] [-r RUNS] [-d DIR] [TOOL]
#
#   TOOL   the stubmeta binary (default: build/tools/stubmeta)
#   -n     files in the main tree, a tenth of them stubs (default 300000)
#   -r     timed runs of each command; the best is kept (default 5)
#   -d     where the trees are built (default: a folder under $TMPDIR or
#          /tmp); trees already there with the same shape are reused
#
# Both commands run once untimed first, so the page cache is warm.  The
# trees are left in place for the next run; remove DIR to rebuild them.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
files=300000
runs=5
dir="${TMPDIR:-/tmp}/stubmeta-scan-bench"
per_directory=1000

# shellcheck source=bench/bench-lib.sh
source "$here/bench-lib.sh"
bench_options 1 "$@"
tool=${operands[0]:-$repo/build/tools/stubmeta}
[[ -x $tool ]] || {
    echo "scan-vs-find: no tool at $tool (build it, or name it)" >&2
    exit 2
}

# Good stubs of three kinds, taken in turn; the other files are short text.
stubs=("$repo/examples/stubs/unix-layout1.stub" "$repo/examples/stubs/unix-bigendian.stub"
    "$repo/examples/stubs/dmnas.stub")
for stub in "${stubs[@]}"; do
    [[ -f $stub ]] || {
        echo "scan-vs-find: missing $stub" >&2
        exit 2
    }
done

# build_tree ROOT FILES EVERY: FILES files in folders of $per_directory,
# every EVERY-th one a stub.  A tree built before with the same shape is
# kept as it is.
build_tree() {
    local root=$1 count=$2 every=$3
    local shape="$count files, one in $every a stub, $per_directory a folder"
    if [[ -f $root.shape && $(<"$root.shape") == "$shape" ]]; then
        return
    fi
    echo "building $root: $shape" >&2
    rm -rf "$root" "$root.shape"
    mkdir -p "$root"
    local made=0 folder_number=0
    while ((made < count)); do
        local folder
        folder=$(printf '%s/d%04d' "$root" "$folder_number")
        mkdir "$folder"
        local -a plain=() kind0=() kind1=() kind2=()
        local i
        for ((i = made; i < made + per_directory && i < count; i++)); do
            local name
            printf -v name '%s/f%07d' "$folder" "$i"
            if ((i % every == 0)); then
                case $(((i / every) % 3)) in
                0) kind0+=("$name") ;;
                1) kind1+=("$name") ;;
                *) kind2+=("$name") ;;
                esac
            else
                plain+=("$name")
            fi
        done
        # One tee per kind of content writes a whole folder's copies.
        if ((${#plain[@]} > 0)); then
            echo "an ordinary file, not archived" | tee "${plain[@]}" >/dev/null
        fi
        if ((${#kind0[@]} > 0)); then tee "${kind0[@]}" <"${stubs[0]}" >/dev/null; fi
        if ((${#kind1[@]} > 0)); then tee "${kind1[@]}" <"${stubs[1]}" >/dev/null; fi
        if ((${#kind2[@]} > 0)); then tee "${kind2[@]}" <"${stubs[2]}" >/dev/null; fi
        made=$i
        folder_number=$((folder_number + 1))
    done
    echo "$shape" >"$root.shape"
}

run_find() { find "$1" -type f -print0 | xargs -0 -P2 head -qc 8 >/dev/null; }

run_scan() {
    local status=0
    "$tool" scan "$@" >/dev/null || status=$?
    if ((status != 0)); then
        echo "scan-vs-find: stubmeta scan $* exited with status $status" >&2
        exit 1
    fi
}

# timed COMMAND...: runs the command and sets took to the wall-clock
# seconds it took.
took=""
timed() {
    local start end
    start=$(now)
    "$@"
    end=$(now)
    took=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
}

# least A B: the smaller of two numbers, B being possibly empty.
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a + 0 < b + 0) ? a : b }'; }

# first_line COMMAND...: sets took to the seconds from starting the
# command to its first line of output arriving through a pipe, read as
# head -1 would; the command then meets a closed pipe.
first_line() {
    local start end line
    start=$(now)
    {
        IFS= read -r line
        end=$(now)
    } < <("$@" 2>/dev/null)
    took=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
}

# memory ARGS...: prints the files examined, the stubs found and the peak
# resident memory in KiB ("-" without /usr/bin/time) of one scan.
memory() {
    local report output peak="-"
    report=$(mktemp)
    if [[ -x /usr/bin/time ]]; then
        output=$(/usr/bin/time -f %M -o "$report" "$tool" scan "$@") || true
        peak=$(tail -n 1 "$report")
    else
        output=$("$tool" scan "$@") || true
    fi
    rm -f "$report"
    local examined stubs
    examined=$(awk '/^files examined/ { print $3 }' <<<"$output")
    stubs=$(awk '/^stubs / { print $2 }' <<<"$output")
    printf '  %8d files, %7d stubs  %8s\n' "$examined" "$stubs" "$peak"
}

main_tree=$dir/main
sparse_tree=$dir/sparse
build_tree "$main_tree" "$files" 10
build_tree "$sparse_tree" "$files" 100

# The scan must see the tree as built: every file, a tenth of them stubs.
summary=$("$tool" scan "$main_tree" | tail -n 7)
if ! grep -q "^files examined  $files\$" <<<"$summary" ||
    ! grep -q "^stubs           $(((files + 9) / 10)) " <<<"$summary"; then
    echo "scan-vs-find: the scan does not count the tree as built:" >&2
    echo "$summary" >&2
    exit 1
fi

# Warm the page cache (data and metadata) for both trees.
run_find "$main_tree"
run_find "$sparse_tree"
run_scan "$main_tree"

best_find=""
best_scan=""
for ((run = 1; run <= runs; run++)); do
    timed run_find "$main_tree"
    best_find=$(least "$took" "$best_find")
    timed run_scan "$main_tree"
    best_scan=$(least "$took" "$best_scan")
done

echo "tree: $files files in folders of $per_directory, a tenth of them stubs ($main_tree)"
echo "best of $runs runs:"
printf '  find | xargs -P2 head -c 8  %8.3f s\n' "$best_find"
printf '  stubmeta scan               %8.3f s\n' "$best_scan"
awk -v s="$best_scan" -v f="$best_find" 'BEGIN {
    printf "  ratio scan / find           %8.2f  (%s)\n", s / f,
        s <= f ? "the scan keeps up with find" : "the scan is slower than find" }'

# The first row through a pipe: best of the runs, beside find's first
# line and a sorted scan, which can print nothing before its end.
best_first=""
best_find_first=""
best_sorted_first=""
for ((run = 1; run <= runs; run++)); do
    first_line "$tool" scan "$main_tree"
    best_first=$(least "$took" "$best_first")
    first_line find "$main_tree" -type f
    best_find_first=$(least "$took" "$best_find_first")
    first_line "$tool" scan --sort "$main_tree"
    best_sorted_first=$(least "$took" "$best_sorted_first")
done
echo "first line through a pipe (start to first line, best of $runs):"
printf '  find -type f                %8.4f s\n' "$best_find_first"
printf '  stubmeta scan               %8.4f s\n' "$best_first"
printf '  stubmeta scan --sort        %8.4f s\n' "$best_sorted_first"

# Peak memory of the whole tree's scan against find | xargs head.
find_peak=$(peak find "$main_tree" -type f)
xargs_peak=$(peak sh -c 'find "$1" -type f -print0 | xargs -0 -P2 head -qc 8' sh "$main_tree")
scan_peak=$(peak "$tool" scan "$main_tree")
sorted_peak=$(peak "$tool" scan --sort "$main_tree")
echo "peak resident memory over the whole tree (KiB):"
printf '  find -type f                    %8s\n' "$find_peak"
printf '  find | xargs -P2 head (largest) %8s\n' "$xargs_peak"
printf '  stubmeta scan                   %8s\n' "$scan_peak"
printf '  stubmeta scan --sort            %8s\n' "$sorted_peak"
if [[ $scan_peak != - && $xargs_peak != - ]]; then
    awk -v s="$scan_peak" -v f="$xargs_peak" 'BEGIN {
        printf "  ratio scan / find | xargs head  %8.2f  (goal <= 2)\n", s / f }'
fi

# The same count of stubs in ten times the files should cost no more
# memory; ten times the stubs should not either.
mapfile -t folders < <(find "$main_tree" -mindepth 1 -maxdepth 1 -type d | sort)
tenth_folders=("${folders[@]:0:$(((${#folders[@]} + 9) / 10))}")
echo "peak resident memory of the scan (KiB):"
memory "${tenth_folders[@]}"
memory "$sparse_tree"
memory "$main_tree"
