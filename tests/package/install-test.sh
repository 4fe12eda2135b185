#!/bin/sh
# install-test.sh DEB_DIR ROOT — the Debian packages as a user meets them, in
# a throw-away Debian 12 root (debootstrap) so that the build machine is not
# changed: apt-get install of every .deb, then the tool from PATH loading the
# module from its plug-in folder, `man kavo5000`, the tool's completion as
# bash-completion loads it, the C interface in the loader's cache, and the
# Python package driving the built-in simulator.
#   install-test.sh build/default build/debian-root
set -eu
debs=$(cd "$1" && pwd)
root=$2
mirror=${KAVO5000_DEBIAN_MIRROR:-http://deb.debian.org/debian}
say() { echo "--- install-test.sh: $*"; }

rm -rf "$root"
mkdir -p "$root"
root=$(cd "$root" && pwd)
trap 'umount "$root/proc" 2>/dev/null || true' EXIT
say "debootstrap a minimal bookworm into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -n 20 "$root.debootstrap.log" >&2; exit 1; }
mount -t proc proc "$root/proc"
mkdir -p "$root/tmp/debs"
cp "$debs"/*.deb "$root/tmp/debs/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME=/root "$@"; }

say "apt-get install ./*.deb man-db bash-completion"
in_root apt-get update -qq
in_root sh -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  /tmp/debs/*.deb man-db bash-completion' >"$root.apt.log" 2>&1 ||
  { tail -n 30 "$root.apt.log" >&2; exit 1; }
in_root dpkg-query -W kavo5000 libkavo5000c1 kavo5000-dev python3-kavo5000

say "kavo5000 from PATH"
in_root kavo5000 --version
in_root kavo5000 param get 1 29

say "man kavo5000"
in_root sh -c 'MANWIDTH=80 man -P cat kavo5000' >"$root.man.txt"
sed -n '1,12p' "$root.man.txt"
for heading in NAME SYNOPSIS DESCRIPTION OPTIONS SUBCOMMANDS EXAMPLES; do
  grep -q "^$heading" "$root.man.txt" || { echo "install-test.sh: man kavo5000 has no $heading" >&2; exit 1; }
done
grep -q 'Каво 5000' "$root.man.txt" || { echo "install-test.sh: man kavo5000 lost the controllers' name" >&2; exit 1; }
in_root sh -c 'MANWIDTH=80 man -P cat kavo5000-station' | sed -n '1,6p'

say "kavo5000 <TAB><TAB>, as bash-completion loads the completion on the first TAB"
offered=$(in_root bash -c 'source /usr/share/bash-completion/bash_completion
  _completion_loader kavo5000
  COMP_WORDS=(kavo5000 ""); COMP_CWORD=1; COMP_LINE="kavo5000 "; COMP_POINT=9
  $(complete -p kavo5000 | sed -n "s/.*-F \([^ ]*\) .*/\1/p") kavo5000 "" kavo5000
  echo "${COMPREPLY[@]}"')
echo "$offered"
for subcommand in deliver price state totals; do
  case " $offered " in
  *" $subcommand "*) ;;
  *) echo "install-test.sh: kavo5000 <TAB><TAB> offers no $subcommand" >&2; exit 1 ;;
  esac
done

say "the C interface in the loader's cache"
in_root ldconfig -p | grep libkavo5000c

say "the Python package on the built-in simulator"
in_root python3 -c '
import kavo5000
with kavo5000.Driver(ports={1: "sim"}) as driver:
    driver.set_price(1, 1, 1, 52.40)
    print("python3: %s; totals of nozzle 1: %s" % (driver.description(), driver.total_counters(1, 1, 1)))
'
say "done"
