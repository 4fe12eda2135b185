#!/bin/sh
# check-contents.sh — fails unless a package holds exactly the files it must
# ship (directories aside): a file left out, or one that does not belong,
# is named.
#   check-contents.sh zip-win32 Kavo5000-VERSION-win32.zip
#   check-contents.sh deb PACKAGE_VERSION_ARCH.deb   (each of the .deb files)
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
  # Each of the Debian packages by its name; the docs every package carries.
  top=
  package_name=$(dpkg-deb -f "$package" Package)
  lib=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
  doc="usr/share/doc/$package_name/copyright usr/share/doc/$package_name/changelog.Debian.gz
    usr/share/lintian/overrides/$package_name"
  needed=
  case $package_name in
  kavo5000)
    expected="usr/bin/kavo5000 usr/bin/kavo5000-station $lib/kavo5000/libKavo5000.so
      usr/share/man/man1/kavo5000.1.gz usr/share/man/man1/kavo5000-station.1.gz
      usr/share/bash-completion/completions/kavo5000 $lib/wireshark/plugins/kavo5000.lua"
    needed="libc6 libstdc++6 libqt6widgets6"
    ;;
  libkavo5000c[0-9]*)
    expected="$lib/libkavo5000c.so.${package_name#libkavo5000c} $lib/libkavo5000c.so.*.*"
    needed="kavo5000 libc6 libstdc++6"
    ;;
  kavo5000-dev)
    expected="usr/include/kavo5000/Kavo5000.h usr/include/kavo5000/kavo5000_c.h
      $lib/libkavo5000c.so $lib/cmake/Kavo5000/Kavo5000Config.cmake
      $lib/cmake/Kavo5000/Kavo5000ConfigVersion.cmake $lib/cmake/Kavo5000/Kavo5000Targets.cmake
      $lib/cmake/Kavo5000/Kavo5000Targets-*.cmake"
    needed="kavo5000 libkavo5000c"
    ;;
  python3-kavo5000)
    expected="usr/lib/python3/dist-packages/kavo5000/__init__.py"
    needed="python3 libkavo5000c"
    ;;
  *)
    echo "check-contents.sh: $name: no package of ours is called $package_name" >&2
    exit 1
    ;;
  esac
  actual=$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||')
  expected="$expected $doc"
  # What the package needs from Debian and from its siblings, read off its
  # binaries when packed and given by the packaging.
  depends=$(dpkg-deb -f "$package" Depends)
  echo "$package_name Depends: $depends"
  for dependency in $needed; do
    case " $depends" in
    *" $dependency"*) ;;
    *) echo "check-contents.sh: $name: Depends names no $dependency" >&2; exit 1 ;;
    esac
  done
  ;;
*)
  echo "usage: check-contents.sh zip-win32|deb PACKAGE" >&2
  exit 2
  ;;
esac

# A name in the list may be a pattern (a versioned file name): it stands for
# the files it matches, as the shell matches, or for itself when none does.
matches() { case $1 in $2) return 0 ;; esac; return 1; }
names=
for pattern in $expected; do
  hits=$(for file in $actual; do if matches "$file" "$pattern"; then echo "$file"; fi; done)
  names="$names ${hits:-$pattern}"
done
expected=$(printf '%s\n' $names | sort -u)
actual=$(printf '%s\n' $actual | sort)
missing=$(printf '%s\n' "$expected" | grep -vxF -e "$actual" || true)
extra=$(printf '%s\n' "$actual" | grep -vxF -e "$expected" || true)
printf '%s\n' "$actual" | sed "s|^|$name: |"
[ -z "$missing" ] || echo "check-contents.sh: $name lacks: $(echo $missing)" >&2
[ -z "$extra" ] || echo "check-contents.sh: $name holds what it must not: $(echo $extra)" >&2
[ -z "$missing$extra" ]
