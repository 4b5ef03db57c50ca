#!/bin/sh
# "pellucor slides-from-recording" on generated lectures whose slides and
# times are known (samples/make-sync-lecture.sh: screen with a pointer,
# meeting layout at 75%, the same laid out anew halfway, a deck of builds and returns, video clips and
# notifications over a screen, two cameras pointed at a projected screen
# (camera, and hall: another make with a lecturer walking in front, a laser
# pointer and shake) and two meeting tools of other makes (strip: a person's
# camera on the left; gallery: camera tiles below the slide); BENCH_KINDS
# chooses some of them; 1280x720 30 fps H.264, a change every 3 to
# 5.5 s for BENCH_SECONDS, default 300), printed as figures beside FFmpeg's
# scene-change detection (select='gt(scene,0.3)', each cut a new slide) on
# the same files:
#   distinct slides: true slides, found, missed (target 0), duplicates
#     (target at most 5% of the slides found);
#   changes: the share found within 1 s (target 95% or more), their median
#     error (target 0.5 s at most; the events file holds whole seconds),
#     the share of the changes written that are not there (target 3% at
#     most);
#   read: the share of the slides' words of 4 letters or more that OCR
#     finds in their pictures (target 90% or more);
#   speed in times real time (target 30 or more for the screen recording)
#     and peak memory (target under 300 MB).
# The recordings are kept in BENCH_CACHE (default build-bench/slides-cache)
# and made again only when the generator changes. Runs hold the build lock.
set -eu
. "$(dirname "$0")/bench_lib.sh"
seconds=${BENCH_SECONDS:-300}
cache=${BENCH_CACHE:-$build/slides-cache}
bench_build pellucor
gen="$root/samples/make-sync-lecture.sh"
stamp=$(cksum < "$gen" | cut -d' ' -f1)
score="python3 $root/bench/slides_from_recording/score.py"

lecture() {  # KIND: the directory, made when missing
  dir="$cache/$1-$seconds-$stamp"
  if [ ! -f "$dir/truth.txt" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    sh "$gen" "$1" "$dir/gen" rec.mp4 "$seconds" 1280x720 30 quick > "$dir/truth.tmp"
    mv "$dir/truth.tmp" "$dir/truth.txt"
  fi
  echo "$dir"
}

timed() {  # COMMAND...: runs it under the lock, prints "SECONDS PEAK_KB"
  flock "$lock" /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > "$work/out.txt" 2>&1 \
    || cat "$work/out.txt" >&2
  cat "$work/time.txt"
}

row() {  # NAME RUN SCORE...
  name=$1 run=$2
  shift 2
  awk -v k="$name" -v t="${run% *}" -v kb="${run#* }" -v s="$seconds" -v ts="$1" -v fs="$2" -v mi="$3" -v du="$4" \
    -v n="$5" -v f="$6" -v m="$7" -v sp="$8" -v rd="${9:-}" 'BEGIN {
      w = f + sp
      printf "%-15s %6d %6d %6d %5.1f%% %8d %7.1f%% %7.2f s %6.1f%% %6s %7.0fx %7.0f\n", k, ts, fs, mi,
        fs ? 100 * du / fs : 0, n, n ? 100 * f / n : 0, m, w ? 100 * sp / w : 0, rd == "" ? "" : rd "%", s / t, kb / 1024 }'
}

echo "Slides from a recording, $seconds s per kind, 1280x720 30 fps H.264, a change every 3 to 5.5 s"
printf '%-15s %6s %6s %6s %6s %8s %8s %9s %7s %6s %8s %7s\n' kind slides found missed dupl changes "±1s" "median" spurious \
  read "x real" "peak MB"
for kind in ${BENCH_KINDS:-screen meeting moving deck clip camera hall strip gallery}; do
  dir=$(lecture "$kind")
  rm -rf "$work/lec"
  run=$(timed "$build/src/pellucor" slides-from-recording --link "$dir/gen/rec.mp4" "$work/lec")
  if [ ! -f "$work/lec/lec1.txt" ]; then  # refused
    echo "$kind: $(tail -1 "$work/out.txt")"
    continue
  fi
  row "$kind" "$run" $($score "$dir/truth.txt" "$work/lec/lec1.txt" "$dir/gen/slide-texts.txt")
  run=$(timed ffmpeg -hide_banner -nostdin -i "$dir/gen/rec.mp4" -an \
    -vf "select='gt(scene,0.3)',showinfo" -f null -)
  sed -n 's/.*showinfo.*pts_time:\([0-9.]*\).*/\1/p' "$work/out.txt" > "$work/cuts.txt"
  row "  ffmpeg scene" "$run" $($score "$dir/truth.txt" --cuts "$work/cuts.txt")
done
echo "Targets: 0 missed, duplicates <= 5%, >= 95% within 1 s, median <= 0.5 s, spurious <= 3%, read >= 90%,"
echo "  >= 30x real time for the screen recording, peak under 300 MB"
echo "Load average: $(cut -d' ' -f1-3 /proc/loadavg)"
