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
