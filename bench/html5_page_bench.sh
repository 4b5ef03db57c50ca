#!/bin/sh
# The html5 style's pages of the 500-slide, 3-part bench lecture (a sharp
# copy beside every slide, as the slide import writes them):
# - how soon its 500-slide part page is interactive in Chromium and in
#   Firefox ESR, opened from disk: from the start of the navigation until
#   the player is ready and has answered the Right arrow by showing the
#   next slide. Target: within 1 s in both.
# - Lighthouse 12.2 against Debian's Chromium on the contents page, a part
#   page and a slide page, served on 127.0.0.1 with byte ranges and
#   compression. Target: at least 98 in each of performance,
#   accessibility, best practices and SEO.
# puppeteer-core comes from the lock file of the style's browser tests,
# Lighthouse from bench/lighthouse (npm ci into the scratch directory).
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build); BENCH_RUNS the number of page loads; BENCH_ONLY=lighthouse
# runs only the Lighthouse part, BENCH_LIGHTHOUSE_RUNS times (default 1: on
# a busy machine its figures vary from run to run).
set -eu
. "$(dirname "$0")/bench_lib.sh"
runs=${BENCH_RUNS:-9}
# A minute of recording per part: the first slides of each part (20 s
# apiece) can be reached.
bench_lecture_with_recordings 60
media="$work/lecture/media"
# A picture per slide and its sharp copy, as a slide import leaves them.
ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "testsrc=size=640x480:rate=1:duration=1" \
  -frames:v 1 "$work/slide.gif"
ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "testsrc=size=1920x1440:rate=1:duration=1" \
  -frames:v 1 -c:v libwebp -lossless 1 "$work/slide.webp"
i=1
while [ "$i" -le 500 ]; do
  n=$(printf '%03d' "$i")
  cp "$work/slide.gif" "$media/img$n.gif"
  cp "$work/slide.webp" "$media/img$n.webp"
  i=$((i + 1))
done
"$build/src/pellucor" publish "$media" --name talk --style "$root/styles/html5/" --disk "$work/out" --quiet >/dev/null

for deps in "$root/tests/style_html5" "$root/bench/lighthouse"; do
  mkdir -p "$work/npm/$(basename "$deps")"
  cp "$deps/package.json" "$deps/package-lock.json" "$work/npm/$(basename "$deps")/"
  (cd "$work/npm/$(basename "$deps")" &&
    PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --prefer-offline --loglevel=error >/dev/null)
done

echo "part page: $(wc -c < "$work/out/part2.htm") bytes, $(grep -c 'data-slide=' "$work/out/part2.htm") slide entries"
exec 9>"$lock"
flock 9
if [ "${BENCH_ONLY:-}" != lighthouse ]; then
  for browser in chromium firefox; do
    PELLUCOR_NODE_MODULES="$work/npm/style_html5/node_modules" \
      node "$root/bench/html5_page_bench.js" "$browser" "$work/out/part2.htm" "$runs"
  done
fi
echo "load: $(uptime)"
i=0
while [ "$i" -lt "${BENCH_LIGHTHOUSE_RUNS:-1}" ]; do
  node "$root/bench/html5_lighthouse.js" "$work/npm/lighthouse/node_modules/.bin/lighthouse" "$work/out" 98 \
    index.htm part2.htm sld002.htm
  i=$((i + 1))
done
flock -u 9
