#!/bin/sh
# "pellucor sync-slides" on generated lectures whose slide times are known
# (samples/make-sync-lecture.sh), printed as figures (not a pass/fail test):
#  1. accuracy per kind of recording (screen, meeting, camera, deck, and
#     screen and camera again with a deck whose slides 6 and 7 differ in one
#     word only; H.264 1280x720, a change every 3 to 5.5 s for
#     BENCH_SECONDS, default 300):
#     the share of the slide changes found with the right slide within 1 s
#     of the true time (target 95% or more), the median error of those in
#     the events file written, whole seconds as it holds them (target 0.5 s
#     at most), the share of the changes written that were not there
#     (target 2% at most), the changes marked for review, and the speed;
#  2. speed: a 20-minute 1920x1080 30 fps H.264 screen recording (a change
#     every 12 to 62 s) synced in times real time (target 50 or more on two
#     cores) with the peak memory (target under 300 MB); BENCH_SPEED=no
#     leaves it out.
# The recordings take minutes to make: they are kept in BENCH_CACHE
# (default build-bench/sync-cache) and made again only when the generator
# changes. The syncs run under the shared build lock. BENCH_BUILD_DIR
# overrides the build directory (default: build-bench, a Release build).
set -eu
. "$(dirname "$0")/bench_lib.sh"
seconds=${BENCH_SECONDS:-300}
cache=${BENCH_CACHE:-$build/sync-cache}
bench_build pellucor
gen="$root/samples/make-sync-lecture.sh"
stamp=$(cksum < "$gen" | cut -d' ' -f1)

# A generated lecture in the cache: its directory, made when missing.
lecture() {  # NAME KIND SECONDS SIZE FPS PACE
  dir="$cache/$1-$stamp"
  if [ ! -f "$dir/truth.txt" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    sh "$gen" "$2" "$dir/lec" lec1.mp4 "$3" "$4" "$5" "$6" > "$dir/truth.tmp"
    mv "$dir/truth.tmp" "$dir/truth.txt"
  fi
  echo "$dir"
}

# Syncs a lecture under the lock: "SECONDS PEAK_KB".
timed_sync() {  # DIR
  rm -f "$1"/lec/lec1.txt*
  flock "$lock" /usr/bin/time -f "%e %M" -o "$work/time.txt" \
    "$build/src/pellucor" sync-slides "$1/lec" > "$work/sync.txt" 2>&1 || { cat "$work/sync.txt" >&2; exit 1; }
  cat "$work/time.txt"
}

# The events written against the truth: "CHANGES FOUND MEDIAN WRITTEN REVIEW".
score() {  # DIR
  awk '
    FNR == NR { if (FNR > 1) { tt[++nt] = $1; ts[nt] = $2 } next }
    /^# review/ { review++ }
    /^u / {
      split($2, a, ":")
      if (++lines > 1) { ft[++nf] = a[1] * 3600 + a[2] * 60 + a[3]; fs[nf] = substr($4, 8, 3) + 0 }
    }
    END {
      for (i = 1; i <= nt; i++) {
        best = 0
        for (j = 1; j <= nf; j++) {
          d = ft[j] - tt[i]; if (d < 0) d = -d
          if (!used[j] && fs[j] == ts[i] && d <= 1.0 && (!best || d < bd)) { best = j; bd = d }
        }
        if (best) { used[best] = 1; err[++ne] = bd }
      }
      for (i = 2; i <= ne; i++) for (j = i; j > 1 && err[j - 1] > err[j]; j--) { x = err[j]; err[j] = err[j - 1]; err[j - 1] = x }
      printf "%d %d %.2f %d %d\n", nt, ne, ne ? (ne % 2 ? err[(ne + 1) / 2] : (err[ne / 2] + err[ne / 2 + 1]) / 2) : 0, nf, review
    }' "$1/truth.txt" "$1/lec/lec1.txt"
}

echo "Slide sync accuracy, $seconds s per kind, 1280x720 H.264, a change every 3 to 5.5 s"
printf '%-11s %8s %10s %11s %9s %7s %8s %8s\n' kind changes "found ±1s" "median err" spurious review "x real" "peak MB"
for kind in screen meeting camera deck screen+word camera+word; do
  dir=$(lecture "$kind" "$kind" "$seconds" 1280x720 30 quick)
  run=$(timed_sync "$dir")
  set -- $(score "$dir")
  awk -v k="$kind" -v n="$1" -v f="$2" -v m="$3" -v w="$4" -v r="$5" -v t="${run% *}" -v kb="${run#* }" -v s="$seconds" \
    'BEGIN { printf "%-11s %8d %9.1f%% %9.2f s %8.1f%% %7d %7.0fx %8.0f\n", k, n, 100 * f / n, m, w ? 100 * (w - f) / w : 0, r, s / t, kb / 1024 }'
done

[ "${BENCH_SPEED:-yes}" = no ] && exit 0
echo
dir=$(lecture speed screen 1200 1920x1080 30 lecture)
load=$(cut -d' ' -f1-3 /proc/loadavg)
run=$(timed_sync "$dir")
set -- $(score "$dir")
awk -v n="$1" -v f="$2" -v m="$3" -v w="$4" -v t="${run% *}" -v kb="${run#* }" 'BEGIN {
  printf "Speed: a 20-minute 1920x1080 30 fps H.264 screen recording synced in %.1f s = %.0fx real time (target 50x),\n", t, 1200 / t
  printf "  peak memory %.0f MB (target under 300 MB); %d of %d changes found within 1 s, median error %.2f s, %d spurious\n",
    kb / 1024, f, n, m, w - f }'
echo "Load average before the speed run: $load"
