#!/bin/sh
# "pellucor export-video" against the ffmpeg command line doing the same
# composition with the same encoder settings (the looped slide pictures
# scaled, padded and switched at the events' times by a concat, stacked
# beside the speaker's video with hstack; H.264 veryfast CRF 23 without
# B-frames, keyframes at the slide changes, AAC 40 kbit/s 48 kHz mono,
# index at the front), run one after the other on this machine, printed
# as figures (not a pass/fail test), at 1280x720:
#  1. the sample lecture (16 s: RealMedia video, RealMedia sound only, MP4);
#  2. a 3-part lecture of BENCH_MINUTES (default 20) with a 640x360 H.264
#     speaker video per part and a slide change every 12 to 62 s
#     (samples/make-sync-lecture.sh, "meeting" recordings).
# For each, "slides" (the sound throughout) and "side" (the speaker beside
# the slide): times real time (targets 15 or more for slides, 4 for side),
# our wall time over the command line's (target 0.7 at most), and the
# size per hour (target 25 MB at most for slides). Best of BENCH_RUNS
# runs (default 1). The generated lecture is kept in BENCH_CACHE (default
# build-bench/video-cache) and made again only when its generator
# changes. BENCH_BUILD_DIR overrides the build directory (default:
# build-bench, a Release build).
set -eu
. "$(dirname "$0")/bench_lib.sh"
runs=${BENCH_RUNS:-1}
minutes=${BENCH_MINUTES:-20}
cache=${BENCH_CACHE:-$build/video-cache}
bench_build pellucor
export XDG_CONFIG_HOME="$work/config"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
gen="$root/samples/make-sync-lecture.sh"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

sh "$root/samples/make-sample.sh" "$work/sample" > /dev/null

# A slide picture as import writes it: the sharp copy (lossless WebP,
# 1280x960) and the GIF (640x480) drawn from it, flat colours, no dither.
bench_video_slide() {  # DIR NUMBER TITLE
  printf '%s' "$3" > "$1/.title"
  vf="drawbox=x=0:y=0:w=1280:h=184:color=0x1f3a68:t=fill"
  vf="$vf,drawtext=fontfile=$font:textfile=$1/.title:fontsize=80:fontcolor=white:x=80:y=52"
  for line in 1 2 3 4; do
    vf="$vf,drawbox=x=72:y=$((176 + 140 * line)):w=24:h=24:color=0x1f3a68:t=fill"
    vf="$vf,drawtext=fontfile=$font:text='Point $line of slide $2':fontsize=56:fontcolor=0x202020:x=120:y=$((160 + 140 * line))"
  done
  vf="$vf,drawbox=x=$((700 + 20 * ($2 % 7))):y=620:w=420:h=260:color=0x$((30 + $2 % 60))8040:t=fill"
  base=$(printf '%s/img%03d' "$1" "$2")
  ff -f lavfi -i "color=c=0xf4f4ee:s=1280x960" -vf "$vf" -frames:v 1 -c:v libwebp -lossless 1 "$base.webp"
  ff -i "$base.webp" -vf "scale=640:480,split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" "$base.gif"
  rm -f "$1/.title"
}

# The bench lecture "lec" in the cache: three parts, each recording made
# by the sync lecture generator in a folder of its own, the part's slides
# numbered on from the previous part's and its schedule written as the
# part's events file.
bench_video_lecture() {  # SECONDS_PER_PART
  dir="$cache/lecture-$1-$(cksum < "$gen" | cut -d' ' -f1)-2"
  if [ ! -f "$dir/done" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    first=0
    printf '# Titles of the generated bench lecture\r\n' > "$dir/titles.txt"
    for p in 1 2 3; do
      mkdir -p "$dir/part$p"
      sh "$gen" meeting "$dir/part$p" rec.mp4 "$1" 640x360 25 lecture > "$dir/part$p/schedule.txt"
      mv "$dir/part$p/rec.mp4" "$dir/lec$p.mp4"
      n=$(ls "$dir/part$p"/img*.gif | wc -l)
      i=1
      while [ "$i" -le "$n" ]; do
        bench_video_slide "$dir" $((first + i)) "$(sed -n "${i}s/^\"[^\"]*\" \"\(.*\)\"\r*$/\1/p" "$dir/part$p/titles.txt")"
        i=$((i + 1))
      done
      awk -v first="$first" -F'"' '/^"/ { printf "\"img%03d.gif\" \"%s\"\r\n", first + substr($2, 4, 3), $4 }' \
        "$dir/part$p/titles.txt" >> "$dir/titles.txt"
      awk -v first="$first" -v total="$1" '
        function hms(s) { s = int(s + 0.5); return sprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60) }
        { start[NR] = $1; slide[NR] = $2 }
        END {
          for (i = 1; i <= NR; i++)
            printf "u %s %s URL\\sld%03d.htm\r\n", hms(start[i]), hms(i < NR ? start[i + 1] : total), first + slide[i]
        }' "$dir/part$p/schedule.txt" > "$dir/lec$p.txt"
      first=$((first + n))
      rm -rf "$dir/part$p"
    done
    touch "$dir/done"
  fi
  echo "$dir"
}
lecture=$(bench_video_lecture $((minutes * 60 / 3)))

# Seconds a recording lasts, and whether it has a picture.
length_of() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
has_video() { [ -n "$(ffprobe -v error -select_streams v -show_entries stream=index -of csv=p=0 "$1")" ]; }

# The ffmpeg command line making the same video as "pellucor export-video
# DIR --layout LAYOUT" (the filter graph into a file beside OUT).
ffmpeg_command() {  # DIR LAYOUT OUT RECORDING...
  dir=$1 layout=$2 out=$3
  shift 3
  graph="$out.graph"
  : > "$graph"
  inputs=""
  n=0
  p=0
  offset=0
  keys=""
  joined=""
  for rec in "$@"; do
    p=$((p + 1))
    len=$(length_of "$dir/$rec")
    box=1280
    speaker=""
    if [ "$layout" = side ] && has_video "$dir/$rec"; then
      box=800
      speaker=$n
    fi
    inputs="$inputs -i $dir/$rec"
    sound=$n
    n=$((n + 1))
    # The part's slides: "START DURATION PICTURE" per line, within the
    # recording's length.
    awk -v len="$len" -v dir="$dir" '
      { split($2, a, ":"); s = a[1] * 3600 + a[2] * 60 + a[3]
        if (s < len - 0.0005) { start[++k] = s; pic[k] = sprintf("%s/img%s", dir, substr($4, 8, 3)) } }
      END { for (i = 1; i <= k; i++) printf "%s %s %s\n", start[i], (i < k ? start[i + 1] : len) - start[i], pic[i] }' \
      "$dir/${rec%.*}.txt" > "$out.slides"
    stills=""
    k=0
    while read -r start duration picture; do
      # The sharp copy where there is one, as the export takes it.
      if [ -f "$picture.webp" ]; then
        inputs="$inputs -f image2 -c:v webp -loop 1 -framerate 25 -t $duration -i $picture.webp"
      else
        inputs="$inputs -f image2 -c:v gif -loop 1 -framerate 25 -t $duration -i $picture.gif"
      fi
      printf '[%d:v]scale=%d:720:force_original_aspect_ratio=decrease:flags=lanczos,pad=%d:720:(ow-iw)/2:(oh-ih)/2,setsar=1,format=yuv420p[s%d_%d];\n' \
        "$n" "$box" "$box" "$p" "$k" >> "$graph"
      stills="$stills[s${p}_$k]"
      keys="$keys${keys:+,}$(awk -v a="$offset" -v b="$start" 'BEGIN { print a + b }')"
      n=$((n + 1))
      k=$((k + 1))
    done < "$out.slides"
    printf '%sconcat=n=%d:v=1:a=0[slides%d];\n' "$stills" "$k" "$p" >> "$graph"
    if [ -n "$speaker" ]; then
      printf '[%d:v]fps=25,scale=480:720:force_original_aspect_ratio=decrease,pad=480:720:(ow-iw)/2:(oh-ih)/2,setsar=1,format=yuv420p[speaker%d];\n' \
        "$speaker" "$p" >> "$graph"
      printf '[slides%d][speaker%d]hstack=shortest=1[v%d];\n' "$p" "$p" "$p" >> "$graph"
    else
      printf '[slides%d]null[v%d];\n' "$p" "$p" >> "$graph"
    fi
    printf '[%d:a]aresample=48000,aformat=sample_fmts=fltp:channel_layouts=stereo,atrim=duration=%s[a%d];\n' \
      "$sound" "$len" "$p" >> "$graph"
    joined="$joined[v$p][a$p]"
    offset=$(awk -v a="$offset" -v b="$len" 'BEGIN { print a + b }')
  done
  printf '%sconcat=n=%d:v=1:a=1[v][a]\n' "$joined" "$p" >> "$graph"
  echo "ffmpeg -hide_banner -loglevel error -nostdin -y $inputs -filter_complex_script $graph -map [v] -map [a]" \
    "-c:v libx264 -preset veryfast -crf 23 -bf 0 -g 250 -forced-idr 1 -force_key_frames $keys -r 25" \
    "-pix_fmt yuv420p -c:a aac -b:a 40k -ar 48000 -ac 1 -movflags +faststart $out"
}

# Best wall-clock time of a command line over the runs.
timed() {  # COMMAND-LINE
  t=""
  i=0
  while [ "$i" -lt "$runs" ]; do
    i=$((i + 1))
    /usr/bin/time -f "%e" -o "$work/time.txt" sh -c "$1" > "$work/run.txt" 2>&1 || { cat "$work/run.txt" >&2; exit 1; }
    t=$(best "$t" "$(cat "$work/time.txt")")
  done
  echo "$t"
}

# One line of figures: lecture, layout, its length, our time, the command
# line's, and the sizes.
compare() {  # NAME DIR LAYOUT RECORDING...
  name=$1 dir=$2 layout=$3
  shift 3
  len=0
  for rec in "$@"; do
    len=$(awk -v a="$len" -v b="$(length_of "$dir/$rec")" 'BEGIN { print a + b }')
  done
  ours=$(timed "'$build/src/pellucor' export-video '$dir' '$work/ours.mp4' --layout=$layout")
  theirs=$(timed "$(ffmpeg_command "$dir" "$layout" "$work/theirs.mp4" "$@")")
  awk -v n="$name" -v l="$layout" -v len="$len" -v a="$ours" -v b="$theirs" \
    -v sa="$(stat -c %s "$work/ours.mp4")" -v sb="$(stat -c %s "$work/theirs.mp4")" 'BEGIN {
      printf "%-8s %-6s %7.0f %8.2f %8.1f %8.2f %8.1f %7.2f %9.1f %9.1f\n", n, l, len, a, len / a, b, len / b, a / b,
        sa / 1e6 / (len / 3600), sb / 1e6 / (len / 3600) }'
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
exec 9>"$lock"
flock 9
echo "cores: $(nproc); load average before the runs: $load (other work on the machine slows every figure)"
echo "1280x720; targets: slides 15x real time or more, side 4x or more, ours / ffmpeg 0.7 at most," \
  "slides 25 MB per hour at most"
printf '%-8s %-6s %7s %8s %8s %8s %8s %7s %9s %9s\n' lecture layout "len s" "ours s" "x real" "ffmpeg s" "x real" \
  ratio "MB/h ours" "MB/h ff"
for layout in slides side; do
  compare sample "$work/sample" "$layout" talk1.rm talk2.rm talk3.mp4
  compare "${minutes}min" "$lecture" "$layout" lec1.mp4 lec2.mp4 lec3.mp4
done
flock -u 9
