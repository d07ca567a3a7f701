#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs every fuzzer the
# build defines for a bounded time, each from its seed corpus in the repo, then
# feeds the targets that read settings files the inputs that stress size rather
# than shape: a 50 MB settings file and single lines of several megabytes.
#
#   tools/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
#   LT260_FUZZ_BIG_TIMEOUT                bound of each giant input, seconds (300)
#
# The fuzzers come from the list the build writes (build/fuzz/fuzz-targets.tsv,
# one line per lt260_add_fuzzer call), never from a name pattern. The script
# fails when a fuzzer source is in no listed target, when a listed target did
# not run or printed no statistics, or when a fuzzer found a fault. It ends with
# one line per fuzzer: name, executions, seconds, corpus size.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
big_seconds=${LT260_FUZZ_BIG_TIMEOUT:-300}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

list=build/fuzz/fuzz-targets.tsv
if [ ! -s "$list" ]; then
  echo "fuzz: the build wrote no list of fuzzers ($list)" >&2
  exit 1
fi
status=0

# Every source that defines a fuzzer's entry point belongs to a listed target,
# so a fuzzer cannot drop out of the list without this failing.
listed_sources=$(cut -f5 "$list" | tr ',' '\n')
while read -r source; do
  if ! grep -qxF "$source" <<<"$listed_sources"; then
    echo "fuzz: $source defines a fuzzer but is in no target of the build's list" >&2
    status=1
  fi
done < <(grep -rl --include='*.cpp' 'LLVMFuzzerTestOneInput' fuzz | sort)

work=build/fuzz/runs
mkdir -p "$work"
summary=()
listed=0
reported=0
while IFS=$'\t' read -r name executable seeds _ _; do
  listed=$((listed + 1))
  corpus="$work/$name-corpus"
  log="$work/$name.log"
  mkdir -p "$corpus"
  args=("$corpus")
  if [ -d "$seeds" ]; then
    args+=("$seeds")
    echo "== $name: ${seconds}s from $(find "$seeds" -type f | wc -l) seeds"
  else
    echo "== $name: ${seconds}s, no seed corpus at $seeds"
  fi
  if [ ! -x "$executable" ]; then
    echo "$name FAILED: the build's list names $executable, which does not exist"
    status=1
    continue
  fi
  start=$(date +%s)
  if ! "$executable" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="$work/$name-" "${args[@]}" 2>"$log"; then
    echo "$name FAILED; last lines of $log:"
    tail -40 "$log"
    status=1
  fi
  elapsed=$(($(date +%s) - start))
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus_size=$(grep -oE 'corp: [0-9]+' "$log" | tail -1 | cut -d' ' -f2 || true)
  if [ -z "$executions" ] || [ -z "$corpus_size" ] || [ "$executions" -eq 0 ]; then
    echo "$name FAILED: it printed no statistics or ran no input (see $log)"
    status=1
    continue
  fi
  reported=$((reported + 1))
  summary+=("$(printf '%-30s %12s executions %6s s  corpus %6s' "$name" "$executions" "$elapsed" \
    "$corpus_size")")
done <"$list"

# Size, not shape: a 50 MB file of settings-like lines, and lines of megabytes.
big_inputs="$work/big-inputs"
mkdir -p "$big_inputs"
python3 - "$big_inputs" <<'PY'
import os, sys
out = sys.argv[1]
line = b"DPI_Value0=2\r\nProfil_Name=\"name\"\r\nButtonAssigned0=" + b"00" * 380 + b"00\r\n"
with open(os.path.join(out, "fifty-megabytes.ini"), "wb") as f:
    f.write(b"[Setting]\r\nTotle=6\r\n")
    section = 0
    while f.tell() < 50 * 1024 * 1024:
        f.write(b"[Profile%dSetting]\r\n" % (section % 6))
        f.write(line * 200)
        section += 1
with open(os.path.join(out, "huge-line.ini"), "wb") as f:
    f.write(b"[Setting]\r\nBGFilesPath=" + b"p" * (8 * 1024 * 1024) + b"\r\n[" + b"s" * (4 * 1024 * 1024))
with open(os.path.join(out, "no-line-breaks.ini"), "wb") as f:
    f.write(bytes(range(256)).replace(b"\r", b"").replace(b"\n", b"") * (16 * 1024))
PY
big_runs=0
while IFS=$'\t' read -r name executable _ takes_big_inputs _; do
  [ "$takes_big_inputs" = yes ] || continue
  for input in "$big_inputs"/*.ini; do
    start=$(date +%s%N)
    if ! timeout "$big_seconds" "$executable" -rss_limit_mb=8192 "$input" >"$work/big.log" 2>&1; then
      echo "$name FAILED on $(basename "$input"):"; tail -20 "$work/big.log"; status=1
    else
      big_runs=$((big_runs + 1))
      printf '%s on %s (%d MB): ok in %d ms\n' "$name" "$(basename "$input")" \
        $(( $(stat -c %s "$input") / 1024 / 1024 )) $(( ($(date +%s%N) - start) / 1000000 ))
    fi
  done
done <"$list"

echo "== fuzzers: $reported of $listed listed reported statistics; $big_runs giant inputs passed"
printf '%s\n' "${summary[@]}"
if [ "$reported" -ne "$listed" ]; then
  echo "fuzz: $((listed - reported)) listed fuzzer(s) did not run to the end" >&2
  status=1
fi
exit $status
