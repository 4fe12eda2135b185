#!/bin/sh
# win32-package-test.sh — the 32-bit Windows package, run as a station gets
# it: packed with cpack, its file list checked, unpacked into a clean folder
# on the Wine prefix's C: drive and run from there with nothing of the build
# tree or the compiler within reach (no WINEPATH: every DLL a program needs
# must be beside it), 32-bit programs emulated (win32-env.sh):
#   kavo5000.exe --version and demo, a whole delivery through the DLL;
#   host_program_test.exe, put beside the package's DLLs as a station
#     program is: LoadLibrary, GetVM30, the module's exceptions caught by
#     type, a delivery over TCP against this machine's simulator;
#   c_delivery_static.exe, a C host linked -static, through Kavo5000C.dll:
#     a delivery over TCP and a refusal caught as a status;
#   param_window_test.exe beside them too: the parameter window inside the
#     DLL, chosen from a Win32 menu and worked by messages on a display of
#     its own (gui-run.sh);
#   kavo5000.exe --port COM5 param get 1 29, COM5 mapped onto a pty;
# and each 32-bit unit-test program, run whole, once, with the package's
# runtime DLLs.
#   win32-package-test.sh BUILD_DIR NATIVE_TOOL
# BUILD_DIR is a built mingw32 tree (tests on); NATIVE_TOOL the build
# machine's kavo5000, whose simulator the Windows programs reach.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
native=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
run=$here/wine-run.sh
prefix=$build/WINE
sim=$build/windows32-simulator

step_start=$(date +%s)
step() {
  now=$(date +%s)
  echo "--- windows32 at $((now - step_start)) s: $*"
}

step "pack"
(cd "$build" && cpack -G ZIP >cpack.log) || { cat "$build/cpack.log" >&2; exit 1; }
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip=$build/$name.zip
"$here/../package/check-contents.sh" zip-win32 "$zip"

cleanup() {
  status=$?
  "$here/sim-serve.sh" stop "$sim" || true
  "$here/win32-env.sh" down "$prefix" || true
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM
"$here/win32-env.sh" up "$prefix"

step "unpack into C:\\$name"
folder=$prefix/drive_c/$name
rm -rf "$folder"
unzip -q "$zip" -d "$prefix/drive_c"
"$here/check-dll.sh" "$folder/Kavo5000.dll" i386
cd "$folder"
export WINEPREFIX="$prefix" WINEPATH=

step "kavo5000.exe --version"
reported=$("$run" ./kavo5000.exe --version | tr -d '\r')
echo "$reported"
[ "$reported" = "kavo5000 $version" ] || {
  echo "win32-package-test.sh: the tool says \"$reported\", the package is $version" >&2
  exit 1
}

step "kavo5000.exe demo"
"$run" ./kavo5000.exe demo >"$build/windows32-demo.out" || {
  cat "$build/windows32-demo.out"
  exit 1
}
tail -n 3 "$build/windows32-demo.out"

step "kavo5000.exe --port COM5 param get 1 29"
"$here/com-port-test.sh" "$native" "$folder/kavo5000.exe" "$run"

step "host_program_test.exe beside the package's DLLs"
cp "$build/tests/win32-host/host_program_test.exe" .
"$here/sim-serve.sh" start "$native" "$sim" --lift-after 0.2 --hang-after 0.5 --flow 5
# The program reads the port's file through Windows paths: Z: is the root.
KAVO5000_SIM_PORT_FILE="Z:$(printf '%s' "$sim/port" | tr / '\\')" KAVO5000_MODULE=Kavo5000.dll \
  "$run" ./host_program_test.exe --gtest_brief=1

step "c_delivery_static.exe: a C host with a runtime of its own, through Kavo5000C.dll"
# A program of another compiler: no C++ runtime DLL among its imports, the C
# interface's functions found by their plain names, a refusal a status.
cp "$build/tests/win32-host/c_delivery_static.exe" .
imports=$(i686-w64-mingw32-objdump -p c_delivery_static.exe | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')
echo "imports: $imports"
case " $imports" in
*libstdc++*|*libgcc*|*libwinpthread*)
  echo "win32-package-test.sh: c_delivery_static.exe imports a C++ runtime: $imports" >&2
  exit 1
  ;;
esac
i686-w64-mingw32-objdump -p Kavo5000C.dll | grep -q -E '[[:space:]]kavo5000_open$' || {
  echo "win32-package-test.sh: Kavo5000C.dll exports no undecorated kavo5000_open" >&2
  exit 1
}
"$run" ./c_delivery_static.exe "$(cat "$sim/port")" Kavo5000.dll | tr -d '\r' |
  tee "$build/windows32-c-delivery.out"
grep -q "refused before sending" "$build/windows32-c-delivery.out"
grep -q "^totals of nozzle 1: " "$build/windows32-c-delivery.out"

step "param_window_test.exe: the parameter window inside the package's DLL"
# The same station, now with a window on a display of its own (gui-run.sh):
# the menu command, the tabs, reads and writes, the address dialog, closes.
cp "$build/tests/win32-host/param_window_test.exe" .
KAVO5000_SIM_PORT_FILE="Z:$(printf '%s' "$sim/port" | tr / '\\')" KAVO5000_MODULE=Kavo5000.dll \
  KAVO5000_SCREENSHOT_DIR="Z:$(printf '%s' "$build/screenshots" | tr / '\\')" \
  "$here/gui-run.sh" ./param_window_test.exe --gtest_brief=1
"$here/sim-serve.sh" stop "$sim"

# Each program whole: a start costs far more under emulation than a case.
count=0
for test in "$build"/tests/*/*_tests.exe; do
  [ -f "$test" ] || continue
  step "$(basename "$test")"
  (cd "$(dirname "$test")" && WINEPATH=$folder "$run" "$test" --gtest_brief=1)
  count=$((count + 1))
done
[ "$count" -gt 0 ] || {
  echo "win32-package-test.sh: no unit-test programs in $build/tests" >&2
  exit 1
}
step "done: the package, its programs and $count unit-test programs"
