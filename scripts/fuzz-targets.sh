# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Sourced by scripts/fuzz and scripts/fuzz-campaign: the fuzz build, the
# list of targets from fuzz/targets, and how one target is run.
BUILD_DIR=${BUILD_DIR:-build-fuzz}
CORPUS=fuzz/corpus
ARTIFACTS=$BUILD_DIR/fuzz-artifacts

# NAME -> "KIND OPTIONS..." for every target fuzz/targets lists.
declare -A FUZZ_LINES=()
LISTED=()
while read -r name rest; do
  [[ -z "$name" || "$name" == \#* ]] && continue
  FUZZ_LINES[$name]=$rest
  LISTED+=("$name")
done < fuzz/targets

fuzz_kind() { local line=${FUZZ_LINES[$1]}; echo "${line%% *}"; }
fuzz_options() {
  local line=${FUZZ_LINES[$1]}
  [[ "$line" == *" "* ]] && echo "${line#* }"
  return 0
}

# Configures and builds every target; TARGETS is then those asked for
# (FUZZ_TARGETS) or all that were built (the tool's need its packages).
fuzz_build() {
  cmake --preset fuzz -B "$BUILD_DIR" >/dev/null
  cmake --build "$BUILD_DIR" -j 2 --target stubmeta_fuzzers fuzz_make_corpus
  if [[ -n "${FUZZ_TARGETS:-}" ]]; then
    read -r -a TARGETS <<<"$FUZZ_TARGETS"
  else
    TARGETS=()
    for name in "${LISTED[@]}"; do
      if [[ -x "$BUILD_DIR/fuzz/fuzz_$name" ]]; then
        TARGETS+=("$name")
      else
        echo "fuzz: $name not built (see the configure messages)" >&2
      fi
    done
  fi
  mkdir -p "$ARTIFACTS"
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# libntfs-3g keeps blocks of its own when a damaged volume fails to mount.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/ntfs/lsan.supp}

# fuzz_run NAME LIBFUZZER-ARGUMENTS...: the target with its own options.
fuzz_run() {
  local name=$1
  shift
  local runner=()
  [[ "${FUZZ_NICE:-0}" == 1 ]] && runner=(nice -n 19)
  local options
  read -r -a options <<<"$(fuzz_options "$name")"
  "${runner[@]}" "$BUILD_DIR/fuzz/fuzz_$name" "${options[@]}" \
    -artifact_prefix="$ARTIFACTS/$name-" "$@"
}
