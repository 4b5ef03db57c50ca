#!/bin/sh
# Publishes the sample lecture for disk with the pellucor command, opens the
# published pages from disk in headless Chromium with a start time in the
# address, and checks that the page, driven by the media element's own
# seek, shows the slide of that time.
set -eu
pellucor=$1
sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/config"
XDG_CONFIG_HOME="$work/config" "$pellucor" publish "$sample" --disk "$work/out" --quiet

browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "chromium is not installed (scripts/setup installs it)"; exit 1; }

shown() {  # PAGE -> the slide number the page shows after its scripts ran
  "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --virtual-time-budget=8000 \
    --dump-dom "file://$work/out/$1" 2>/dev/null |
    sed -n 's/.*id="slide" src="\([^"]*\)"[^>]*data-shown="\([0-9]*\)".*/\2 \1/p'
}

fail=0
check() {  # PAGE EXPECTED
  got=$(shown "$1")
  if [ "$got" = "$2" ]; then
    echo "ok: $1 shows $2"
  else
    echo "FAIL: $1 shows '$got', expected '$2'"
    fail=1
  fi
}
check "index.htm#t=00:00:02" "2 img002.gif"
check "index.htm#t=00:00:04.5" "3 img003.gif"
check "part1.htm#t=00:00:00.5" "1 img001.gif"
check "part2.htm#t=00:00:01" "4 img004.gif"
exit $fail
