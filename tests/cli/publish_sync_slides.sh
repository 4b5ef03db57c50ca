#!/bin/sh
# "pellucor publish --sync-slides" on a lecture of slides and a recording
# alone makes the publication that sync-slides and then publish make: the
# same events, pages, descriptions, chapters and HLS playlists. SIGTERM
# while it finds the slide times leaves the previous publication as it was.
set -eu
pellucor=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" PELLUCOR_STATE_DIR="$work/state"
fail() { echo "FAIL: $*"; cat "$work/out.txt" 2>/dev/null; exit 1; }
sh "$source/samples/make-sync-lecture.sh" screen "$work/a/talk" talk1.mp4 30 640x360 > /dev/null
mkdir -p "$work/b"
cp -r "$work/a/talk" "$work/b/talk"
publish() {  # LECTURE OUTPUT [OPTION...]
  lecture=$1 output=$2
  shift 2
  "$pellucor" publish "$lecture" --web "$output" --url http://127.0.0.1/talk/ --describe --hls --quiet "$@" \
    > "$work/out.txt" 2>&1
}

# One way: the slide times first, then the publish; the other: one publish.
"$pellucor" sync-slides "$work/a/talk" > "$work/out.txt" 2>&1 || fail "sync-slides exited with $?"
publish "$work/a/talk" "$work/a/web" || fail "the publish exited with $?"
publish "$work/b/talk" "$work/b/web" --sync-slides || fail "publish --sync-slides exited with $?"

[ -f "$work/b/talk/talk1.txt" ] || fail "no events file was written"
grep -v '^#' "$work/a/talk/talk1.txt" > "$work/a.rows"
grep -v '^#' "$work/b/talk/talk1.txt" > "$work/b.rows"
cmp -s "$work/a.rows" "$work/b.rows" || fail "the slide times differ: $(diff "$work/a.rows" "$work/b.rows")"
[ "$(wc -l < "$work/a.rows")" -ge 5 ] || fail "too few slide changes found"
(cd "$work/a/web" && find . -type f ! -name '.pellucor-*' ! -name 'log.log' ! -name 'process.bat' | sort) > "$work/a.files"
(cd "$work/b/web" && find . -type f ! -name '.pellucor-*' ! -name 'log.log' ! -name 'process.bat' | sort) > "$work/b.files"
cmp -s "$work/a.files" "$work/b.files" || fail "other files were published: $(diff "$work/a.files" "$work/b.files")"
grep -q 'talk1.m3u8' "$work/a.files" || fail "no HLS presentation"
compared=0
for f in $(grep -E '\.(htm|vtt|js|m3u8|rat|txt|css)$' "$work/a.files"); do
  cmp -s "$work/a/web/$f" "$work/b/web/$f" || fail "$f differs"
  compared=$((compared + 1))
done

# SIGTERM at the start of the slide times: the publication stays as it was.
rm "$work/b/talk/talk1.txt"
before=$(cd "$work/b/web" && find . -type f -exec md5sum {} + | sort)
PELLUCOR_PUBLISH_STOP_AT=slidetimes "$pellucor" publish "$work/b/talk" --web "$work/b/web" \
  --url http://127.0.0.1/talk/ --sync-slides --quiet > "$work/out.txt" 2>&1 &
pid=$!
tries=0
until [ "$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null)" = T ]; do
  tries=$((tries + 1))
  [ $tries -lt 600 ] || fail "the publish never reached the slide times"
  sleep 0.1
done
kill -TERM $pid
kill -CONT $pid
code=0
wait $pid || code=$?
[ $code -eq 143 ] || fail "exit $code after SIGTERM, not 143"
grep -q "Publish cancelled" "$work/out.txt" || fail "no word of the cancel"
after=$(cd "$work/b/web" && find . -type f -exec md5sum {} + | sort)
[ "$before" = "$after" ] || fail "the previous publication changed"
echo "ok: $compared published files the same both ways"
