#!/bin/sh
# check-contents.sh — fails unless a package holds exactly the files it must
# ship (directories aside): a file left out, or one that does not belong,
# is named.
#   check-contents.sh zip-win32 Kavo5000-VERSION-win32.zip
#   check-contents.sh deb kavo5000_VERSION_ARCH.deb
set -eu
kind=$1
package=$2
name=$(basename "$package")

case $kind in
zip-win32)
  # One folder named as the package, as a station program's folder takes it.
  top=${name%.zip}
  expected="Kavo5000.dll Kavo5000C.dll libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll
    kavo5000.exe README-Windows.txt include/kavo5000/Kavo5000.h include/kavo5000/kavo5000_c.h"
  actual=$(unzip -Z1 "$package" | grep -v '/$' | sed "s|^$top/||")
  ;;
deb)
  top=
  lib=$(dpkg-deb -c "$package" | sed -n 's|.* \./\(usr/lib/.*\)/libKavo5000\.so$|\1|p')
  expected="usr/bin/kavo5000 usr/bin/kavo5000-station ${lib:-usr/lib}/libKavo5000.so
    ${lib:-usr/lib}/libkavo5000c.so usr/lib/python3/dist-packages/kavo5000/__init__.py
    usr/include/kavo5000/Kavo5000.h usr/include/kavo5000/kavo5000_c.h
    usr/share/cmake/Kavo5000/Kavo5000Config.cmake
    usr/share/cmake/Kavo5000/Kavo5000ConfigVersion.cmake usr/share/cmake/Kavo5000/Kavo5000Targets.cmake"
  actual=$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||')
  # What the programs need from Debian, read off them when packed.
  depends=$(dpkg-deb -f "$package" Depends)
  echo "Depends: $depends"
  for needed in libc6 libstdc++6 libqt6widgets6; do
    case " $depends" in
    *" $needed"*) ;;
    *) echo "check-contents.sh: $name: Depends names no $needed" >&2; exit 1 ;;
    esac
  done
  ;;
*)
  echo "usage: check-contents.sh zip-win32|deb PACKAGE" >&2
  exit 2
  ;;
esac

expected=$(printf '%s\n' $expected | sort)
actual=$(printf '%s\n' "$actual" | sort)
missing=$(printf '%s\n' "$expected" | grep -vxF -e "$actual" || true)
extra=$(printf '%s\n' "$actual" | grep -vxF -e "$expected" || true)
printf '%s\n' "$actual" | sed "s|^|$name: |"
[ -z "$missing" ] || echo "check-contents.sh: $name lacks: $(echo $missing)" >&2
[ -z "$extra" ] || echo "check-contents.sh: $name holds what it must not: $(echo $extra)" >&2
[ -z "$missing$extra" ]
