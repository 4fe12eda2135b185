#!/bin/sh
# com-port-test.sh — a parameter read through a COM port under Wine: the
# build machine's `kavo5000 simulate --pty` serves a line on a
# pseudo-terminal, the Wine prefix maps COM5 onto it (a dosdevices link, as
# Wine maps its serial ports), and the Windows tool reads the software
# version of nozzle 1 through the Win32 communications API; then asks an
# address nobody answers at, which must cost the whole first-byte timeout
# (the port driver's COMMTIMEOUTS wait) and end as "no reply", not hang.
#   com-port-test.sh NATIVE_TOOL WINDOWS_TOOL WINE_RUN
set -eu
native=$1
windows=$2
wine_run=$3
port=com5
expected="parameter 29 (nozzle 1, index 19): 107"
silent_dispenser=20  # the simulator's 8 controllers sit at addresses 1..8
timeout_ms=1000
longest_ms=20000     # the timeout, Wine starting the tool, and room to spare

out=$(mktemp)
"$native" --baud 0 --turnaround 0 simulate --pty >"$out" 2>/dev/null &
pid=$!
prefix=
cleanup() {
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$out"
  [ -z "$prefix" ] || rm -f "$prefix/dosdevices/$port"
}
trap cleanup EXIT

for _ in $(seq 50); do
  [ -s "$out" ] && break
  sleep 0.1
done
pty=$(head -n 1 "$out")
[ -c "$pty" ] || { echo "com-port-test.sh: the simulator gave no pseudo-terminal" >&2; exit 1; }

# The prefix wine-run.sh uses: WINE/ in the build tree the tool belongs to.
build=$(cd "$(dirname "$windows")" && pwd)
while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
prefix=${WINEPREFIX:-$build/WINE}
# A first run makes the prefix, then the port is mapped into it.
"$wine_run" "$windows" --version >/dev/null
ln -sfn "$pty" "$prefix/dosdevices/$port"
echo "$port -> $pty"

reading=$("$wine_run" "$windows" --port COM5 param get 1 29)
echo "$reading"
case $reading in
*"$expected"*) ;;
*)
  echo "com-port-test.sh: expected \"$expected\"" >&2
  exit 1
  ;;
esac

started=$(date +%s%N)
silence=$("$wine_run" "$windows" --port COM5 --timeout $timeout_ms param get $silent_dispenser 29 2>&1) &&
  { echo "com-port-test.sh: a silent address gave a reading: $silence" >&2; exit 1; }
took_ms=$((($(date +%s%N) - started) / 1000000))
echo "$silence (after $took_ms ms)"
case $silence in
*"no reply"*) ;;
*)
  echo "com-port-test.sh: expected \"no reply\"" >&2
  exit 1
  ;;
esac
if [ $took_ms -lt $timeout_ms ] || [ $took_ms -gt $longest_ms ]; then
  echo "com-port-test.sh: silence took $took_ms ms; the first-byte timeout is $timeout_ms ms" >&2
  exit 1
fi
