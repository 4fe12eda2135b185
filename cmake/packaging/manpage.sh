#!/bin/sh
# manpage.sh PROGRAM VERSION NAME-LINE OUT.1.gz — a program's manual page made
# from its own help, so that it says what the program does: help2man over
# --help, and where the help lists subcommands (the kavo5000 tool), each
# subcommand's own help ("PROGRAM help CMD", its subcommands' in turn) as a
# part of a SUBCOMMANDS section.
set -eu
program=$1
version=$2
name_line=$3
out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The station's help comes from a Qt program, which wants a platform even to
# print it.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work"
# The help holds the controllers' Russian name: read and written as UTF-8
# (help2man runs the program in the locale it is given).
export LC_ALL=C.UTF-8

# shellcheck source=help-words.sh
. "$(dirname "$0")/help-words.sh"

# Help text as roff in no-fill mode: backslashes, minus signs and a leading
# dot or quote escaped.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"; }

# describe WORDS…: the help of the subcommand the words name, then of each
# subcommand under it.
describe() {
  help=$("$program" help "$@")
  printf '.SS "%s"\n.nf\n' "$*"
  printf '%s\n' "$help" | roff
  printf '.fi\n'
  for sub in $(printf '%s\n' "$help" | subcommands); do
    describe "$@" "$sub"
  done
}

include=
top=$("$program" --help)
names=$(printf '%s\n' "$top" | subcommands)
if [ -n "$names" ]; then
  include=--include=$work/include
  echo "[SUBCOMMANDS]" >"$work/include"
  for name in $names; do
    [ "$name" = help ] && continue
    describe "$name" >>"$work/include"
  done
fi

# shellcheck disable=SC2086 # no include: no argument
help2man --locale=C.UTF-8 --no-info --no-discard-stderr --version-string="$version" --name="$name_line" \
  $include --output="$work/page.1" "$program"
gzip -9nc "$work/page.1" >"$out"
