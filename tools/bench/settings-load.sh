#!/usr/bin/env bash
# Builds and runs the settings-load benchmarks: the native Google Benchmark
# (preset "bench") and the Windows program under Wine (preset "mingw"), which
# also times the load made of one private-profile call per key.
#
#   tools/bench/settings-load.sh [seconds per Wine measurement, default 2]
#
# Extra Google Benchmark flags can be given in LT260_BENCH_FLAGS.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
seconds=${1:-2}

echo "== building (presets bench and mingw)"
cmake --preset bench >/dev/null
cmake --build --preset bench --target LoadSettingsBenchmark
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target LoadSettingsWineBench

echo
echo "== native (g++ Release): full load of a six-profile file"
# shellcheck disable=SC2086
build/bench/bench/settings/LoadSettingsBenchmark ${LT260_BENCH_FLAGS:-}

echo
echo "== Windows build under Wine: LoadSettings against one Win32 call per key"
tools/wine/run.sh build/mingw/bench/wine/LoadSettingsWineBench.exe "$seconds"
