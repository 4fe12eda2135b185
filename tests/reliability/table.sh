#!/bin/sh
# Runs every reliability check and prints one table of the rows they report
# (check, figure, goal, met): the fuzz targets for a while each, the full
# noisy-line soak, the bad-input sweep and the concurrency stress. Fails when
# any check misses its goal.
# Usage: tests/reliability/table.sh DEFAULT_BUILD FUZZ_BUILD [FUZZ_SECONDS]
set -u
dir=${1:-build/default}
fuzzdir=${2:-build/fuzz}
seconds=${3:-60}
here=$(cd "$(dirname "$0")/../.." && pwd)
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
status=0
"$here/fuzz/run.sh" "$fuzzdir" "$seconds" | tee /dev/stderr | grep '^ROW' >>"$rows" || status=1
"$dir/tests/soak/reliability_soak" 100000 | grep '^ROW' >>"$rows" || status=1
"$dir/tests/sweep/reliability_sweep" 1000 | grep '^ROW' >>"$rows" || status=1
"$dir/tests/stress/reliability_stress" 50000 | grep '^ROW' >>"$rows" || status=1
echo
awk -F '\t' '
  BEGIN {
    printf "| %-52s | %-40s | %-8s | %-4s |\n", "check", "figure", "goal", "met"
    printf "|%s|%s|%s|%s|\n", "------------------------------------------------------", "------------------------------------------", "----------", "------"
  }
  { printf "| %-52s | %-40s | %-8s | %-4s |\n", $2, $3, $4, $5 }
' "$rows"
exit $status
