#!/bin/sh
# help-examples-test.sh TOOL — runs every example the tool's help gives (the
# lines "  $ kavo5000 …" under "Examples:", which the manual page shows) with
# this build's tool, on the built-in simulator; each must succeed.
set -eu
tool=$1
examples=$("$tool" --help | sed -n '/^Examples:/,/^$/s/^  \$ kavo5000 //p')
[ -n "$examples" ] || { echo "help-examples-test.sh: the help gives no example" >&2; exit 1; }
printf '%s\n' "$examples" | while read -r arguments; do
  echo "\$ kavo5000 $arguments"
  # shellcheck disable=SC2086 # the example's words are the tool's arguments
  "$tool" $arguments </dev/null >/dev/null ||
    { echo "help-examples-test.sh: \"kavo5000 $arguments\" failed (exit $?)" >&2; exit 1; }
done
