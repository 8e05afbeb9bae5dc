# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# What the tree and image benchmarks share, sourced by each: their options,
# a clock, the best of several runs, peak memory and ratios.
#
# Before sourcing, a script sets files, runs and dir to its defaults.  Its
# opening comment holds its synopsis ("#   bench/NAME.sh ...") and, after
# that, its operands and options ("#   -n ..."), up to an empty "#" line.

# Prints the synopsis and the options and ends the benchmark with status 2.
bench_usage() {
    awk '/^#   bench\//{p = 1} p && (!/^#/ || (/^#$/ && options)) {exit} p {print; if (/^#   -/) options = 1}' \
        "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

# bench_options MOST "$@": reads -n FILES, -r RUNS and -d DIR into files,
# runs and dir, and the operands (at most MOST) into the array operands.
bench_options() {
    local most=$1 option
    shift
    OPTIND=1
    while getopts 'n:r:d:h' option; do
        case $option in
        n) files=$OPTARG ;;
        r) runs=$OPTARG ;;
        d) dir=$OPTARG ;;
        *) bench_usage ;;
        esac
    done
    shift $((OPTIND - 1))
    (($# <= most)) || bench_usage
    [[ $files =~ ^[1-9][0-9]*$ && $runs =~ ^[1-9][0-9]*$ ]] || bench_usage
    operands=("$@")
}

# Seconds since some fixed point, with microseconds.
now() {
    if [[ -n ${EPOCHREALTIME:-} ]]; then
        echo "${EPOCHREALTIME/,/.}"
    else
        date +%s.%N
    fi
}

# best COMMAND...: runs the command once untimed (the page cache warm),
# then $runs times, and prints the least wall-clock seconds, its output
# thrown away.  Status 1 (a scan that found damaged stubs) is a result;
# a higher one ends the benchmark.
best() {
    local least="" run start end took status=0
    "$@" >/dev/null 2>&1 || status=$?
    for ((run = 1; run <= runs; run++)); do
        start=$(now)
        "$@" >/dev/null 2>&1 || status=$?
        end=$(now)
        if ((status > 1)); then
            echo "$(basename "$0"): $* failed with status $status" >&2
            exit 1
        fi
        took=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
        least=$(awk -v a="$took" -v b="$least" 'BEGIN { print (b == "" || a + 0 < b + 0) ? a : b }')
    done
    echo "$least"
}

# peak COMMAND...: prints the peak resident memory in KiB of the command,
# its output thrown away ("-" without /usr/bin/time).
peak() {
    local report value="-"
    report=$(mktemp)
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -f %M -o "$report" "$@" >/dev/null 2>&1 || true
        value=$(tail -n 1 "$report")
    fi
    rm -f "$report"
    echo "$value"
}

# ratio A B: A / B, as "0.27x".
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
