#!/bin/sh
# Times a whole "pellucor publish" of a generated 500-slide, 3-part lecture
# (every slide page carries a table of contents of the whole lecture; each
# part has a real 10-second recording that the built-in events processing
# merges and converts) against cp -r of the published directory, and prints
# the ratio. Best of several runs each.
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build); BENCH_RUNS the number of runs.
set -eu
. "$(dirname "$0")/bench_lib.sh"
runs=${BENCH_RUNS:-3}
bench_lecture_with_recordings 10

exec 9>"$lock"
flock 9
pub_best=""
cp_best=""
i=0
while [ "$i" -lt "$runs" ]; do
  i=$((i + 1))
  s=$(now)
  "$build/src/pellucor" publish "$work/lecture/media" --name talk --style "$work/lecture/style" \
    --disk "$work/out$i" --quiet >/dev/null
  e=$(now)
  pub_best=$(best "$pub_best" "$(elapsed "$s" "$e")")
  sync
  s=$(now)
  cp -r "$work/out$i" "$work/copy$i"
  e=$(now)
  cp_best=$(best "$cp_best" "$(elapsed "$s" "$e")")
done
flock -u 9

files=$(find "$work/out1" -type f | wc -l)
size=$(du -sk "$work/out1" | cut -f1)
echo "output: $files files, ${size} KB"
echo "pellucor publish: ${pub_best} s (best of $runs; target: at most 1.05 s)"
echo "cp -r:            ${cp_best} s (best of $runs)"
awk -v a="$pub_best" -v b="$cp_best" 'BEGIN { printf "ratio: %.2f\n", a / b }'
