#!/bin/sh
# check-dll.sh — fails unless a Windows build's Kavo5000.dll is what a station
# program can load: a DLL for the expected machine, exporting GetVM30 under
# that plain name and nothing else, and importing only Windows' own DLLs and
# the GCC runtime DLLs that ship beside it (docs/WINDOWS.md), each of which
# must then sit beside it.
#   check-dll.sh DLL i386     the 32-bit module (PE32), runtime DLLs beside it
#   check-dll.sh DLL x86-64   the 64-bit module (PE32+), runtime linked in
set -eu
dll=$1
machine=$2
case $machine in
i386)
  objdump=i686-w64-mingw32-objdump
  magic="(PE32)"
  runtime="libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll"
  ;;
x86-64)
  objdump=x86_64-w64-mingw32-objdump
  magic="(PE32+)"
  runtime=""
  ;;
*)
  echo "usage: check-dll.sh DLL i386|x86-64" >&2
  exit 2
  ;;
esac
# What every Windows has; the module needs no more of the system than these:
# the parameter window draws with user32 and gdi32, its tabs, status bar,
# arrows and header are comctl32's, and uxtheme keeps the status bar's red.
system="kernel32.dll msvcrt.dll user32.dll advapi32.dll gdi32.dll comctl32.dll uxtheme.dll"

listing=$($objdump -p "$dll")
failed=0
fail() {
  echo "check-dll.sh: $dll: $*" >&2
  failed=1
}

format=$(printf '%s\n' "$listing" | sed -n 's/.*file format \(.*\)$/\1/p' | head -n 1)
echo "format: $format $(printf '%s\n' "$listing" | awk '$1 == "Magic" { print $3 }')"
[ "$format" = "pei-$machine" ] || fail "file format $format, expected pei-$machine"
printf '%s\n' "$listing" | grep -q "^Magic.*$magic" || fail "not a $magic image"
printf '%s\n' "$listing" | grep -q "$(printf '^\tDLL$')" || fail "not a DLL"

# The export names: the lines after "[Ordinal/Name Pointer] Table".
exports=$(printf '%s\n' "$listing" |
  awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^\t\[/ { print $NF } on && !/^\t\[/ { on = 0 }')
echo "exports: $(echo $exports)"
[ "$exports" = "GetVM30" ] || fail "exports \"$(echo $exports)\", expected GetVM30 alone"

imports=$(printf '%s\n' "$listing" | sed -n 's/^[[:space:]]*DLL Name: //p')
echo "imports: $(echo $imports)"
for name in $imports; do
  lower=$(printf '%s' "$name" | tr '[:upper:]' '[:lower:]')
  case " $system " in *" $lower "*) continue ;; esac
  case " $runtime " in
  *" $name "*)
    [ -f "$(dirname "$dll")/$name" ] || fail "imports $name, which is not beside it"
    ;;
  *) fail "imports $name, neither a system DLL nor a runtime DLL that ships with it" ;;
  esac
done
exit $failed
