#!/usr/bin/env bash
# Measures the Agent as a process under Wine: the time from starting it to its
# "OnCreate over" trace, the resident memory of the idle Agent, and the size of
# the executables. Each run uses a fresh Wine prefix made once for this script.
#
#   tools/bench/agent-startup.sh [runs, default 5]
# shellcheck source=tools/bench/bench-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench-common.sh"
runs=$(bench_count_argument runs 5 "runs of each program" "$@")

bench_build mingw LT260Agent LT260AgentSim lt260-settings-dump

work=build/bench-agent
rm -rf "$work"
mkdir -p "$work"
export LT260_WINEPREFIX="$PWD/$work/wineprefix"
# Make the prefix outside the measurement: a trivial run of the Agent with a
# timeout does it.
LT260_WINE_TIMEOUT=5 tools/wine/run.sh build/mingw/src/platform/win32/LT260Agent.exe >/dev/null 2>&1 || true
# Keep the Wine server running between runs, as it is on a desktop where
# Windows programs already run; only the Agent's own start is measured.
(WINEPREFIX="$LT260_WINEPREFIX" wineserver -p &) && sleep 1
trap 'WINEPREFIX="$LT260_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT

# The process of the program named NAME in this script's own prefix: Wine
# names it after the executable (cut to 15 characters), and the same program
# may run in other prefixes of the machine, which are left alone.
agent_process() {
  local name=$1 pid
  for pid in $(pgrep "^${name:0:15}\$" || true); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$LT260_WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
}

measure() {
  local exe=$1 label=$2
  local total=0 rss_sum=0
  for run in $(seq 1 "$runs"); do
    local trace="$work/trace-$run.txt"
    local start end
    start=$(date +%s%N)
    WINEDEBUG=warn+seh,-fixme LT260_WINE_TIMEOUT=30 tools/wine/run.sh "$exe" >"$trace" 2>&1 &
    local launcher=$!
    while ! grep -q 'OnCreate over' "$trace" 2>/dev/null; do
      if ! kill -0 "$launcher" 2>/dev/null; then
        echo "$label: the Agent ended before it finished starting; its output:" >&2
        cat "$trace" >&2
        return 1
      fi
      sleep 0.01
    done
    end=$(date +%s%N)
    sleep 2  # idle
    local pid rss
    pid=$(agent_process "$(basename "$exe")")
    if [ -z "$pid" ]; then
      echo "$label: cannot find the Agent's process in $LT260_WINEPREFIX" >&2
      return 1
    fi
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    kill "$pid" 2>/dev/null || true
    wait "$launcher" 2>/dev/null || true
    total=$((total + (end - start) / 1000000))
    rss_sum=$((rss_sum + rss))
  done
  printf '%-16s start to "OnCreate over": %5d ms (mean of %d, Wine process start included); idle resident memory: %6d KiB\n' \
    "$label" $((total / runs)) "$runs" $((rss_sum / runs))
}

# What Wine itself costs to start a program: a console tool that prints its
# usage and ends at once.
baseline=0
for run in $(seq 1 "$runs"); do
  start=$(date +%s%N)
  tools/wine/run.sh build/mingw/tools/settings-dump/lt260-settings-dump.exe >/dev/null 2>&1 || true
  baseline=$((baseline + ($(date +%s%N) - start) / 1000000))
done
echo
echo "== Wine's own start of a trivial program: $((baseline / runs)) ms (mean of $runs)"

echo
echo "== start-up and memory under Wine (mouse absent for LT260Agent, simulated for LT260AgentSim)"
measure build/mingw/src/platform/win32/LT260Agent.exe LT260Agent
measure build/mingw/src/platform/win32/LT260AgentSim.exe LT260AgentSim

echo
echo "== sizes (static runtime, Release)"
for exe in build/mingw/src/platform/win32/LT260Agent.exe build/mingw/src/platform/win32/LT260AgentSim.exe; do
  x86_64-w64-mingw32-strip -o "$work/stripped.exe" "$exe"
  printf '%-18s %8d bytes (%d KiB); without symbols: %d KiB\n' "$(basename "$exe")" \
    "$(stat -c %s "$exe")" $(( $(stat -c %s "$exe") / 1024 )) $(( $(stat -c %s "$work/stripped.exe") / 1024 ))
done
