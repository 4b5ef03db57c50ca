#!/bin/sh
# The course page over 1,000 generated lectures (30 slides with notes and
# 700 caption lines each, as tests/course/browser/generate.js writes
# them): the time `pellucor course` takes to build the index, and to add
# one more lecture; the index's total size and what that addition wrote;
# then in Chromium (course_bench.js) the bytes a first query loads (target:
# at most 300 KB for titles and notes), those of a caption query, and the
# query time once the chunks are loaded (target: 100 ms).
# puppeteer-core comes from the lock file of the course tests. BENCH_BUILD_DIR
# overrides the build directory (default: build-bench, a Release build);
# BENCH_LECTURES the number of lectures.
set -eu
. "$(dirname "$0")/bench_lib.sh"
lectures=${BENCH_LECTURES:-1000}
bench_build pellucor
mkdir -p "$work/npm"
cp "$root/tests/course/browser/package.json" "$root/tests/course/browser/package-lock.json" "$work/npm/"
(cd "$work/npm" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --prefer-offline --loglevel=error >/dev/null)

node "$root/tests/course/browser/generate.js" "$work/course" 1 "$lectures" 30 700
echo "$lectures lectures: $(du -sb "$work/course" | cut -f1) bytes of lecture records"
exec 9>"$lock"
flock 9
start=$(now)
"$build/src/pellucor" course "$work/course" --title Bench >/dev/null
echo "index build: $(elapsed "$start" "$(now)") s"
echo "index size: $(du -sb "$work/course/course-index" | cut -f1) bytes in $(ls "$work/course/course-index" | wc -l) files"
cp -a "$work/course/course-index" "$work/before"
node "$root/tests/course/browser/generate.js" "$work/course" $((lectures + 1)) 1 30 700
start=$(now)
"$build/src/pellucor" course "$work/course" >/dev/null
echo "one lecture added: $(elapsed "$start" "$(now)") s, $(cd "$work/course/course-index" && for f in *; do
  cmp -s "$f" "$work/before/$f" || wc -c <"$f"; done | awk '{ s += $1; n++ } END { print s " bytes in " n " files written" }')"
PELLUCOR_NODE_MODULES="$work/npm/node_modules" node "$root/bench/course_bench.js" "$work/course" 30 700
