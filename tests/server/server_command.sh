#!/bin/sh
# Runs "pellucor server" on temporary trees, drops the sample lecture in as
# x-talk1, waits for its unattended web publish, then a lecture with a
# 60-second part whose publish it follows in plain percent lines, then
# stops the server with SIGTERM and checks that it exits cleanly.
set -eu
pellucor=$1
sample=$2
source=$3
work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/incoming/course" "$work/repository" "$work/pub" "$work/config"

"$pellucor" server --incoming "$work/incoming" --repository "$work/repository" --publish "$work/pub" \
  --log "$work/log.htm" --url http://lectures.example.org/ --stream "" --interval 1 > "$work/out.txt" 2>&1 &
pid=$!

# Drop the lecture in under a temporary name, then mark it ready.
mkdir "$work/incoming/course/talk1.upload"
find "$sample" -maxdepth 1 -type f -exec cp {} "$work/incoming/course/talk1.upload/" \;
mv "$work/incoming/course/talk1.upload" "$work/incoming/course/x-talk1"

i=0
while [ ! -f "$work/pub/course/talk1/talk1.mp4" ] || ! grep -q "Complete - " "$work/log.htm" 2>/dev/null; do
  i=$((i + 1))
  if [ "$i" -gt 120 ]; then
    echo "FAIL: no publish within 60 s"; cat "$work/out.txt"; cat "$work/log.htm" 2>/dev/null; exit 1
  fi
  sleep 0.5
done
[ -d "$work/repository/course/talk1" ] || { echo "FAIL: lecture not in the repository"; exit 1; }
[ ! -e "$work/incoming/course/x-talk1" ] || { echo "FAIL: lecture still incoming"; exit 1; }
[ -f "$work/pub/course/talk1/index.htm" ] || { echo "FAIL: no index.htm"; exit 1; }

# A longer lecture: its publish is printed as it goes, several distinct
# percent figures, a few lines a second at most, ending at 100%.
sh "$source/samples/make-long-lecture.sh" "$work/long.upload" 60 640x480 >/dev/null
lines_before=$(wc -l < "$work/out.txt")
start=$(date +%s)
mv "$work/long.upload" "$work/incoming/course/x-long"
i=0
while [ "$(grep -c "Complete - " "$work/log.htm")" -lt 2 ]; do
  i=$((i + 1))
  if [ "$i" -gt 240 ]; then
    echo "FAIL: the long lecture was not published within 120 s"; cat "$work/out.txt"; exit 1
  fi
  sleep 0.5
done
took=$(( $(date +%s) - start + 1 ))
tail -n +"$((lines_before + 1))" "$work/out.txt" | grep -E '^Publishing: [0-9]+%$' > "$work/percents.txt" || true
distinct=$(sort -u "$work/percents.txt" | wc -l)
lines=$(wc -l < "$work/percents.txt")
[ "$distinct" -ge 5 ] || { echo "FAIL: only $distinct distinct percent figures"; cat "$work/out.txt"; exit 1; }
[ "$lines" -eq "$distinct" ] || { echo "FAIL: a percent figure was printed twice"; cat "$work/out.txt"; exit 1; }
[ "$lines" -le $((took * 4 + 2)) ] || { echo "FAIL: $lines percent lines in $took s"; exit 1; }
[ "$(tail -n 1 "$work/percents.txt")" = "Publishing: 100%" ] || { echo "FAIL: did not end at 100%"; exit 1; }

kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" -eq 0 ] || { echo "FAIL: server exited with $rc after SIGTERM"; cat "$work/out.txt"; exit 1; }
grep -q "Server stopped" "$work/log.htm" || { echo "FAIL: no stop line in the log"; exit 1; }
echo "ok: published and stopped cleanly"
cat "$work/out.txt"
