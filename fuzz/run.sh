#!/bin/bash
# Fuzzes every target of a `fuzz` preset build for a while each, one after
# another, starting from the committed corpus (new inputs go to a scratch
# directory, never into fuzz/corpus). Prints libFuzzer's final figures as
# rows of the reliability table (tab-separated, after "ROW"): runs, execs/s,
# coverage (edges) and time. Fails when a target crashes; the crashing input
# is kept in the scratch directory, whose path is printed.
# Usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]
set -uo pipefail
dir=${1:-build/fuzz}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d /tmp/kavo5000-fuzz.XXXXXX)
targets="reply_check host_slots sim_frames wire_parsers decode line_port value_text c_api"
failed=0
rows=()
for t in $targets; do
  mkdir -p "$scratch/$t"
  log="$scratch/$t.log"
  start=$(date +%s)
  "$dir/fuzz/${t}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$scratch/$t/crash-" "$scratch/$t" "$here/corpus/$t" >"$log" 2>&1
  rc=$?
  took=$(($(date +%s) - start))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  met=yes
  if [ "$rc" -ne 0 ]; then
    met=NO
    failed=1
    echo "fuzz: $t failed (exit $rc); log and input in $scratch" >&2
    grep -E 'ERROR|invariant|SUMMARY' "$log" | head -5 >&2
  fi
  echo "fuzz: $t: ${runs:-?} runs, ${speed:-?}/s, cov ${cov:-?}, ${took} s"
  rows+=("$(printf 'ROW\tfuzz: %s\t%s runs, %s/s, cov %s, %s s\tno crash\t%s' \
    "$t" "${runs:-?}" "${speed:-?}" "${cov:-?}" "$took" "$met")")
done
printf '%s\n' "${rows[@]}"
[ "$failed" -eq 0 ] && rm -rf "$scratch"
exit "$failed"
