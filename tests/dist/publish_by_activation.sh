#!/bin/sh
# On a private bus of the installed services only: the first call, Publish,
# starts org.pellucor.Pellucor, which publishes the last lecture with the
# installed style; the client waits, reads the status and releases it.
#   usage: publish_by_activation.sh LECTURE_DIR
set -eu
lec=$1
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/../support/wait_until.sh"
# gdbus NAME PATH METHOD ARGS...: a call of NAME.METHOD
gdbus_call() { n=$1 p=$2 m=$3; shift 3; gdbus call --session --timeout 300 --dest "$n" --object-path "$p" --method "$n.$m" "$@"; }
bus() { gdbus_call org.freedesktop.DBus /org/freedesktop/DBus "$@"; }
call() { gdbus_call org.pellucor.Pellucor /Pellucor "$@"; }
unowned() { [ "$(bus NameHasOwner org.pellucor.Pellucor)" = "(false,)" ]; }
unowned || fail "something serves org.pellucor.Pellucor before the first call"
case "$(bus ListActivatableNames)" in
  *"'org.pellucor.Pellucor'"*) ;;
  *) fail "the bus cannot start org.pellucor.Pellucor" ;;
esac
# However this ends, the started service does not outlive the test.
service=""
stop_service() {
  [ -n "$service" ] || return 0
  call Class_Terminate >/dev/null 2>&1 || true
  for _ in $(seq 50); do kill -0 "$service" 2>/dev/null && sleep 0.1; done
  kill -9 "$service" 2>/dev/null || true
}
trap stop_service EXIT
got=$(call Publish "''") || fail "the Publish call failed"
service=$(bus GetConnectionUnixProcessID org.pellucor.Pellucor | sed 's/.*uint32 \([0-9]*\).*/\1/')
[ "$got" = "(true, '')" ] || fail "Publish answered $got"
echo "ok: Publish started the service and answered $got"
call WaitUntilComplete >/dev/null || fail "WaitUntilComplete"
got=$(call GetStatus)
[ "$got" = "('Process:All Done',)" ] || fail "GetStatus answered $got"
for f in index.htm sld001.htm sld004.htm img001.gif player.js player-lecture.js; do
  [ -s "$lec/synccd/$f" ] || { ls -l "$lec/synccd" || true; fail "the published lecture lacks $f"; }
done
echo "ok: published $lec/synccd/index.htm with the installed style"
call Class_Terminate >/dev/null
service=""
wait_until 10 "the service still runs after Class_Terminate" unowned
echo "ok: the service ended"
