#!/bin/sh
# Builds the sample lecture "talk" in DEST: copies the slides, titles and
# events files and generates its media with the ffmpeg command-line tool.
#   part 1: talk1.rm  RealMedia, rv20 video 160x120 + ac3 audio, 6 s
#   part 2: talk2.rm  RealMedia, ac3 audio only, 4 s
#   part 3: talk3.mp4 H.264/AAC MP4 as a phone or screen recorder writes it,
#                     320x240, 6 s, with captions beside it (talk3.srt)
#   talk1.mp4         the same recording as part 1, as H.264/AAC MP4
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dest=${1:?usage: make-sample.sh DEST}
mkdir -p "$dest"
cp "$here"/talk/* "$dest"/
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
ff -f lavfi -i "testsrc=size=160x120:rate=15:duration=6" \
   -f lavfi -i "sine=frequency=440:duration=6" \
   -c:v rv20 -b:v 100k -c:a ac3 -b:a 64k -ar 44100 "$dest/talk1.rm"
ff -f lavfi -i "sine=frequency=660:duration=4" \
   -c:a ac3 -b:a 64k -ar 44100 -f rm "$dest/talk2.rm"
ff -f lavfi -i "testsrc=size=160x120:rate=15:duration=6" \
   -f lavfi -i "sine=frequency=440:duration=6" \
   -c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 64k "$dest/talk1.mp4"
ff -f lavfi -i "testsrc2=size=320x240:rate=25:duration=6" \
   -f lavfi -i "sine=frequency=550:duration=6" \
   -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 64k -ar 44100 -movflags +faststart \
   "$dest/talk3.mp4"
echo "sample lecture written to $dest"
