#!/bin/sh
# Makes an audio-only lecture recorded as M4A (AAC), as a phone's voice
# recorder writes it, with WebVTT captions beside it in English and in
# German (lec1.de.vtt), and a second part spoken by espeak-ng without
# captions, audio descriptions made by "pellucor describe", and publishes
# it for disk like the sample with automatic captions, for the browser
# tests of the html5 style.
#   publish_audio_lecture.sh PELLUCOR SAMPLE_DIR DIR
# DIR/lec holds the lecture (lec1.m4a, lec1.txt, lec1.vtt, lec2.m4a,
# lec2.txt and the sample's first three slides), DIR/published the
# published pages.
set -eu
dir=$3
lecture=$dir/lec
rm -rf "$dir"
mkdir -p "$lecture"
cp "$2/img001.gif" "$2/img002.gif" "$2/img003.gif" "$2/titles.txt" "$lecture/"
ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "sine=frequency=330:duration=5" \
  -c:a aac -b:a 64k -ar 44100 -movflags +faststart "$lecture/lec1.m4a"
printf 'u 00:00:00 00:00:02 URL\\sld001.htm\r\nu 00:00:02 00:00:05 URL\\sld002.htm\r\n' > "$lecture/lec1.txt"
printf 'WEBVTT\r\n\r\n00:00.400 --> 00:01.800\r\nAn audio lecture.\r\n\r\n00:02.300 --> 00:04.600\r\nIts captions.\r\n' \
  > "$lecture/lec1.vtt"
printf 'WEBVTT\r\n\r\n00:00.400 --> 00:01.800\r\nEine Audiovorlesung.\r\n\r\n00:02.300 --> 00:04.600\r\nIhre Untertitel.\r\n' \
  > "$lecture/lec1.de.vtt"
# Two sentences a second apart: two cues.
espeak-ng -v en-us -s 140 -w "$dir/a.wav" "Welcome to the lecture."
espeak-ng -v en-us -s 140 -w "$dir/b.wav" "Today we talk about the sea."
ffmpeg -hide_banner -loglevel error -nostdin -y -i "$dir/a.wav" -i "$dir/b.wav" \
  -filter_complex "[0]apad=pad_dur=1[a];[a][1]concat=n=2:v=0:a=1,apad=whole_dur=6" \
  -c:a aac -b:a 64k -ar 44100 -movflags +faststart "$lecture/lec2.m4a"
rm "$dir/a.wav" "$dir/b.wav"
printf 'u 00:00:00 00:00:06 URL\\sld003.htm\r\n' > "$lecture/lec2.txt"
# Audio descriptions from the slides: part 1's pauses are too short for
# them (extended), part 2 has no captions yet (its slide is a pause).
"$1" describe "$lecture"
sh "$(dirname "$0")/publish_sample.sh" "$1" "$lecture" "$dir/published" --transcribe
