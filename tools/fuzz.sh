#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a
# bounded time, then feeds the INI readers the inputs that stress size rather
# than shape: a 50 MB settings file and single lines of several megabytes.
#
#   tools/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

work=build/fuzz/runs
mkdir -p "$work"
status=0
for target in $(find build/fuzz/fuzz -maxdepth 2 -type f -name '*_fuzzer' | sort); do
  name=$(basename "$target")
  layer=$(basename "$(dirname "$target")")
  corpus="$work/$name-corpus"
  mkdir -p "$corpus"
  seeds=fuzz/$layer/corpus
  echo "== $name: ${seconds}s"
  args=("$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$work/$name-" "${args[@]}" 2>"$work/$name.log"; then
    echo "$name FAILED; last lines of $work/$name.log:"
    tail -40 "$work/$name.log"
    status=1
  fi
  grep -E 'stat::number_of_executed_units|Done [0-9]+ runs' "$work/$name.log" | tail -2 || true
done

# Size, not shape: a 50 MB file of settings-like lines, and lines of megabytes.
big="$work/big-inputs"
mkdir -p "$big"
python3 - "$big" <<'PY'
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
for target in build/fuzz/fuzz/settings/*_fuzzer; do
  for input in "$big"/*.ini; do
    start=$(date +%s%N)
    if ! timeout 300 "$target" -rss_limit_mb=8192 "$input" >"$work/big.log" 2>&1; then
      echo "$(basename "$target") FAILED on $(basename "$input"):"; tail -20 "$work/big.log"; status=1
    else
      printf '%s on %s (%d MB): ok in %d ms\n' "$(basename "$target")" "$(basename "$input")" \
        $(( $(stat -c %s "$input") / 1024 / 1024 )) $(( ($(date +%s%N) - start) / 1000000 ))
    fi
  done
done
exit $status
