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
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
writes=${1:-200}

echo "== building (presets bench and mingw)"
cmake --preset bench >/dev/null
cmake --build --preset bench --target WriteSettingsBenchmark
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target WriteSettingsWineBench

echo
echo "== native (g++ Release): one write to a six-profile file"
# shellcheck disable=SC2086
build/bench/bench/settings/WriteSettingsBenchmark ${LT260_BENCH_FLAGS:-}

echo
echo "== Windows build under Wine: our write against one private-profile write"
tools/wine/run.sh build/mingw/bench/wine/WriteSettingsWineBench.exe "$writes"
