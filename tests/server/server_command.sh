#!/bin/sh
# "pellucor server" as an operator runs it: the sample lecture written slowly
# into course/x-talk1 is published unattended once complete, then a lecture
# with a 60-second part whose publish it follows in plain percent lines;
# SIGTERM stops it cleanly. "--once" exits zero with nothing to publish,
# publishes every lecture that is ready, and exits non-zero when one of
# them could not be published.
set -eu
. "$(dirname "$0")/server_lib.sh"
. "$(dirname "$0")/../support/percent_lines.sh"
source=$3

make_lecture "$orig/talk1"
fresh_tree
server once-empty --once || fail "nothing to publish gave exit $?"
start_server main
# Written slowly into its ready directory, file by file and its recordings in
# pieces: it is taken only once complete (the default settle time).
mkdir -p "$work/in/course/x-talk1"
for f in "$orig/talk1"/*; do
  case "$f" in
  *.rm)
    piece=$(( ($(wc -c < "$f") + 3) / 4 ))
    for i in 0 1 2 3; do
      dd if="$f" of="$work/in/course/x-talk1/${f##*/}" bs="$piece" skip="$i" seek="$i" count=1 conv=notrunc 2>/dev/null
      sleep 0.5
    done ;;
  *) cp "$f" "$work/in/course/x-talk1/"; sleep 0.5 ;;
  esac
done
wait_completed 1 60
[ -f "$work/pub/course/talk1/talk1.mp4" ] || fail "no recording published"
check_published course/talk1

# A longer lecture: its publish is printed as it goes, several distinct
# percent figures, a few lines a second at most, ending at 100%.
sh "$source/samples/make-long-lecture.sh" "$orig/long" 60 640x480 >/dev/null
lines_before=$(wc -l < "$work/out-main.txt")
start=$(date +%s)
drop long course/
wait_completed 2 120
took=$(( $(date +%s) - start + 1 ))
tail -n +"$((lines_before + 1))" "$work/out-main.txt" > "$work/long.txt"
check_percent_lines "$work/long.txt" "$took"
stop_servers
grep -q "Server stopped" "$work/log-main.htm" || fail "no stop line in the log"

# A lecture whose events file holds no slide line, dropped with three good
# ones: "--once" publishes every one that is ready and says which failed.
make_lecture "$orig/good"
printf '\001\002garbage\000\377\r\n' > "$orig/talk1/talk1.txt"
fresh_tree
drop talk1 course/
for n in 1 2 3; do
  cp -r "$orig/good" "$orig/good$n"
  drop "good$n" course/
done
! server once-bad --once || fail "a failed lecture gave exit 0"
grep -q "could not be published" "$work/out-once-bad.txt" || fail "no failure said"
[ ! -f "$work/pub/course/talk1/index.htm" ] || fail "published anyway"
for n in 1 2 3; do
  [ -f "$work/pub/course/good$n/index.htm" ] || fail "--once left the ready lecture good$n unpublished"
done
echo "ok: published, stopped cleanly; every ready lecture taken by --once, a non-zero exit for the failed one"
