#!/bin/sh
# "pellucor publish" on a lecture with a 60-second part: written to a pipe
# it prints plain lines with a percent figure (several distinct ones,
# ending at 100%, a few per second at most); on a terminal it draws one
# bar in place.
set -eu
pellucor=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
sh "$source/samples/make-long-lecture.sh" "$work/talk" 60 640x480 >/dev/null
style="$source/styles/html5/"
fail() { echo "FAIL: $*"; cat "$work/out.txt"; exit 1; }

start=$(date +%s)
"$pellucor" publish "$work/talk" --disk "$work/disk" --style "$style" > "$work/out.txt" 2>&1 ||
  fail "pellucor publish exited with $?"
took=$(( $(date +%s) - start + 1 ))
grep -E '^Publishing: [0-9]+%$' "$work/out.txt" | sort -u > "$work/percents.txt"
distinct=$(wc -l < "$work/percents.txt")
lines=$(grep -cE '^Publishing: [0-9]+%$' "$work/out.txt")
[ "$distinct" -ge 5 ] || fail "only $distinct distinct percent figures"
[ "$lines" -eq "$distinct" ] || fail "a percent figure was printed twice"
[ "$(grep -E '^Publishing: ' "$work/out.txt" | tail -n 1)" = "Publishing: 100%" ] || fail "did not end at 100%"
[ "$lines" -le $((took * 4 + 1)) ] || fail "$lines percent lines in $took s: more than a few per second"
grep -q '\[#' "$work/out.txt" && fail "a bar was drawn into a pipe"
[ -f "$work/disk/talk1.mp4" ] || fail "no browser copy"

# On a terminal: one bar, redrawn in place.
script -qec "'$pellucor' publish '$work/talk' --disk '$work/disk2' --style '$style'" /dev/null > "$work/tty.txt" 2>&1 ||
  fail "pellucor publish on a terminal failed"
grep -q "$(printf '\r')\[#" "$work/tty.txt" || fail "no bar on the terminal"
grep -q '100%' "$work/tty.txt" || fail "the bar did not reach 100%"
grep -qE '^Publishing: ' "$work/tty.txt" && fail "plain percent lines on a terminal"
echo "ok: $distinct distinct percent figures in $took s"
