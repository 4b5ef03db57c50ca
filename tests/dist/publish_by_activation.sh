#!/bin/sh
# Runs on a private session bus whose only services are the installed ones:
# nothing serves org.pellucor.Pellucor until the first call, Publish, starts
# it by activation; it publishes the last lecture (LECTURE_DIR) with the
# installed style, then the client waits, reads the status and releases it.
#   usage: publish_by_activation.sh LECTURE_DIR
set -eu
lec=$1
fail() { echo "FAIL: $*"; exit 1; }
bus() {
  gdbus call --session --timeout 300 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method "org.freedesktop.DBus.$1" org.pellucor.Pellucor
}
call() {
  method=$1
  shift
  gdbus call --session --timeout 300 --dest org.pellucor.Pellucor --object-path /Pellucor \
    --method "org.pellucor.Pellucor.$method" "$@"
}
[ "$(bus NameHasOwner)" = "(false,)" ] || fail "something serves org.pellucor.Pellucor before the first call"
bus ListActivatableNames >/dev/null
got=$(call Publish "''") || fail "the Publish call failed"
[ "$got" = "(true, '')" ] || fail "Publish answered $got"
echo "ok: Publish started the service and answered $got"
call WaitUntilComplete >/dev/null || fail "WaitUntilComplete"
got=$(call GetStatus)
[ "$got" = "('Process:All Done',)" ] || fail "GetStatus answered $got"
for f in index.htm sld001.htm sld004.htm img001.gif player.js; do
  [ -s "$lec/synccd/$f" ] || { ls -l "$lec/synccd" || true; fail "the published lecture lacks $f"; }
done
echo "ok: published $lec/synccd/index.htm with the installed style"
call Class_Terminate >/dev/null
i=0
while [ "$(bus NameHasOwner)" != "(false,)" ]; do
  i=$((i + 1))
  [ $i -lt 100 ] || fail "the service still runs after Class_Terminate"
  sleep 0.1
done
echo "ok: the service ended"
