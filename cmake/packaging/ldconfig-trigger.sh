#!/bin/sh
# ldconfig-trigger.sh DEB — replaces a package's postinst and postrm by
# dpkg's ldconfig trigger when they do nothing but call ldconfig; leaves any
# other package as it is.
set -eu
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -R "$deb" "$work/root"
control=$work/root/DEBIAN
[ -f "$control/postinst" ] || exit 0
for script in postinst postrm; do
  [ -f "$control/$script" ] || continue
  # Anything but the shebang, set -e, the configure/remove guard and ldconfig
  # is a script of someone's: keep the package as it is.
  if grep -v -E '^(#!.*|set -e|if \[ .*\]; then|fi|[[:space:]]*ldconfig|[[:space:]]*)$' \
    "$control/$script" >/dev/null; then
    exit 0
  fi
done
rm -f "$control/postinst" "$control/postrm"
echo "activate-noawait ldconfig" >"$control/triggers"
chmod 0644 "$control/triggers"
dpkg-deb --root-owner-group -Zxz --build "$work/root" "$deb" >/dev/null
echo "ldconfig-trigger.sh: $(basename "$deb"): dpkg's ldconfig trigger in place of its maintainer scripts"
