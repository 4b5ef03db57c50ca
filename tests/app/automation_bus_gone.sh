#!/bin/sh
# "pellucor automation" on a private session bus that goes away while
# nobody released the service: the service must end by itself (exit 1,
# saying why) instead of staying behind unreachable.
#   usage: automation_bus_gone.sh PELLUCOR
set -eu
pellucor=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/home"
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
# Inside the bus's life: start the service, see it answer, leave.
dbus-run-session -- sh -c '
  ( "$1" automation >"$2/service.log" 2>&1; echo $? >"$2/rc" ) &
  i=0
  until gdbus call --session --dest org.pellucor.Pellucor --object-path /Pellucor \
          --method org.pellucor.Pellucor.IsRunning >/dev/null 2>&1; do
    i=$((i + 1)); [ $i -lt 100 ] || exit 1; sleep 0.1
  done' sh "$pellucor" "$work" || { cat "$work/service.log"; echo "FAIL: the service did not answer"; exit 1; }
i=0
until [ -s "$work/rc" ]; do
  i=$((i + 1))
  [ $i -lt 100 ] || { cat "$work/service.log"; echo "FAIL: the service outlived its bus"; exit 1; }
  sleep 0.1
done
[ "$(cat "$work/rc")" = 1 ] || { echo "FAIL: exit code $(cat "$work/rc"), expected 1"; exit 1; }
grep -q "the session bus is gone" "$work/service.log" || { cat "$work/service.log"; echo "FAIL: no reason given"; exit 1; }
echo "ok: the service ended with its bus: $(tail -1 "$work/service.log")"
