# shellcheck shell=bash
# Sourced by the benchmark scripts of this folder, never run: strict mode, the
# repository's root as the working folder, and the steps they all take. Every
# step that fails says what failed and ends the script.
if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  echo "$0: sourced by the benchmark scripts beside it, not run" >&2
  exit 2
fi
set -euo pipefail

bench_script=tools/bench/$(basename "$0")
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

# bench_count_argument NAME DEFAULT DESCRIPTION [ARGUMENT...]: prints the
# script's one optional argument, a whole number from 1 up (DEFAULT when it is
# not given); anything else is refused with the script's usage and status 2,
# which ends the script that assigns it (`runs=$(bench_count_argument ...)`).
bench_count_argument() {
  local name=$1 default=$2 description=$3
  shift 3
  local value=${1:-$default}
  if [ $# -gt 1 ] || [[ ! $value =~ ^[1-9][0-9]{0,8}$ ]]; then
    [ $# -gt 1 ] || echo "$bench_script: $name must be a whole number from 1 to 999999999, not \"$value\"" >&2
    echo "usage: $bench_script [$name: $description, default $default]" >&2
    exit 2
  fi
  echo "$value"
}

# bench_build PRESET TARGET...: configures the preset and builds the targets,
# showing the build's output only when it fails.
bench_build() {
  local preset=$1
  shift
  echo "== building $* (preset $preset)"
  local log
  log=$(mktemp)
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" --target "$@"; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "$bench_script: building $* with preset $preset failed" >&2
    exit 1
  fi
  rm -f "$log"
}

# bench_native PROGRAM: a Google Benchmark program of the preset "bench", with
# the extra flags given in LT260_BENCH_FLAGS.
bench_native() {
  # shellcheck disable=SC2086
  "build/bench/bench/$1" ${LT260_BENCH_FLAGS:-}
}

# bench_wine PROGRAM [ARGUMENT...]: a program of the Windows build under Wine.
bench_wine() {
  local program=$1
  shift
  tools/wine/run.sh "build/mingw/$program" "$@"
}
