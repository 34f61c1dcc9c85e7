# Builds for the scripts: a step logged and shown only when it fails, a preset's targets.
# shellcheck shell=bash

# logged LOG WHAT CMD...: runs CMD with its output in LOG. When it fails:
# the log's last 30 lines, then "WHAT failed; its log: LOG" on stderr, and
# status 1.
logged() {
  local log=$1 what=$2
  shift 2
  mkdir -p "$(dirname "$log")"
  "$@" >"$log" 2>&1 && return 0
  tail -n 30 "$log" >&2
  echo "$what failed; its log: $log" >&2
  return 1
}

# build_preset PRESET TARGET...: configures the CMake preset and builds the
# targets given (all when none is) in its folder. Run from the repository.
build_preset() {
  local preset=$1 targets=()
  shift
  [ $# = 0 ] || targets=(--target "$@")
  cmake --preset "$preset" && cmake --build --preset "$preset" "${targets[@]}"
}
