#!/usr/bin/env bash
# Builds and runs the settings-write benchmarks: the native Google Benchmark
# (preset "bench": one key, a whole profile, and one key without flushing, so
# the difference is the cost of flushing to the disk) and the Windows program
# under Wine (preset "mingw": our flushed write against WritePrivateProfileStringW).
#
#   tools/bench/settings-write.sh [writes per Wine measurement, default 200]
#
# The native figures are those of the disk under LT260_BENCH_FOLDER (default:
# the system's temporary folder). Extra Google Benchmark flags can be given in
# LT260_BENCH_FLAGS.
# shellcheck source=tools/bench/bench-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench-common.sh"
writes=$(bench_count_argument writes 200 "writes per Wine measurement" "$@")

bench_build bench WriteSettingsBenchmark
bench_build mingw WriteSettingsWineBench

echo
echo "== native (g++ Release): one write to a six-profile file"
bench_native settings/WriteSettingsBenchmark

echo
echo "== Windows build under Wine: our write against one private-profile write"
bench_wine bench/wine/WriteSettingsWineBench.exe "$writes"
