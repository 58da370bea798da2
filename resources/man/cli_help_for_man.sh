#!/bin/sh
# Stands in for layra-cli when help2man writes its manual page: --version is
# the program's own, and --help is the program's help followed by the help of
# every command, shaped as help2man reads sections ("*Commands*") and
# sub-sections (a line ending in a colon over indented lines). The program
# to ask is $LAYRA_CLI.
set -eu
cli=${LAYRA_CLI:?LAYRA_CLI names the layra-cli to describe}
if [ "${1:-}" = "--version" ]; then
  exec "$cli" --version
fi
help=$("$cli" --help)
# The program's help up to its list of commands, its path shown as the name.
printf '%s\n' "$help" | sed -e '/^Subcommands:/,$d' -e "s|^Usage: [^ ]*|Usage: layra-cli|"
printf '*Commands*\n'
printf '%s\n' "$help" | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' |
  while read -r command; do
    # "CMD --help": description, usage, then the positionals and options.
    "$cli" "$command" --help | awk -v command="$command" '
      NR == 1 { description = $0; next }
      /^Usage: / { sub(/^Usage: [^ ]* /, ""); printf "layra-cli %s:\n  %s\n\n", $0, description; next }
      /^$/ { next }
      /^[A-Z][a-z]*:$/ { next }
      # An option whose name fills the 30 columns before the description is
      # followed by one blank only; help2man needs two to tell them apart.
      /^  -/ && substr($0, 29, 3) ~ /^[^ ] [^ ]$/ { $0 = substr($0, 1, 30) " " substr($0, 31) }
      { print }'
    printf '\n'
  done
