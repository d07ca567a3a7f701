#!/usr/bin/env bash
# Builds and runs the settings-load benchmarks: the native Google Benchmark
# (preset "bench") and the Windows program under Wine (preset "mingw"), which
# also times the load made of one private-profile call per key.
#
#   tools/bench/settings-load.sh [seconds per Wine measurement, default 2]
#
# Extra Google Benchmark flags can be given in LT260_BENCH_FLAGS.
# shellcheck source=tools/bench/bench-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench-common.sh"
seconds=$(bench_count_argument seconds 2 "seconds per Wine measurement" "$@")

bench_build bench LoadSettingsBenchmark
bench_build mingw LoadSettingsWineBench

echo
echo "== native (g++ Release): full load of a six-profile file"
bench_native settings/LoadSettingsBenchmark

echo
echo "== Windows build under Wine: LoadSettings against one Win32 call per key"
bench_wine bench/wine/LoadSettingsWineBench.exe "$seconds"
