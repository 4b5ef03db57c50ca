#!/bin/sh
# Runs a program with a PulseAudio sound server of its own, as a desktop
# has: one null output ("speaker") and no microphone (tests load one with
# pactl). PULSE_SERVER leads the program, and pactl, to it.
#   usage: with_sound_server.sh PROGRAM [ARG...]
dir=$(mktemp -d)
trap 'kill $daemon 2>/dev/null; wait $daemon 2>/dev/null; rm -rf "$dir"' EXIT
HOME=$dir XDG_RUNTIME_DIR=$dir pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no -F /dev/null \
  --log-level=error \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
  --load="module-null-sink sink_name=speaker" &
daemon=$!
export PULSE_SERVER="unix:$dir/native"
until pactl info >/dev/null 2>&1; do
  kill -0 $daemon 2>/dev/null || { echo "the PulseAudio daemon did not start" >&2; exit 1; }
  sleep 0.1
done
"$@"
