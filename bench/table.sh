#!/bin/sh
# Runs every benchmark and prints one table of the rows they report
# (operation, median, wire time, ratio, goal, met). Usage: bench/table.sh BUILD_DIR
set -eu
dir=${1:-build/default}
rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
"$dir/bench/micro_bench" --benchmark_min_time=0.2 | tee /dev/stderr | grep '^ROW' >>"$rows" || true
"$dir/bench/c_interface_bench" --benchmark_min_time=0.2 | tee /dev/stderr | grep '^ROW' >>"$rows" || true
# The Python station loop over the C interface, with Debian's Python.
KAVO5000_C_LIBRARY="$dir/host/c/libkavo5000c.so" KAVO5000_MODULE="$dir/src/libKavo5000.so" \
  /usr/bin/python3 "$(dirname "$0")/python_station.py" | tee /dev/stderr | grep '^ROW' >>"$rows" || true
"$dir/bench/monitor_bench" | tee /dev/stderr | grep '^ROW' >>"$rows" || true
"$dir/bench/line_bench" all | tee /dev/stderr | grep '^ROW' >>"$rows" || true
"$dir/bench/tcp_bench" all | tee /dev/stderr | grep '^ROW' >>"$rows" || true
echo
awk -F '\t' '
  BEGIN {
    printf "| %-40s | %-12s | %-20s | %-9s | %-26s | %-7s |\n", "operation", "median", "wire time", "ratio", "goal", "met"
    printf "|%s|%s|%s|%s|%s|%s|\n", "------------------------------------------", "--------------", "----------------------", "-----------", "----------------------------", "---------"
  }
  { printf "| %-40s | %-12s | %-20s | %-9s | %-26s | %-7s |\n", $2, $3, $4, $5, $6, $7 }
' "$rows"
