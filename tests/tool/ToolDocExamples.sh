#!/usr/bin/env bash
# ToolDocExamples.sh — every `$ kavo5000 …` example of docs/TOOL.md, run with
# the built tool against the built-in simulator, its first line of output
# compared with the first line the document shows under it. The commands and
# the expected lines are read from the document itself, so the two cannot
# drift apart; a file an example reads (`shell < delivery.txt`) comes from the
# `$ cat FILE` the document shows before it.
#
# Usage: ToolDocExamples.sh TOOL DOC
set -u
tool=$(realpath "$1")
doc=$(realpath "$2")

# Examples that need more than one command line and the built-in simulator,
# each with the test that covers it instead.
declare -A skipped=(
  ["state 1 --port /dev/pts/0"]="needs a second program holding the port (ToolServedPort.ASecondProgramOnTheSamePortFailsAtOnce)"
  ["watch 1 --once"]="needs a delivery started by earlier runs on a served line (ToolServedWatch.AWatchInAnotherRunReportsTheRefusedClose)"
  ["monitor --port /dev/pts/1"]="listens to a line another program drives (monitor_on_tap)"
  ["recover 1"]="needs a delivery a killed run left open on a served line (WaitOrStop/ToolRecover.FinishesTheSaleOfAKilledDeliver)"
)

work=$(mktemp -d)
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 2

# One record per example: the command, a tab, the first line shown under it
# (empty when the document shows none). `$ cat FILE` blocks become files.
awk -v examples="$work/examples.tsv" '
  /^```/ { inBlock = !inBlock; flush(); file = ""; next }
  !inBlock { next }
  /^\$ / {
    flush(); file = ""
    if ($0 ~ /^\$ kavo5000 /) { command = substr($0, 12); pending = 1 }
    else if ($0 ~ /^\$ cat /) { file = substr($0, 7); printf "" > file }
    next
  }
  file != "" { print > file; next }
  pending { print command "\t" $0 > examples; pending = 0 }
  function flush() { if (pending) print command "\t" > examples; pending = 0 }
' "$doc"

# What differs from run to run: times, durations, devices, ports, process ids.
normalise() {
  sed -E -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]+Z/TIME/g' -e 's/[0-9]+\.[0-9]+ ms/N ms/g' \
    -e 's#/dev/pts/[0-9]+#/dev/pts/N#g' -e 's/127\.0\.0\.1:[0-9]+/127.0.0.1:PORT/g' \
    -e 's/PID [0-9]+/PID N/g'
}

# `simulate` serves until stopped: its first line, then it is stopped by pid.
first_line_of_server() {
  rm -f server.out
  # exec: the pid is the server's own, not that of a shell around it.
  eval "exec \"$tool\" $1" >server.out 2>&1 &
  server=$!
  local tries=0
  while [ ! -s server.out ] && [ $tries -lt 100 ] && kill -0 "$server" 2>/dev/null; do
    sleep 0.05
    tries=$((tries + 1))
  done
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  server=""
  head -n 1 server.out
}

ran=0 failed=0
while IFS=$'\t' read -r command expected; do
  if [ -n "${skipped[$command]+set}" ]; then
    echo "skipped: kavo5000 $command: ${skipped[$command]}"
    continue
  fi
  ran=$((ran + 1))
  if [[ $command == simulate* ]]; then
    actual=$(first_line_of_server "$command")
  else
    actual=$(eval "\"$tool\" $command" 2>&1 | head -n 1)
  fi
  if [ "$(normalise <<<"$actual")" != "$(normalise <<<"$expected")" ]; then
    failed=$((failed + 1))
    printf 'FAILED: kavo5000 %s\n  document: %s\n  tool:     %s\n' "$command" "$expected" "$actual"
  fi
done <examples.tsv

echo "$ran examples run, $failed differ from docs/TOOL.md"
[ $ran -gt 0 ] && [ $failed -eq 0 ]
