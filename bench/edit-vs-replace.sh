#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Times `stubmeta edit` against the bare durable replacement of the same
# stubs (stubmeta_durable_replace: read, write a temporary file beside it,
# fsync, rename over, fsync the folder), in one run over the same generated
# tree: edit --jobs 1 without a journal and with --journal, then how edit's
# --jobs 1 and --jobs 2 compare, beside scan's.
#
#   bench/edit-vs-replace.sh [-n STUBS] [-r RUNS] [-d DIR] [BUILD_DIR]
#
#   BUILD_DIR  where stubmeta and bench/stubmeta_durable_replace were built
#              (default: build-bench, `make bench`)
#   -n     stubs in the tree, as many other files beside them (default 100000)
#   -r     timed runs of each command; the best is kept (default 1)
#   -d     where the tree is built (default: a folder under $TMPDIR or /tmp;
#          it must be a file system whose fsync reaches the disk, not tmpfs)
#
# Every stub's longText opens with /archive/vol07/; each edit moves it to
# /archive/vol12/ (--replace-prefix), and the stubs are written afresh and
# synced before every timed run, so every run changes the same stubs from
# the same state.  The tree is left in place; remove DIR to rebuild it.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
files=100000
runs=1
dir="${TMPDIR:-/tmp}/stubmeta-edit-bench"
per_directory=1000

# shellcheck source=bench/bench-lib.sh
source "$here/bench-lib.sh"
bench_options 1 "$@"
stubs=$files
build=${operands[0]:-$repo/build-bench}
tool=$build/tools/stubmeta
replace=$build/bench/stubmeta_durable_replace
for program in "$tool" "$replace"; do
    [[ -x $program ]] || {
        echo "edit-vs-replace: no $program (make bench, or name the build)" >&2
        exit 2
    }
done
mkdir -p "$dir"
fs=$(findmnt -n -o FSTYPE -T "$dir" 2>/dev/null || stat -f -c %T "$dir")
if [[ $fs == tmpfs || $fs == ramfs ]]; then
    echo "edit-vs-replace: $dir is on $fs, whose fsync costs nothing: choose another with -d" >&2
    exit 2
fi

tree=$dir/tree
templates=$dir/templates
list=$dir/stubs.list
journal=$dir/edit.journal

# One template per type a file's opening tells apart in a walk: NTFS with
# its reparse header (1), CSVFS (2), DMNas (4), Unix in an envelope with
# either checksum order (6, 7).  A Celerra text (3) is a bare text a walk
# does not take for a stub, and type 5 is written as type 4.
types=(1 2 4 6 7)
common=(--set common1=1 --set common2=1700000000 --set common3=4242 --set common4=7
    --set common5=1048576 --set number1=123456 --set number2=99 --set auxText=pool7
    --set longText=/archive/vol07/projects/2024/quarterly/report-final.pdf)
make_templates() {
    rm -rf "$templates"
    mkdir -p "$templates"
    local type
    for type in "${types[@]}"; do
        local extra=()
        case $type in
        1 | 2) extra=(--set extraText=vault-a --set shortText=tape0042 --set signedNumber=-8
            --set flag=1 --set number5=8192) ;;
        4) extra=(--set headText=fileid-9f3c11aa --set shortText=tape0042 --set number3=8192
            --set number4=4096 --set flag=1 --set number5=8192 --set tailText=sha1-deadbeef) ;;
        *) extra=(--set unixTextKind=1 --set number3=8192) ;;
        esac
        "$tool" create --type "$type" "${common[@]}" "${extra[@]}" -o "$templates/$type.stub" >/dev/null
    done
}

# write_stubs: writes every stub of the tree afresh from its template (one
# tee per folder and type) and syncs the file system, so that no write-back
# of the last run is left to slow down the next.
write_stubs() {
    local folder
    for folder in "$tree"/d*; do
        local type
        for type in "${types[@]}"; do
            local -a names=("$folder"/s*-"$type".stub)
            [[ -e ${names[0]} ]] && tee "${names[@]}" <"$templates/$type.stub" >/dev/null
        done
    done
    sync -f "$tree"
}

# build_tree: $stubs stubs and as many other files, in folders of
# $per_directory, the stubs' types taken in turn; the list of the stubs'
# paths, NUL-separated, in $list.  Kept when built before with the same
# shape.
build_tree() {
    local shape="$stubs stubs of types ${types[*]}, as many other files, $per_directory a folder"
    make_templates
    if [[ -f $tree.shape && $(<"$tree.shape") == "$shape" ]]; then
        return
    fi
    echo "building $tree: $shape" >&2
    rm -rf "$tree" "$tree.shape"
    mkdir -p "$tree"
    local made=0 number=0
    while ((made < stubs)); do
        local folder i
        folder=$(printf '%s/d%04d' "$tree" "$number")
        mkdir "$folder"
        local -a plain=() stub_names=()
        local name
        for ((i = made; i < made + per_directory / 2 && i < stubs; i++)); do
            printf -v name '%s/f%07d.txt' "$folder" "$i"
            plain+=("$name")
            printf -v name '%s/s%07d-%s.stub' "$folder" "$i" "${types[i % ${#types[@]}]}"
            stub_names+=("$name")
        done
        echo "an ordinary file, not archived" | tee "${plain[@]}" >/dev/null
        touch "${stub_names[@]}"
        made=$i
        number=$((number + 1))
    done
    find "$tree" -name 's*.stub' -print0 | sort -z >"$list"
    write_stubs
    echo "$shape" >"$tree.shape"
}

build_tree
found=$(tr -cd '\0' <"$list" | wc -c)
((found == stubs)) || {
    echo "edit-vs-replace: the list holds $found stubs, not $stubs" >&2
    exit 1
}

change=(--replace-prefix longText /archive/vol07/ /archive/vol12/)

# moved: the stubs whose longText now opens with /archive/vol12/.
moved() { grep -rlF --include='*.stub' /archive/vol12/ "$tree" | wc -l; }

# timed_edit NAME COMMAND...: one run of an edit on stubs written afresh,
# checked to have changed every stub (the C program changes no byte); keeps
# the least time for NAME in best_of[NAME].
declare -A best_of=()
timed_edit() {
    local name=$1 start end seconds
    shift
    write_stubs
    rm -f "$journal"
    start=$(now)
    "$@" >/dev/null
    end=$(now)
    seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
    if [[ $name != replace ]]; then
        local changed
        changed=$(moved)
        ((changed == stubs)) || {
            echo "edit-vs-replace: $name changed $changed stubs, not $stubs" >&2
            exit 1
        }
    fi
    best_of[$name]=$(awk -v a="$seconds" -v b="${best_of[$name]:-}" \
        'BEGIN { print (b == "" || a + 0 < b + 0) ? a : b }')
}

# The page cache holds the whole tree: read it once.
"$tool" scan --jobs 2 "$tree" >/dev/null || true

# The commands take turns, run after run, so that a change in the load of
# a shared machine falls on all of them alike.
for ((run = 1; run <= runs; run++)); do
    timed_edit replace "$replace" "$list"
    timed_edit edit "$tool" edit --jobs 1 "${change[@]}" -- "$tree"
    timed_edit journal "$tool" edit --jobs 1 --journal "$journal" "${change[@]}" -- "$tree"
    journal_size=$(stat -c %s "$journal" 2>/dev/null || echo -)
    timed_edit edit2 "$tool" edit --jobs 2 "${change[@]}" -- "$tree"
done
t_replace=${best_of[replace]}
t_edit=${best_of[edit]}
t_journal=${best_of[journal]}
t_edit2=${best_of[edit2]}
rm -f "$journal"
write_stubs

scan1=$(best "$tool" scan --jobs 1 "$tree")
scan2=$(best "$tool" scan --jobs 2 "$tree")

echo "tree: $stubs stubs (types ${types[*]} in turn) and $stubs other files," \
    "$per_directory a folder, on $fs ($tree)"
echo "change: ${change[*]}; best of $runs, taking turns (stubs written afresh and synced before each run)"
printf '  durable replacement (C, one thread)   %9.3f s\n' "$t_replace"
printf '  stubmeta edit --jobs 1                %9.3f s  %s  (goal <= 1.25x)\n' \
    "$t_edit" "$(ratio "$t_edit" "$t_replace")"
printf '  stubmeta edit --jobs 1 --journal      %9.3f s  %s  (goal <= 1.5x; journal %s bytes)\n' \
    "$t_journal" "$(ratio "$t_journal" "$t_replace")" "$journal_size"
printf '  stubmeta edit --jobs 2                %9.3f s  %s\n' "$t_edit2" "$(ratio "$t_edit2" "$t_replace")"
echo "--jobs 1 / --jobs 2 (above 1: two threads are faster):"
printf '  stubmeta scan   %8.3f s / %8.3f s  %s\n' "$scan1" "$scan2" "$(ratio "$scan1" "$scan2")"
printf '  stubmeta edit   %8.3f s / %8.3f s  %s\n' "$t_edit" "$t_edit2" "$(ratio "$t_edit" "$t_edit2")"
