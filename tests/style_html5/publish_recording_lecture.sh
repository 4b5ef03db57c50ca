#!/bin/sh
# Makes a lecture from a screen recording alone (pellucor
# slides-from-recording finds its slides, their titles and times) and
# publishes it for disk like the sample, for the browser tests of the html5
# style.
#   publish_recording_lecture.sh PELLUCOR GENERATOR DIR
# DIR/gen holds the recording, DIR/lec the lecture made, DIR/published the
# published pages, DIR/web the same published for the web (with adaptive
# streaming); DIR/cut and DIR/cut-web the lecture published with captions
# and a stretch cut from its recording (DIR/lec-cut).
set -eu
dir=$3
rm -rf "$dir"
mkdir -p "$dir"
sh "$2" screen "$dir/gen" screen.mp4 12 960x540 25 quick > "$dir/schedule.txt"
"$1" slides-from-recording "$dir/gen/screen.mp4" "$dir/lec" > "$dir/found.txt"
sh "$(dirname "$0")/publish_sample.sh" "$1" "$dir/lec" "$dir/published"
cp -r "$dir/lec" "$dir/lec-cut"
printf '# the break\n0:05.5 0:08.3\n' > "$dir/lec-cut/lec1.cuts"
printf 'WEBVTT\n\n00:00:02.000 --> 00:00:03.000\nbefore the cut\n\n00:00:05.000 --> 00:00:09.000\nacross the cut\n\n00:00:10.000 --> 00:00:11.000\nafter the cut\n' \
  > "$dir/lec-cut/lec1.vtt"
sh "$(dirname "$0")/publish_sample.sh" "$1" "$dir/lec-cut" "$dir/cut"
config=$(mktemp -d)
XDG_CONFIG_HOME="$config" "$1" publish "$dir/lec" --web "$dir/web" --url http://127.0.0.1/ --quiet
XDG_CONFIG_HOME="$config" "$1" publish "$dir/lec-cut" --web "$dir/cut-web" --url http://127.0.0.1/ --quiet
rm -rf "$config"
