#!/bin/sh
# win32-env.sh — lets this machine run 32-bit Windows programs, and takes that
# back. Some of our machines' kernels run no 32-bit code (32-bit segments and
# `int 0x80` fault), so the i386 Linux half of Wine runs under qemu-i386,
# which binfmt_misc starts for every i386 executable ahead of the kernel's own
# loader: the same on every machine. The Windows programs themselves run in
# one win64 prefix, 32-bit and 64-bit alike, started by Debian's wine64 loader.
#   win32-env.sh up PREFIX    installs what is missing (once per machine),
#                             registers the emulator, makes PREFIX (once) and
#                             starts its Wine server, to stay until `down`
#   win32-env.sh down PREFIX  stops PREFIX's Wine server, undoes the registration
# Quiet unless something fails; `up` prints one line with its time. Needs root:
# packages, binfmt_misc. What it keeps:
#   Debian 12's wine64 and wine32:i386 (the i386 architecture added to dpkg);
#   qemu-i386 from Debian 13's qemu-user, one statically linked binary in
#     $KAVO5000_WIN32_CACHE (default /var/cache/kavo5000): Debian 12's qemu
#     7.2 takes about a minute to start a 32-bit Wine, 10.0 under a second;
#   the prefix, marked as made with the emulator registered (made without
#     it, its 32-bit half stays empty and it is made again).
set -eu
action=${1:-}
prefix=${2:-}
if [ -z "$prefix" ] || { [ "$action" != up ] && [ "$action" != down ]; }; then
  echo "usage: win32-env.sh up|down PREFIX" >&2
  exit 2
fi
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)

WINE=${WINE:-/usr/lib/wine/wine64} # Debian keeps the loader off PATH
WINESERVER=${WINESERVER:-$(dirname "$WINE")/wineserver}
cache=${KAVO5000_WIN32_CACHE:-/var/cache/kavo5000}
qemu=$cache/qemu-i386
mirror=${KAVO5000_TRIXIE_MIRROR:-http://deb.debian.org/debian}
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/kavo5000-i386
# i386 ELF executables and shared objects, as binfmt_misc matches them.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
ready=$prefix/.kavo5000-win32
log=$prefix.log
apt_update=$(cd "$(dirname "$0")/../../scripts" && pwd)/apt-update

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
unset DISPLAY WAYLAND_DISPLAY

# Runs a step with its output in the log, shown only when it fails.
quiet() {
  if ! "$@" >>"$log" 2>&1 </dev/null; then
    echo "win32-env.sh: failed: $*" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

if [ "$action" = down ]; then
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -e "$entry" ]; then echo -1 >"$entry"; fi
  exit 0
fi

[ "$(id -u)" -eq 0 ] || {
  echo "win32-env.sh: needs root (Debian packages, binfmt_misc)" >&2
  exit 1
}
started=$(date +%s)
: >"$log"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
if ! installed wine64 || ! installed wine32:i386; then
  echo "win32-env.sh: installing wine64 and wine32:i386 (once per machine)"
  dpkg --print-foreign-architectures | grep -qx i386 || quiet dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  quiet "$apt_update"
  quiet apt-get install -y --no-install-recommends wine64 wine32:i386
fi

fetch_qemu() {
  # Debian 13's package, fetched by an apt of its own: the machine's sources
  # and package state stay as they are.
  apt=$cache/trixie-apt
  rm -rf "$apt"
  mkdir -p "$apt/lists/partial" "$apt/archives/partial"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror trixie main" \
    >"$apt/sources.list"
  set -- -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
    -o Dir::State::Lists="$apt/lists" -o Dir::State::Status=/dev/null \
    -o Dir::Cache::Archives="$apt/archives" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= \
    -o APT::Architectures=amd64 -o APT::Sandbox::User=root
  quiet "$apt_update" "$@"
  (cd "$apt" && quiet apt-get "$@" download qemu-user)
  dpkg-deb --fsys-tarfile "$apt"/qemu-user_*.deb | tar -x -O ./usr/bin/qemu-i386 >"$qemu.new"
  chmod 755 "$qemu.new"
  "$qemu.new" --version | grep -q "^qemu-i386 version" || {
    echo "win32-env.sh: the fetched qemu-i386 does not run" >&2
    exit 1
  }
  mv "$qemu.new" "$qemu"
  rm -rf "$apt"
}
if [ ! -x "$qemu" ]; then
  echo "win32-env.sh: fetching qemu-i386 from Debian 13's qemu-user (once per machine)"
  mkdir -p "$cache"
  fetch_qemu
fi

# F: the kernel opens the emulator now and uses that file for every i386
# program, whatever root or mount namespace the program runs in.
[ -e "$binfmt/register" ] || quiet mount -t binfmt_misc binfmt_misc "$binfmt"
if [ -e "$entry" ] && ! grep -qx "interpreter $qemu" "$entry"; then echo -1 >"$entry"; fi
[ -e "$entry" ] || printf '%s\n' ":kavo5000-i386:M::$i386_magic:$i386_mask:$qemu:F" >"$binfmt/register"

# Programs started from here must not hold the caller's output open: Wine's
# server and services outlive them.
if [ ! -f "$ready" ]; then
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  mkdir -p "$prefix"
  WINEARCH=win64 quiet "$WINE" wineboot --init
  quiet "$WINESERVER" -w
fi
# One server for every program until `down`: a 32-bit start then costs a
# fraction of a second rather than seconds.
if "$WINESERVER" -p </dev/null >/dev/null 2>&1; then quiet "$WINE" wineboot; fi
if [ ! -f "$ready" ]; then
  # The prefix's 32-bit half answers: a 32-bit cmd.exe, emulated.
  if ! "$WINE" 'C:\windows\syswow64\cmd.exe' /c echo win32 </dev/null 2>>"$log" | grep -q win32; then
    echo "win32-env.sh: a 32-bit program does not run in $prefix" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  touch "$ready"
fi
echo "win32-env.sh: $prefix ready for 32-bit programs in $(($(date +%s) - started)) s"
