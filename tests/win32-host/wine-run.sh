#!/bin/sh
# wine-run.sh — runs one program of a Windows build under wine64, headless and
# quiet, in a Wine prefix of that build's own (WINE/ in the build directory,
# the one holding CMakeCache.txt above the program), or in $WINEPREFIX. CTest
# and GoogleTest's discovery call it as the cross build's emulator:
# wine-run.sh PROGRAM ARGS… The program's exit status is passed on. 32-bit
# programs run too, in a prefix that tests/win32-host/win32-env.sh made.
set -eu
program=$1
shift

if [ -z "${WINEPREFIX:-}" ]; then
  build=$(cd "$(dirname "$program")" && pwd)
  while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
  [ -f "$build/CMakeCache.txt" ] || { echo "wine-run.sh: $program is not in a build tree" >&2; exit 2; }
  export WINEPREFIX=$build/WINE
fi

# Debian's wine64 keeps its loader off PATH.
WINE=${WINE:-/usr/lib/wine/wine64}
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine to offer to install, no window to open; only a
# program run by gui-run.sh keeps the display it was given.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -n "${KAVO5000_WINE_DISPLAY:-}" ] || unset DISPLAY WAYLAND_DISPLAY
# Where DLLs beside no program are looked for: by default the 64-bit GCC
# runtime DLLs of a build that does not link them in. A WINEPATH that is set,
# even empty, is kept: a package's programs must find their DLLs beside them.
triple=x86_64-w64-mingw32
export WINEPATH="${WINEPATH-/usr/lib/gcc/$triple/12-posix;/usr/$triple/lib}"

WINESERVER=${WINESERVER:-$(dirname "$WINE")/wineserver}

# The first program in a new prefix makes it; concurrent first runs wait for
# that rather than make it twice. Wine's server and its services outlive the
# program that started them and keep the descriptors they were born with: so
# they are started here, on /dev/null, and never by the program, whose output
# pipe (CTest's) would otherwise stay open, and CTest wait, until they end.
# The server the programs meet is always one started here with the linger
# below: the one that made the prefix lingers only Wine's default three
# seconds, and a program that reaches a server as it shuts down dies at once,
# without a word. So that server is waited out first.
mkdir -p "$WINEPREFIX"
linger=${KAVO5000_WINESERVER_LINGER:-120}  # seconds the server waits for the next program
log=$WINEPREFIX/.wine-run.log  # what starting Wine said, shown if it failed
failed=
step() {
  [ -z "$failed" ] || return 0
  "$@" || failed="$*"
}
exec 9>"$WINEPREFIX/.wine-run.lock"
flock 9
{
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    step "$WINE" wineboot --init
    step "$WINESERVER" -w
  fi
  if [ -z "$failed" ] && "$WINESERVER" -p"$linger"; then step "$WINE" wineboot; fi
} </dev/null >"$log" 2>&1 9>&-
flock -u 9
exec 9>&-
if [ -n "$failed" ]; then
  echo "wine-run.sh: Wine did not start in $WINEPREFIX ($failed):" "$(tail -n 5 "$log" | tr '\n' ' ')" >&2
  exit 1
fi

# Now and then, under load, Wine fails a program's start: the run ends at
# once with status 1 and not a byte written (seen about once in two thousand
# starts of a CI run, in any program, a test listing included). A program of
# ours never fails without a word, so such a run is started once more. To
# tell, the program writes into files that are passed on as they grow.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
relay_poll=0.02 # seconds between tail's looks at whether the program has ended
exec 7<&0       # the caller's input, which a program run in the background keeps
run() {
  : >"$out"
  : >"$err"
  "$WINE" "$program" "$@" 0<&7 >"$out" 2>"$err" &
  pid=$!
  tail -s "$relay_poll" --pid="$pid" -c +1 -f "$out" &
  relay_out=$!
  tail -s "$relay_poll" --pid="$pid" -c +1 -f "$err" >&2 &
  relay_err=$!
  status=0
  wait "$pid" || status=$?
  wait "$relay_out" "$relay_err" || true
}
silent_failure() { [ "$status" -eq 1 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; }
run "$@"
if silent_failure; then
  # Counted, so that a run can tell how often Wine needed it.
  echo "$program" >>"$WINEPREFIX/.wine-run.retries"
  run "$@"
  if silent_failure; then echo "wine-run.sh: $program failed twice without a word under Wine" >&2; fi
fi
exit "$status"
