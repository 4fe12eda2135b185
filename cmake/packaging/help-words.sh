# help-words.sh — sourced by manpage.sh, completion.sh and the completion's
# test: the words a help text of the kavo5000 tool offers, read from stdin.

# The names listed under "Subcommands:".
subcommands() { sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && /^  [a-z]/ { print $1 }'; }

# The option names ("-h", "--help", "--port" …) of the lines that begin with one.
options() { awk '/^  -/ { n = split($1, names, ","); for (i = 1; i <= n; i++) if (names[i] ~ /^-/) print names[i] }'; }
