#!/bin/sh
# A lecture written slowly into x-talk, file by file and its recording in
# pieces, while a server watches: it is taken only once complete.
set -eu
. "$(dirname "$0")/server_lib.sh"

make_lecture "$orig/talk"
fresh_tree
start_server one  # default settle: two check intervals
mkdir "$work/in/x-talk"
for f in "$orig/talk"/*; do
  case "$f" in
  *.rm)
    size=$(wc -c < "$f")
    piece=$(( (size + 3) / 4 ))
    for i in 0 1 2 3; do
      dd if="$f" of="$work/in/x-talk/$(basename "$f")" bs="$piece" skip="$i" seek="$i" count=1 conv=notrunc 2>/dev/null
      sleep 0.5
    done
    ;;
  *)
    cp "$f" "$work/in/x-talk/"
    sleep 0.5
    ;;
  esac
done
wait_completed 1 60
stop_servers
check_published talk
echo "ok"
