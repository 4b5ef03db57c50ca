#!/bin/sh
# Runs a program on a virtual X display of the given size with a window
# manager (openbox), as a user's desktop would.
#   usage: under_wm.sh WIDTHxHEIGHT PROGRAM [ARG...]
size=$1
shift
exec xvfb-run -a -s "-screen 0 ${size}x24" sh -c '
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  "$@"
  rc=$?
  kill $wm
  exit $rc' under_wm "$@"
