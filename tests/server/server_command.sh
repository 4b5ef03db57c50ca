#!/bin/sh
# Runs "pellucor server" on temporary trees, drops the sample lecture in as
# x-talk1, waits for its unattended web publish, then stops the server with
# SIGTERM and checks that it exits cleanly.
set -eu
pellucor=$1
sample=$2
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
while [ ! -f "$work/pub/course/talk1/talk11.mp4" ] || ! grep -q "Complete - " "$work/log.htm" 2>/dev/null; do
  i=$((i + 1))
  if [ "$i" -gt 120 ]; then
    echo "FAIL: no publish within 60 s"; cat "$work/out.txt"; cat "$work/log.htm" 2>/dev/null; exit 1
  fi
  sleep 0.5
done
[ -d "$work/repository/course/talk1" ] || { echo "FAIL: lecture not in the repository"; exit 1; }
[ ! -e "$work/incoming/course/x-talk1" ] || { echo "FAIL: lecture still incoming"; exit 1; }
[ -f "$work/pub/course/talk1/index.htm" ] || { echo "FAIL: no index.htm"; exit 1; }

kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" -eq 0 ] || { echo "FAIL: server exited with $rc after SIGTERM"; cat "$work/out.txt"; exit 1; }
grep -q "Server stopped" "$work/log.htm" || { echo "FAIL: no stop line in the log"; exit 1; }
echo "ok: published and stopped cleanly"
cat "$work/out.txt"
