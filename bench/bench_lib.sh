# Shared by the bench scripts (sourced, not run): a Release build of the
# given targets in build-bench (or $BENCH_BUILD_DIR), a scratch directory,
# and timing helpers. Builds and timing hold the shared build lock.
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build-bench}
lock=/tmp/pellucor-build.lock

bench_build() {  # TARGET...
  if [ ! -f "$build/build.ninja" ]; then
    flock "$lock" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DPELLUCOR_TESTS=OFF -DPELLUCOR_BENCH=ON >/dev/null
  fi
  flock "$lock" cmake --build "$build" --target "$@" >/dev/null
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELLUCOR_STATE_DIR="$work/state"

now() { date +%s.%N; }
elapsed() { awk -v s="$1" -v e="$2" 'BEGIN { print e - s }'; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# The 500-slide, 3-part bench lecture in $work/lecture, each part with a
# real recording of the given length in seconds (RealMedia, ac3 audio).
bench_lecture_with_recordings() {  # SECONDS
  bench_build style_bench pellucor
  export XDG_CONFIG_HOME="$work/config"
  "$build/bench/style_bench" generate "$work/lecture"
  for p in 1 2 3; do
    rm -f "$work/lecture/media/talk$p.ra"
    ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "sine=frequency=$((300 + 100 * p)):duration=$1" \
      -c:a ac3 -b:a 64k -ar 44100 -f rm "$work/lecture/media/talk$p.rm"
  done
}

# A lecture of the given minutes recorded as 1280x720 H.264 at 30 frames a
# second with AAC sound (slides changing every 30 s, a pointer moving over
# them, keyframes every 2 s as screen recorders write them), made once and
# kept in the cache directory; prints its path.
bench_camera_lecture() {  # MINUTES CACHE
  font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  seconds=$(($1 * 60))
  recording="$2/lecture-$1.mp4"
  if [ ! -f "$recording" ]; then
    mkdir -p "$2"
    vf="drawbox=x=0:y=0:w=1280:h=120:color=0x1f3a68:t=fill"
    vf="$vf,drawtext=fontfile=$font:text='Slide %{eif\\:floor(t/30)+1\\:d}':fontsize=60:fontcolor=white:x=60:y=30"
    for line in 1 2 3 4 5; do
      vf="$vf,drawtext=fontfile=$font:text='Point $line of the slide, with a few words more':fontsize=36:fontcolor=0x202020:x=80:y=$((120 + 100 * line))"
    done
    vf="$vf,drawbox=x='640+400*sin(t/3)':y='400+200*cos(t/5)':w=18:h=18:color=red:t=fill"
    ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "color=c=0xf4f4ee:s=1280x720:r=30:d=$seconds" \
      -f lavfi -i "sine=frequency=220:duration=$seconds" \
      -vf "$vf" -c:v libx264 -preset superfast -crf 23 -g 60 -pix_fmt yuv420p -c:a aac -b:a 128k \
      -movflags +faststart "$recording.tmp.mp4"
    mv "$recording.tmp.mp4" "$recording"
  fi
  echo "$recording"
}
