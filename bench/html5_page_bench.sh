#!/bin/sh
# Times how soon the html5 style's part page of the 500-slide, 3-part bench
# lecture is interactive in Chromium, opened from disk: from the start of
# the navigation until the player is ready and has answered the Right arrow
# by showing the next slide. Target: within 1 s. Playwright comes from the
# lock file of the style's browser tests (npm ci into the scratch
# directory). BENCH_BUILD_DIR overrides the build directory (default:
# build-bench, a Release build); BENCH_RUNS the number of page loads.
set -eu
. "$(dirname "$0")/bench_lib.sh"
runs=${BENCH_RUNS:-9}
# A minute of recording per part: the first slides of each part (20 s
# apiece) can be reached.
bench_lecture_with_recordings 60
media="$work/lecture/media"
# A picture per slide, as a slide import leaves them.
ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "testsrc=size=640x480:rate=1:duration=1" \
  -frames:v 1 "$work/slide.gif"
i=1
while [ "$i" -le 500 ]; do
  cp "$work/slide.gif" "$media/img$(printf '%03d' "$i").gif"
  i=$((i + 1))
done
"$build/src/pellucor" publish "$media" --name talk --style "$root/styles/html5/" --disk "$work/out" --quiet >/dev/null

mkdir "$work/npm"
cp "$root/tests/style_html5/package.json" "$root/tests/style_html5/package-lock.json" "$work/npm/"
(cd "$work/npm" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --prefer-offline --loglevel=error >/dev/null)

echo "part page: $(wc -c < "$work/out/part2.htm") bytes, $(grep -c 'data-slide=' "$work/out/part2.htm") slide entries"
exec 9>"$lock"
flock 9
PELLUCOR_NODE_MODULES="$work/npm/node_modules" node "$root/bench/html5_page_bench.js" "$work/out/part2.htm" "$runs"
flock -u 9
