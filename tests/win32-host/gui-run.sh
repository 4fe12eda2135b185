#!/bin/sh
# gui-run.sh — runs a Windows program that opens windows under Wine, on a
# display of its own (xvfb-run), headless. Wine settles a prefix's display
# when the prefix's first program starts: a prefix whose server started
# without a display (every test program runs that way) cannot show a window
# until it stops. So the program runs in a prefix beside that one
# (PREFIX-gui): the registry copied, drive C: the same folder, so that it
# finds everything where it would; its server ends with the display.
#   gui-run.sh PROGRAM ARGS…    (the prefix as wine-run.sh finds it)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$1
if [ -z "${WINEPREFIX:-}" ]; then
  build=$(cd "$(dirname "$program")" && pwd)
  while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
  [ -f "$build/CMakeCache.txt" ] || { echo "gui-run.sh: $program is not in a build tree" >&2; exit 2; }
  WINEPREFIX=$build/WINE
fi
base=$(mkdir -p "$WINEPREFIX" && cd "$WINEPREFIX" && pwd)
[ -f "$base/system.reg" ] || WINEPREFIX=$base "$here/wine-run.sh" wineboot >/dev/null
# A new prefix's server writes its registry out some seconds after it boots.
registry_wait=60
for _ in $(seq $registry_wait); do
  [ -f "$base/system.reg" ] && break
  sleep 1
done
[ -f "$base/system.reg" ] || { echo "gui-run.sh: $base has no registry" >&2; exit 1; }

gui=$base-gui
mkdir -p "$gui/dosdevices"
cp -p "$base"/*.reg "$gui/"
[ ! -f "$base/.update-timestamp" ] || cp -p "$base/.update-timestamp" "$gui/"
ln -sfn "$base/drive_c" "$gui/drive_c"
ln -sfn ../drive_c "$gui/dosdevices/c:"
ln -sfn / "$gui/dosdevices/z:"

export WINE="${WINE:-/usr/lib/wine/wine64}"
# A crash ends the program rather than waiting in a debugger.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winedbg.exe=d"
export WINEPREFIX="$gui" KAVO5000_WINE_DISPLAY=1
# The server and its desktop go before the display does.
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  status=0
  "$0" "$@" || status=$?
  "$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
  "$(dirname "$WINE")/wineserver" -w 2>/dev/null || true
  exit $status' "$here/wine-run.sh" "$@"
