#!/bin/sh
# Makes a 60-slide lecture in four parts of 15 slides (one second each,
# recorded as M4A), with a sharp copy of every slide (imgNNN.webp, as the
# slide import writes it), notes and captions for part 2, and publishes it
# for disk like the sample, for the browser tests of the html5 style.
#   publish_long_lecture.sh PELLUCOR DIR
# DIR/lec holds the lecture, DIR/published the published pages.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dir=$2
lecture=$dir/lec
rm -rf "$dir"
mkdir -p "$lecture"
cd "$lecture"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
ff -f lavfi -i "testsrc=size=640x480:rate=1" -frames:v 60 -f image2 img%03d.gif
ff -f lavfi -i "testsrc=size=1920x1440:rate=1" -frames:v 60 -c:v libwebp -compression_level 0 -f image2 img%03d.webp
{
  printf '# Title information\r\n'
  for i in $(seq 1 60); do printf '"img%03d.gif" "Topic %d of the long lecture"\r\n' "$i" "$i"; done
} > titles.txt
for p in 1 2 3 4; do
  ff -f lavfi -i "sine=frequency=$((300 + 50 * p)):duration=15" -c:a aac -b:a 48k "lec$p.m4a"
  for i in $(seq 0 14); do
    printf 'u 00:00:%02d 00:00:%02d URL\\sld%03d.htm\r\n' "$i" $((i + 1)) $(((p - 1) * 15 + i + 1))
  done > "lec$p.txt"
done
# Each slide's words as the lecturer gave them: the publish reads none by
# OCR, which would cost a minute of a busy machine's time.
for i in $(seq 1 60); do
  printf '# Pellucor slide text\n# source: lecturer\n# title: Topic %d of the long lecture\n\nTopic %d of the long lecture\n' \
    "$i" "$i" > "$(printf 'img%03d.text' "$i")"
done
# Slide 2's words run on from one line to the next.
printf '# Pellucor slide text\n# source: lecturer\n# title: Topic 2 of the long lecture\n\nTopic 2 of the long lecture\nUse it on the terms of\nthis License only.\n' \
  > img002.text
printf 'The first topic. More at www.example.org and in the handout.\r\n' > img001.not
printf 'Part two begins here.\r\n' > img016.not
printf 'WEBVTT\r\n\r\n00:00.500 --> 00:03.000\r\nThe second part begins.\r\n\r\n00:05.000 --> 00:09.000\r\nA word about timing & sharp slides.\r\n' > lec2.vtt
sh "$here/publish_sample.sh" "$1" "$lecture" "$dir/published"
