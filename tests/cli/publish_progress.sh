#!/bin/sh
# "pellucor publish" on a lecture with a 3-minute part: written to a pipe
# it prints plain lines with a percent figure (several distinct ones,
# ending at 100% once, a few per second at most, with the time left on a
# publish long enough to guess it); on a terminal it draws one bar in place.
set -eu
pellucor=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
sh "$source/samples/make-long-lecture.sh" "$work/talk" 180 640x480 >/dev/null
style="$source/styles/html5/"
fail() { echo "FAIL: $*"; cat "$work/out.txt"; exit 1; }
. "$(dirname "$0")/../support/percent_lines.sh"

start=$(date +%s)
"$pellucor" publish "$work/talk" --disk "$work/disk" --style "$style" > "$work/out.txt" 2>&1 ||
  fail "pellucor publish exited with $?"
took=$(( $(date +%s) - start + 1 ))
check_percent_lines "$work/out.txt" "$took"
grep -q '\[#' "$work/out.txt" && fail "a bar was drawn into a pipe"
[ -f "$work/disk/talk1.mp4" ] || fail "no browser copy"
# What it says names the publication's place, never its staging directory
# (but the script it runs there, as it runs it).
grep -v 'Auto-executing:' "$work/out.txt" | grep -q '\.pellucor-stage' && fail "a status names the staging directory"
grep -q "Destination:$work/disk/index.htm" "$work/out.txt" || fail "no status names the publication's own place"

# A web publish with captions, descriptions and HLS: one bar for all of it,
# telling the time left, at 100% once.
"$pellucor" publish "$work/talk" --web "$work/web" --url http://127.0.0.1/ --style "$style" \
  --transcribe --describe --hls > "$work/web.txt" 2>&1 || { cp "$work/web.txt" "$work/out.txt"; fail "the web publish failed"; }
cp "$work/web.txt" "$work/out.txt"
check_percent_lines "$work/out.txt" 600
grep -qE '^Publishing: [0-9]+%, (about .* min|less than a minute) left$' "$work/out.txt" || fail "no time left was told"
[ -f "$work/web/talk1.m3u8" ] || fail "no HLS presentation"

# On a terminal: one bar, redrawn in place.
script -qec "'$pellucor' publish '$work/talk' --disk '$work/disk2' --style '$style'" /dev/null > "$work/tty.txt" 2>&1 ||
  fail "pellucor publish on a terminal failed"
grep -q "$(printf '\r')\[#" "$work/tty.txt" || fail "no bar on the terminal"
grep -q '100%' "$work/tty.txt" || fail "the bar did not reach 100%"
grep -qE '^Publishing: ' "$work/tty.txt" && fail "plain percent lines on a terminal"
echo "ok: $distinct distinct percent figures in $took s"
