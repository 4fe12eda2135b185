#!/bin/sh
# sim-serve.sh — the controller simulator the Windows tests reach over TCP:
# the build machine's own `kavo5000 simulate`, unpaced, on a free port of
# 127.0.0.1, which programs under Wine reach as any Windows program would.
#   sim-serve.sh start TOOL STATE_DIR [SIMULATOR OPTIONS…]
#       starts it; STATE_DIR/port receives the port it serves on, STATE_DIR/pid its pid
#   sim-serve.sh stop STATE_DIR
#       stops the one started there, by that pid
set -eu
action=$1
case $action in
start)
  tool=$2
  state=$3
  shift 3
  mkdir -p "$state"
  # The last run's output too: the new one is truncated only once the
  # simulator's process has started, after the wait below may have read it.
  rm -f "$state/port" "$state/pid" "$state/out"
  "$tool" --baud 0 --turnaround 0 "$@" simulate --tcp 0 >"$state/out" 2>"$state/err" &
  echo $! >"$state/pid"
  # Its first line names the port it serves on, once it listens.
  for _ in $(seq 50); do
    if [ -s "$state/out" ]; then
      head -n 1 "$state/out" >"$state/port"
      echo "simulator $(cat "$state/pid") serving $(cat "$state/port")"
      exit 0
    fi
    kill -0 "$(cat "$state/pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "sim-serve.sh: the simulator did not start:" >&2
  cat "$state/err" >&2
  exit 1
  ;;
stop)
  state=$2
  [ -f "$state/pid" ] || exit 0
  pid=$(cat "$state/pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
  rm -f "$state/pid"
  ;;
*)
  echo "usage: sim-serve.sh start TOOL STATE_DIR [OPTIONS…] | stop STATE_DIR" >&2
  exit 2
  ;;
esac
