#!/bin/bash
# The tool through the serial-to-TCP servers a station meets, as Debian ships
# them and as they come configured: ser2net (its default options) and socat
# in front of the simulator's pseudo-terminal, on loopback. Through each:
# every parameter of a nozzle address read, and a whole delivery; and the
# monitor listening to the simulator's tap through ser2net. Exit 77
# (skipped) when a server is not installed; the CI stage installs both.
set -euo pipefail

tool=$1
for program in ser2net socat python3; do
  if ! command -v "$program" >/dev/null; then
    echo "serial servers: $program is not installed; skipped"
    exit 77
  fi
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "serial servers: $*" >&2
  exit 1
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits until something listens on 127.0.0.1:$1, seen in the kernel's
# table rather than by connecting: a connection to socat's fork mode leaves
# a child that reads the line for half a second after it closes.
wait_listening() {
  local hex
  hex=$(printf ':%04X ' "$1")
  for _ in $(seq 100); do
    if awk '$4 == "0A"' /proc/net/tcp | grep -q "$hex"; then return 0; fi
    sleep 0.05
  done
  fail "nothing listens on port $1"
}

# A simulated line on a pseudo-terminal, its path in $pty. Customers lift
# and hang up quickly, fuel runs at 2 l/s: a delivery of 2 l takes seconds.
start_simulator() {
  "$tool" simulate --pty --flow 2 --lift-after 0.5 --hang-after 0.5 >"$work/sim.out" 2>"$work/sim.err" &
  pids+=($!)
  for _ in $(seq 100); do
    pty=$(head -n 1 "$work/sim.out" 2>/dev/null || true)
    [ -n "$pty" ] && return 0
    sleep 0.05
  done
  fail "the simulator printed no pseudo-terminal"
}

# socat's fork mode keeps a closed connection's child reading the line for
# half a second (its -t default), where it takes the next connection's
# replies: the next command waits until that child is gone.
settle() {
  [ "$1" = socat ] || return 0
  for _ in $(seq 100); do
    pgrep -P "$socat_pid" >/dev/null || return 0
    sleep 0.05
  done
  fail "socat's connection child did not end"
}

# Every parameter read, none failed; a delivery of 2.00 l at 50.00, whole.
check_line() {
  local name=$1 spec=$2 out
  out=$("$tool" --port "$spec" params read --address 3 2>&1) ||
    fail "$name: params read failed: $(echo "$out" | tail -n 3)"
  if echo "$out" | grep -q "read failed"; then
    fail "$name: some parameters were not read: $(echo "$out" | grep -c 'read failed') rows"
  fi
  local rows
  rows=$(echo "$out" | grep -c -E '^ *[0-9]+  ')
  [ "$rows" -ge 46 ] || fail "$name: params read showed $rows rows, not 46"
  settle "$name"
  out=$("$tool" --port "$spec" deliver 1 1 --volume 2.00 --price 50.00 2>&1) ||
    fail "$name: deliver failed: $(echo "$out" | tail -n 3)"
  echo "$out" | grep -q "^delivery: 2.00 l, 100.00$" ||
    fail "$name: the delivery's counters are not 2.00 l, 100.00: $(echo "$out" | tail -n 3)"
  echo "serial servers: $name: $rows parameters read, delivery of 2.00 l whole"
}

start_simulator

# ser2net 4 with nothing but an accepter and a connector: its default
# options (character delay on, Nagle's algorithm on). Serves DEVICE on a
# free port, in $port; its pid in $ser2net_pid.
start_ser2net() {
  local name=$1 device=$2
  port=$(free_port)
  cat >"$work/$name.yaml" <<YAML
connection: &$name
    accepter: tcp,127.0.0.1,$port
    connector: serialdev,$device,4800n81,local
YAML
  ser2net -n -c "$work/$name.yaml" -P "$work/$name.pid" 2>"$work/$name.err" &
  ser2net_pid=$!
  pids+=("$ser2net_pid")
  wait_listening "$port"
}

start_ser2net line "$pty"
check_line "ser2net" "tcp://127.0.0.1:$port"
kill "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null || true
unset 'pids[-1]'

# socat as its manual pages show a serial line on TCP: one child per
# connection, the terminal raw.
port=$(free_port)
socat "TCP-LISTEN:$port,bind=127.0.0.1,reuseaddr,fork" "FILE:$pty,raw,echo=0" 2>"$work/socat.err" &
socat_pid=$!
pids+=("$socat_pid")
wait_listening "$port"
check_line "socat" "tcp://127.0.0.1:$port"

# The monitor through ser2net: a listener on the bus, here the simulator's
# tap behind a serial server, hears a parameter read whole and writes
# nothing back: every exchange paired, none unanswered, nothing wrong.
"$tool" simulate --pty --tap >"$work/tap.out" 2>"$work/tap.err" &
pids+=($!)
for _ in $(seq 100); do
  [ "$(wc -l <"$work/tap.out")" -ge 2 ] && break
  sleep 0.05
done
line=$(sed -n 1p "$work/tap.out")
tap=$(sed -n 2p "$work/tap.out")
[ -n "$tap" ] || fail "the simulator printed no tap"
start_ser2net tap "$tap"
"$tool" monitor --port "tcp://127.0.0.1:$port" >"$work/monitor.out" 2>"$work/monitor.err" &
monitor_pid=$!
pids+=("$monitor_pid")
# ser2net opens the tap once the monitor is connected: nothing is heard before.
tap_open() { find "/proc/$ser2net_pid/fd" -lname "$tap" 2>/dev/null | grep -q .; }
for _ in $(seq 100); do
  tap_open && break
  sleep 0.05
done
tap_open || fail "ser2net did not open the tap for the monitor: $(cat "$work/monitor.err")"
"$tool" --port "$line" params read --address 3 >"$work/read.out" 2>&1 ||
  fail "params read on the simulator's line failed: $(tail -n 3 "$work/read.out")"
kill -INT "$monitor_pid"
wait "$monitor_pid" || fail "monitor exited $?: $(cat "$work/monitor.err")"
summary=$(grep -E '^(summary|unanswered|problems):' "$work/monitor.out")
paired=$(echo "$summary" | sed -n 's/.* \([0-9]*\) exchanges paired$/\1/p')
[ "${paired:-0}" -ge 46 ] && echo "$summary" | grep -qx "unanswered: 0" &&
  echo "$summary" | grep -qx "problems: none" ||
  fail "monitor through ser2net: $(echo "$summary" | tr '\n' ' ')"
echo "serial servers: monitor through ser2net: $paired exchanges paired, nothing wrong"
