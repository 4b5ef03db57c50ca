#!/bin/sh
# "pellucor server --once" exits non-zero when the lecture it found could not
# be published, and zero when there was nothing to publish.
set -eu
pellucor=$1
sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/incoming/course" "$work/repository" "$work/pub" "$work/config"
once() {
  "$pellucor" server --once --incoming "$work/incoming" --repository "$work/repository" --publish "$work/pub" \
    --log "$work/log.htm" --url http://lectures.example.org/ --stream "" > "$work/out.txt" 2>&1
}

rc=0
once || rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: nothing to publish gave exit $rc"; cat "$work/out.txt"; exit 1; }

# A lecture whose events file holds no slide line.
mkdir "$work/incoming/course/x-talk1"
find "$sample" -maxdepth 1 -type f -exec cp {} "$work/incoming/course/x-talk1/" \;
printf '\001\002garbage\000\377\r\n' > "$work/incoming/course/x-talk1/talk1.txt"
rc=0
once || rc=$?
[ "$rc" -ne 0 ] || { echo "FAIL: a failed lecture gave exit 0"; cat "$work/out.txt"; exit 1; }
grep -q "could not be published" "$work/out.txt" || { echo "FAIL: no failure said"; cat "$work/out.txt"; exit 1; }
[ ! -f "$work/pub/course/talk1/index.htm" ] || { echo "FAIL: published anyway"; exit 1; }
echo "ok: exit $rc for the failed lecture"
