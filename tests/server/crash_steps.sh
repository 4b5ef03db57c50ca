#!/bin/sh
# SIGKILL at every step of taking and publishing a lecture (through the
# server's stop hook), then a restarted server: the lecture must be
# published exactly once, whole, and never be refused as "e-".
set -eu
. "$(dirname "$0")/server_lib.sh"

make_lecture "$orig/talk" 400
for step in claim copy verify move remove publish index finish; do
  fresh_tree
  drop talk course/
  rc=0
  PELLUCOR_SERVER_STOP_AT=$step server first --settle 0 --once || rc=$?
  [ "$rc" -eq 137 ] || fail "the server was not stopped at $step (exit $rc)"
  [ -z "$(find "$work/in" -name 'e-*')" ] || fail "refused after a stop at $step"
  server second --settle 0 --once || fail "the restarted server exited with $? after a stop at $step"
  check_published course/talk
  echo "killed at $step: finished once after the restart"
done
echo "ok"
