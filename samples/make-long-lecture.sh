#!/bin/sh
# Builds a one-part lecture "talk" of a given length in DEST, for tests and
# benches that need media long enough to watch a publish progress: the
# sample's slides and titles, an events file spreading its four slides over
# the whole part, and talk1.rm (RealMedia, rv20 video + ac3 audio) made
# with the ffmpeg command-line tool.
#   make-long-lecture.sh DEST SECONDS [WIDTHxHEIGHT]   (default 640x480)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dest=${1:?usage: make-long-lecture.sh DEST SECONDS [SIZE]}
seconds=${2:?usage: make-long-lecture.sh DEST SECONDS [SIZE]}
size=${3:-640x480}
mkdir -p "$dest"
cp "$here"/talk/img*.gif "$here"/talk/titles.txt "$dest"/
hms() { printf '%02d:%02d:%02d' $(($1 / 3600)) $(($1 / 60 % 60)) $(($1 % 60)); }
: > "$dest/talk1.txt"
for n in 1 2 3 4; do
  printf 'u %s %s URL\\sld%03d.htm\r\n' "$(hms $((seconds * (n - 1) / 4)))" "$(hms $((seconds * n / 4)))" "$n" \
    >> "$dest/talk1.txt"
done
ffmpeg -hide_banner -loglevel error -nostdin -y \
  -f lavfi -i "testsrc=size=$size:rate=15:duration=$seconds" \
  -f lavfi -i "sine=frequency=440:duration=$seconds" \
  -c:v rv20 -b:v 300k -c:a ac3 -b:a 64k -ar 44100 -f rm "$dest/talk1.rm.part"
mv "$dest/talk1.rm.part" "$dest/talk1.rm"
echo "lecture of $seconds s at $size written to $dest"
