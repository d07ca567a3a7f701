#!/usr/bin/env bash
# A long fuzzing campaign over every fuzzer the build defines, all at once at
# the lowest priority: each runs until it has done RUNS executions or SECONDS
# have passed, from its seed corpus in the repo. Then each grown corpus is
# minimised into the repo's seed folder (so CI's short runs start from it), and
# the figures go to docs/reliability.md and to the terminal as one table.
#
#   tools/fuzz-campaign.sh [SECONDS] [RUNS]   run (defaults 3600 and 10000000)
#   tools/fuzz-campaign.sh --summarise        minimise and write the figures
#                                             again from the last run's logs
#   tools/fuzz-campaign.sh --table            print the table of the last run
#
# Fails when a fuzzer finds a fault (its reproducer is kept under
# build/fuzz/campaign/NAME-crash-*) or prints no statistics.
set -euo pipefail
cd "$(dirname "$0")/.."
campaign=build/fuzz/campaign
results=$campaign/results.tsv
list=build/fuzz/fuzz-targets.tsv
doc=docs/reliability.md

table() {
  printf '| fuzzer | executions | wall s | CPU s | cov | ft | corpus grown | corpus kept (files, bytes) | findings |\n'
  printf '|---|---:|---:|---:|---:|---:|---:|---:|---|\n'
  while IFS=$'\t' read -r name executions wall cpu cov ft grown kept kept_bytes findings; do
    printf '| %s | %s | %s | %s | %s | %s | %s | %s, %s | %s |\n' "$name" "$executions" "$wall" \
      "$cpu" "$cov" "$ft" "$grown" "$kept" "$kept_bytes" "$findings"
  done <"$results"
}

# Every fuzzer at once, in the background at the lowest priority; returns when
# the last one has ended.
run_campaign() {
  local seconds=$1 runs=$2 pids=()
  rm -rf "$campaign"
  mkdir -p "$campaign"
  printf '%s\t%s\t%s\t%s\n' "$seconds" "$runs" "$(date -u '+%Y-%m-%d %H:%M UTC')" \
    "$(git rev-parse --short HEAD)$(git diff --quiet HEAD -- src fuzz || echo ' with local changes')" \
    >"$campaign/settings"
  echo "== campaign: every fuzzer for ${runs} executions or ${seconds} s"
  while IFS=$'\t' read -r name executable seeds _ _; do
    mkdir -p "$campaign/$name-corpus" "$seeds"
    (
      TIMEFORMAT='%R %U %S'
      { time nice -n 19 "$executable" -max_total_time="$seconds" -runs="$runs" -timeout=30 \
          -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$campaign/$name-crash-" \
          "$campaign/$name-corpus" "$seeds" 2>"$campaign/$name.log"; } 2>"$campaign/$name.time" ||
        echo failed >"$campaign/$name.failed"
    ) &
    pids+=($!)
    echo "   $name started"
  done <"$list"
  for pid in "${pids[@]}"; do wait "$pid"; done
  echo "== campaign ended $(date -u '+%Y-%m-%d %H:%M UTC')"
}

# The figures of each fuzzer from its log, and its corpus minimised into the
# repo's seed folder.
summarise() {
  local status=0 name executable seeds log executions final cov ft grown wall user system cpu
  local findings merged kept kept_bytes
  : >"$results"
  while IFS=$'\t' read -r name executable seeds _ _; do
    log=$campaign/$name.log
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    final=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' <<<"$final" | cut -d' ' -f2 || true)
    ft=$(grep -oE 'ft: [0-9]+' <<<"$final" | cut -d' ' -f2 || true)
    grown=$(grep -oE 'corp: [0-9]+' <<<"$final" | cut -d' ' -f2 || true)
    read -r wall user system <"$campaign/$name.time" || true
    cpu=$(awk -v u="${user:-0}" -v s="${system:-0}" 'BEGIN { printf "%.0f", u + s }')
    wall=$(awk -v w="${wall:-0}" 'BEGIN { printf "%.0f", w }')
    findings=none
    if [ -e "$campaign/$name.failed" ] || [ -z "$executions" ]; then
      findings="FAULT, see $log"
      ls "$campaign/$name-crash-"* 2>/dev/null || true
      status=1
    fi

    # The seeds and the grown corpus, reduced to a smallest set with the same
    # coverage in a fresh folder that then replaces the seeds in the repo.
    # Seeds made by hand (named, not hashes) stay as they are.
    merged=$campaign/$name-merged
    rm -rf "$merged"
    mkdir -p "$merged"
    find "$seeds" -maxdepth 1 -type f -regextype posix-extended ! -regex '.*/[0-9a-f]{40}' \
      -exec cp {} "$merged"/ \;
    if ! nice -n 19 "$executable" -set_cover_merge=1 -timeout=30 -rss_limit_mb=4096 "$merged" \
        "$seeds" "$campaign/$name-corpus" >"$campaign/$name-merge.log" 2>&1; then
      echo "fuzz-campaign: minimising the corpus of $name failed, see $campaign/$name-merge.log" >&2
      status=1
      continue
    fi
    rm -rf "$seeds"
    mkdir -p "$seeds"
    cp "$merged"/* "$seeds"/ 2>/dev/null || true
    kept=$(find "$seeds" -type f | wc -l)
    kept_bytes=$(du -sb "$seeds" | cut -f1)
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "${executions:-0}" "$wall" "$cpu" \
      "${cov:-?}" "${ft:-?}" "${grown:-?}" "$kept" "$kept_bytes" "$findings" >>"$results"
  done <"$list"

  local seconds runs started commit
  IFS=$'\t' read -r seconds runs started commit <"$campaign/settings"
  mkdir -p "$(dirname "$doc")"
  {
    cat <<DOC
# Reliability: the fuzzing campaign

Every fuzzer the build defines ran under AddressSanitizer and
UndefinedBehaviorSanitizer (with the bounds check and the standard library's
assertions) for ${runs} executions or ${seconds} seconds, whichever came first,
all at once at the lowest priority on a shared two-core machine, started
${started} on the sources of commit ${commit}. Each grown corpus was then reduced to a smallest set with the same
coverage (\`-set_cover_merge=1\`) in its seed folder,
\`fuzz/<layer>/corpus/<fuzzer>/\`, from which the short runs of \`tools/fuzz.sh\`
in CI start.

Written by \`tools/fuzz-campaign.sh ${seconds} ${runs}\`; \`tools/fuzz-campaign.sh --table\`
prints the table again. Wall and CPU time are those of the fuzzing process;
cov and ft are libFuzzer's coverage counters (edges and features) at its end;
"corpus grown" is the corpus libFuzzer held at its end.

The read-back fuzzer is by far the slowest per input: each input runs the
synchronisation twice, and each run writes a whole profile section through
\`IniDocument\`, which re-indexes the document after every key it writes, then
loads the files again, all with coverage tracing on every comparison. Its
figure is the number of whole read-backs checked.

DOC
    table
  } >"$doc"
  table
  return $status
}

case "${1:-}" in
  --table)
    [ -s "$results" ] || { echo "fuzz-campaign: no results at $results" >&2; exit 1; }
    table
    exit 0
    ;;
  --summarise)
    [ -s "$campaign/settings" ] || { echo "fuzz-campaign: no campaign in $campaign" >&2; exit 1; }
    summarise
    ;;
  *)
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j2
    [ -s "$list" ] || { echo "fuzz-campaign: the build wrote no list of fuzzers" >&2; exit 1; }
    run_campaign "${1:-3600}" "${2:-10000000}"
    summarise
    ;;
esac
