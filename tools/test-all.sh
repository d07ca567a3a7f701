#!/usr/bin/env bash
# Builds and runs every test: the native unit tests, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded HID tests under
# ThreadSanitizer, the Windows tests under Wine, and each fuzzer for a bounded
# time; then the release: two clean builds give the same bytes, and signing
# works; last, the figures of the write and idle benchmarks. It first installs
# whatever is missing (tools/install-deps.sh), so that it runs alone on a fresh
# machine.
#
#   tools/test-all.sh            (LT260_FUZZ_SECONDS per fuzzer, default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n===== %s =====\n' "$*"; }

step "dependencies"
tools/install-deps.sh

for preset in native native-asan mingw; do
  step "build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  step "test: $preset"
  ctest --preset "$preset"
done

step "build: native-tsan"
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan -j2 --target lt260_hid_tests lt260_sim_tests lt260_cli_tests \
  lt260_hidraw_tests
step "test: native-tsan"
ctest --preset native-tsan -R 'Listener|HidChannel|Input|SimulatedMouse|Cli|Hidraw|Hotplug'

step "fuzz"
tools/fuzz.sh "${LT260_FUZZ_SECONDS:-60}"

step "release: reproducible, signed"
tests/release/release-test.sh

# Figures, not checks: what a settings write costs with and without flushing
# (natively and under Wine), and lt260ctl agent's idle wake-ups and its time
# from the mouse's arrival to the read-back written.
step "measurements"
# The figures the tests above printed, from CTest's full logs.
grep -hE 'campaign \(seed|\[ timings|processor time while idle|presses posted in|bytes, start-up to the first read-back|bad settings files ran|^stress:' \
  build/native/Testing/Temporary/LastTest.log build/mingw/Testing/Temporary/LastTest.log \
  | grep -vE '^(Command|[0-9]+/[0-9]+ Test)' || echo "measurements: no figures found in the test logs"
LT260_BENCH_FLAGS=--benchmark_min_time=0.2 tools/bench/settings-write.sh 100
tools/linux/measure-agent.sh 5 3

step "all tests passed"
