#!/bin/sh
# The adaptive streaming (HLS) of a web publication against the ffmpeg
# command line writing the same ladder, run one after the other on this
# machine, printed as figures (not a pass/fail test): a lecture of
# BENCH_MINUTES (default 60) recorded as 1280x720 H.264 at 30 frames a
# second with AAC sound (slides changing every 30 s, a pointer moving over
# them, keyframes every 2 s as screen recorders write them) is published
# for the web with and without --hls; the difference is the time HLS took.
#   speed: times real time (target 10 or more);
#   against the command line (the copy's packets as the top quality, 540p
#     and 360p from one decode, scaled by area averaging and encoded with
#     libx264 superfast CRF 23 without adaptive quantisation, capped as
#     ours,
#     keyframes at the top's, fMP4 segments of 4 s): ours over its (target
#     1 at most);
#   peak memory of the publish with HLS (target under 500 MB).
# The recording is kept in BENCH_CACHE (default build-bench/hls-cache).
set -eu
. "$(dirname "$0")/bench_lib.sh"
minutes=${BENCH_MINUTES:-60}
cache=${BENCH_CACHE:-$build/hls-cache}
bench_build pellucor
export XDG_CONFIG_HOME="$work/config"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
seconds=$((minutes * 60))
recording=$(bench_camera_lecture "$minutes" "$cache")

lecture="$work/lecture"
mkdir -p "$lecture"
ln -s "$recording" "$lecture/talk1.mp4"
ff -f lavfi -i "color=c=0xf4f4ee:s=640x480" -frames:v 1 "$lecture/img001.gif"
printf 'u 00:00:00 %02d:%02d:00 URL\\sld001.htm\r\n' $((minutes / 60)) $((minutes % 60)) > "$lecture/talk1.txt"

publish() {  # OUT OPTION: prints "SECONDS PEAK_KB"
  flock "$lock" /usr/bin/time -f "%e %M" -o "$work/time.txt" "$build/src/pellucor" publish "$lecture" \
    --web "$1" --url http://127.0.0.1/ --quiet "$2" > "$work/out.txt" 2>&1 || { cat "$work/out.txt"; exit 1; }
  cat "$work/time.txt"
}
set -- $(publish "$work/plain" --no-hls)
plain=$1
set -- $(publish "$work/hls" --hls)
with=$1 peak=$2
ours=$(elapsed "$plain" "$with")

# The same ladder by the command line, from the same copy.
copy=$(ls "$work/hls/"*.mp4 | head -n 1)  # named for the lecture
keys="expr:gte(t,n_forced*4)"
mkdir -p "$work/cli"
start=$(now)
flock "$lock" ffmpeg -hide_banner -loglevel error -nostdin -y -i "$copy" \
  -filter_complex "[0:v]split=2[a][b];[a]scale=-2:540:flags=area[v540];[b]scale=-2:360:flags=area[v360]" \
  -map 0:v -c:v:0 copy \
  -map "[v540]" -c:v:1 libx264 -preset superfast -crf 23 -maxrate:v:1 1600k -bufsize:v:1 3200k \
  -map "[v360]" -c:v:2 libx264 -preset superfast -crf 23 -maxrate:v:2 800k -bufsize:v:2 1600k \
  -force_key_frames:v:1 "$keys" -force_key_frames:v:2 "$keys" -x264-params scenecut=0:aq-mode=0 \
  -map 0:a -c:a copy \
  -f hls -hls_time 4 -hls_playlist_type vod -hls_segment_type fmp4 \
  -var_stream_map "v:0,agroup:aud v:1,agroup:aud v:2,agroup:aud a:0,agroup:aud" \
  -master_pl_name master.m3u8 -hls_segment_filename "$work/cli/%v_%05d.m4s" "$work/cli/%v.m3u8"
theirs=$(elapsed "$start" "$(now)")

echo "HLS of a $minutes-minute 1280x720 H.264 lecture (3 qualities, sound, text tracks):"
awk -v s="$seconds" -v o="$ours" -v t="$theirs" -v p="$peak" 'BEGIN {
  printf "  ours          %7.1f s   %5.1f times real time (target 10 or more)\n", o, s / o
  printf "  command line  %7.1f s   ours / its: %.2f (target 1 at most)\n", t, o / t
  printf "  peak memory   %7.0f MB  (target under 500)\n", p / 1024
}'
