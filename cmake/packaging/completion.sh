#!/bin/sh
# completion.sh PROGRAM OUT — bash completion for the kavo5000 tool, made
# from its own help so that it offers what the tool takes: for each
# subcommand path ("", "param", "param get" …) the subcommands and the
# options its help lists. The top level's options are taken everywhere, as
# the tool takes them.
set -eu
program=$1
out=$2

# shellcheck source=help-words.sh
. "$(dirname "$0")/help-words.sh"

subs_table=
options_table=
# visit PATH HELP: one entry of each table, then the subcommands under it.
visit() {
  subs=$(printf '%s\n' "$2" | subcommands | grep -vx help | tr '\n' ' ' | sed 's/ $//')
  opts=$(printf '%s\n' "$2" | options | tr '\n' ' ' | sed 's/ $//')
  subs_table="$subs_table    \"$1\") echo \"$subs\" ;;
"
  options_table="$options_table    \"$1\") echo \"$opts\" ;;
"
  for sub in $subs; do
    # shellcheck disable=SC2086 # the path's words are the tool's arguments
    visit "${1:+$1 }$sub" "$("$program" help $1 "$sub")"
  done
}
visit "" "$("$program" --help)"

cat >"$out" <<SCRIPT
# bash completion for kavo5000: subcommands and options, from its help.
_kavo5000_subcommands() {
  case "\$1" in
$subs_table  esac
}
_kavo5000_options() {
  case "\$1" in
$options_table  esac
}
_kavo5000() {
  local cur=\${COMP_WORDS[COMP_CWORD]} path="" i word
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=\${COMP_WORDS[i]}
    case " \$(_kavo5000_subcommands "\$path") " in
    *" \$word "*) path=\${path:+\$path }\$word ;;
    esac
  done
  if [[ \$cur == -* ]]; then
    COMPREPLY=(\$(compgen -W "\$(_kavo5000_options "\$path") \$(_kavo5000_options "")" -- "\$cur"))
  else
    COMPREPLY=(\$(compgen -W "\$(_kavo5000_subcommands "\$path")" -- "\$cur"))
  fi
}
complete -F _kavo5000 kavo5000
SCRIPT
