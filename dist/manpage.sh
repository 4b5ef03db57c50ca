#!/bin/sh
# Writes the manual page pellucor.1 from the program's own help: the
# overview `pellucor --help` prints, then each command's `--help`, so the
# page says what the program says.
#   usage: manpage.sh PELLUCOR OUT.1
set -eu
exe=$1 out=$2
export QT_QPA_PLATFORM=offscreen
# Text as roff shows it: backslashes escaped, no line taken for a request.
esc() { sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }
help=$("$exe" --help 2>/dev/null)
commands=$(printf '%s\n' "$help" | sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p')
{
  printf '.TH PELLUCOR 1 "" "Pellucor" "User Commands"\n'
  printf '.SH NAME\npellucor \\- turn a classroom lecture into a web lecture\n'
  printf '.SH SYNOPSIS\n.nf\n'
  printf '%s\n' "$help" | sed -n '1,2p' | esc
  printf '.fi\n.SH DESCRIPTION\n.nf\n'
  printf '%s\n' "$help" | sed '1,2d' | esc
  printf '.fi\n.SH COMMANDS\n'
  for c in $commands; do
    printf '.SS %s\n.nf\n' "$c"
    "$exe" "$c" --help 2>&1 | esc || true
    printf '.fi\n'
  done
  printf '.SH SEE ALSO\nThe user guide, docs/guide in the sources: a page for each task.\n'
} > "$out.tmp"
mv "$out.tmp" "$out"
