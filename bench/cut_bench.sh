#!/bin/sh
# Cuts applied to a lecture's recording by the publish, against the ffmpeg
# command line re-encoding the same cuts, printed as figures (not a
# pass/fail test): a lecture of BENCH_MINUTES (default 60) recorded as
# 1280x720 H.264 at 30 frames a second with AAC sound (bench_lib.sh) is
# published for disk with a cut list that trims both ends and removes two
# stretches, every cut between two key frames.
#   speed: times real time of the publish with the cuts (target 30 or
#     more), beside the publish without them (the copy passed on whole);
#   the command line: trim and concat filters, libx264 superfast CRF 23
#     and AAC, the way the cuts are made without a cutting tool.
# The recording is kept in BENCH_CACHE (default build-bench/hls-cache).
set -eu
. "$(dirname "$0")/bench_lib.sh"
minutes=${BENCH_MINUTES:-60}
cache=${BENCH_CACHE:-$build/hls-cache}
bench_build pellucor
export XDG_CONFIG_HOME="$work/config"
recording=$(bench_camera_lecture "$minutes" "$cache")
seconds=$((minutes * 60))

lecture="$work/lecture"
mkdir -p "$lecture"
ln -s "$recording" "$lecture/talk1.mp4"
ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "color=c=0xf4f4ee:s=640x480" -frames:v 1 \
  "$lecture/img001.gif"
printf 'u 00:00:00 %02d:%02d:00 URL\\sld001.htm\r\n' $((minutes / 60)) $((minutes % 60)) > "$lecture/talk1.txt"
# The set-up, two breaks and the chatter after, at fractions of a second.
awk -v s="$seconds" 'BEGIN {
  printf "0 %.2f\n%.2f %.2f\n%.2f %.2f\n%.2f %d\n", s * 0.033 + 0.37, s * 0.3 + 0.71, s * 0.38 + 0.13,
    s * 0.65 + 1.49, s * 0.7 + 0.9, s * 0.97 + 0.55, s }' > "$work/cuts.txt"

publish() {  # OUT: prints "SECONDS PEAK_KB"
  flock "$lock" /usr/bin/time -f "%e %M" -o "$work/time.txt" "$build/src/pellucor" publish "$lecture" \
    --disk "$1" --quiet > "$work/out.txt" 2>&1 || { cat "$work/out.txt"; exit 1; }
  cat "$work/time.txt"
}
set -- $(publish "$work/whole")
whole=$1
cp "$work/cuts.txt" "$lecture/talk1.cuts"
set -- $(publish "$work/cut")
cut=$1 peak=$2
kept=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/cut/lecture1.mp4" 2>/dev/null \
  || ffprobe -v error -show_entries format=duration -of csv=p=0 "$(ls "$work/cut/"*.mp4 | head -n 1)")

# The same cuts by the command line: what is kept, joined and encoded.
filter=$(awk -v s="$seconds" '
  { from[NR] = $1; to[NR] = $2 } END {
    at = 0; n = 0
    for (i = 1; i <= NR; i++) { if (from[i] > at) { k[n, 0] = at; k[n, 1] = from[i]; n++ } at = to[i] }
    if (at < s) { k[n, 0] = at; k[n, 1] = s; n++ }
    for (i = 0; i < n; i++) {
      printf "[0:v]trim=%s:%s,setpts=PTS-STARTPTS[v%d];[0:a]atrim=%s:%s,asetpts=PTS-STARTPTS[a%d];", k[i, 0], k[i, 1], i, k[i, 0], k[i, 1], i
      joined = joined sprintf("[v%d][a%d]", i, i)
    }
    printf "%sconcat=n=%d:v=1:a=1[v][a]", joined, n
  }' "$work/cuts.txt")
start=$(now)
flock "$lock" ffmpeg -hide_banner -loglevel error -nostdin -y -i "$recording" -filter_complex "$filter" \
  -map "[v]" -map "[a]" -c:v libx264 -preset superfast -crf 23 -c:a aac -b:a 128k -movflags +faststart \
  "$work/cli.mp4"
theirs=$(elapsed "$start" "$(now)")

echo "Cuts (both ends trimmed, two stretches removed) of a $minutes-minute 1280x720 H.264 lecture:"
awk -v s="$seconds" -v c="$cut" -v w="$whole" -v t="$theirs" -v p="$peak" -v k="$kept" 'BEGIN {
  printf "  publish with the cuts     %7.1f s  %6.1f times real time (target 30 or more); %.0f s kept\n", c, s / c, k
  printf "  publish without them      %7.1f s  %6.1f times real time (the copy passed on whole)\n", w, s / w
  printf "  command line re-encoding  %7.1f s  %6.1f times real time\n", t, s / t
  printf "  peak memory with cuts     %7.0f MB\n", p / 1024
}'
