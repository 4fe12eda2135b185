#!/bin/bash
# completion-test.sh COMPLETION TOOL — the tool's bash completion, loaded as
# bash-completion loads it, answers a few typed lines: at the top every
# subcommand the help lists, under a subcommand its own options and the
# session's, and below param its two subcommands.
set -eu
completion=$1
tool=$2
# shellcheck source=/dev/null
source "$completion"
# shellcheck source=../../cmake/packaging/help-words.sh
source "$(dirname "$0")/../../cmake/packaging/help-words.sh"

# offered LINE: what TAB offers at the end of the typed line (after
# "kavo5000 "); a line that ends in a space is at the start of a new word.
offered() {
  local words=()
  read -ra words <<<"$1"
  [[ -z $1 || $1 == *' ' ]] && words+=("")
  COMP_WORDS=(kavo5000 "${words[@]}")
  COMP_CWORD=${#words[@]}
  COMPREPLY=()
  _kavo5000
  printf '%s\n' "${COMPREPLY[@]}"
}

failed=0
# expect LINE WANTED…: every wanted word is offered at the end of LINE.
expect() {
  local line=$1 got want
  shift
  got=$(offered "$line")
  for want in "$@"; do
    grep -qx -- "$want" <<<"$got" ||
      { echo "completion-test.sh: after '$line' no $want (offered: $(echo $got))" >&2; failed=1; }
  done
}

mapfile -t subcommands < <("$tool" --help | subcommands | grep -vx help)
[ ${#subcommands[@]} -gt 0 ] || { echo "completion-test.sh: the help lists no subcommand" >&2; exit 1; }
expect "" "${subcommands[@]}"
expect "deliver --" --volume --money --price --port
expect "--port sim param get --" --address --code --port
expect "param " get set
expect "pre" preset-volume preset-money
[ "$(offered pri)" = price ] || { echo "completion-test.sh: 'pri' offers more than price" >&2; failed=1; }
exit $failed
