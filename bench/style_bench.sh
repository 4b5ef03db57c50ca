#!/bin/sh
# Times the style expansion of a 500-slide, 3-part lecture (every slide page
# carries a table of contents of the whole lecture) against cp -r of the
# pages it produced, and prints the ratio. Best of several runs each.
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build of the benchmark only); BENCH_RUNS the number of runs.
set -eu
. "$(dirname "$0")/bench_lib.sh"
runs=${BENCH_RUNS:-9}
bench_build style_bench
bench="$build/bench/style_bench"
"$bench" generate "$work/lecture"

# Hold the build lock while timing so that concurrent builds do not skew it.
exec 9>"$lock"
flock 9
style_best=""
cp_best=""
i=0
expand() {
  mkdir "$work/out$1"
  sync
  t=$("$bench" expand "$work/lecture" "$work/out$1" 2>/dev/null)
  style_best=$(best "$style_best" "$t")
}
copy() {
  sync
  s=$(now)
  cp -r "$work/out$1" "$work/copy$2"
  e=$(now)
  cp_best=$(best "$cp_best" "$(elapsed "$s" "$e")")
}
# Fresh directories every run and nothing deleted before the end; the order
# alternates because whichever side creates files first after a deletion
# elsewhere on the disk pays for the file system skipping freed inodes.
expand 0  # warm-up, and the output the even runs copy
style_best=""
while [ "$i" -lt "$runs" ]; do
  i=$((i + 1))
  if [ $((i % 2)) -eq 1 ]; then
    expand "$i"
    copy "$i" "$i"
  else
    copy 0 "$i"
    expand "$i"
  fi
done
flock -u 9

files=$(find "$work/out0" -type f | wc -l)
size=$(du -sk "$work/out0" | cut -f1)
echo "output: $files files, ${size} KB"
echo "style expansion: ${style_best} s (best of $runs)"
echo "cp -r:           ${cp_best} s (best of $runs)"
awk -v a="$style_best" -v b="$cp_best" 'BEGIN { printf "ratio: %.2f (target: at most 1.3)\n", a / b }'
