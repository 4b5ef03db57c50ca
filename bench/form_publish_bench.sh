#!/bin/sh
# Publishes a lecture with one 10-minute 640x480 part through the detailed
# form's model on a running Qt event loop: prints the longest gap between
# the ticks of a 20 ms timer (target: 100 ms at most), how much of that gap
# the GUI thread ran, waited for a core or was blocked, the longest the GUI
# thread ever ran between two ticks (its own work, whatever the machine's
# load), and the time of the whole publish against the same run's ffmpeg
# transcode of the part with the browser copy's settings. The gap depends
# on what else the machine runs: the load average is printed before and
# after.
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build); BENCH_SECONDS the length of the part (default 600).
set -eu
. "$(dirname "$0")/bench_lib.sh"
seconds=${BENCH_SECONDS:-600}
bench_build form_publish_bench
export XDG_CONFIG_HOME="$work/config"
sh "$root/samples/make-long-lecture.sh" "$work/talk" "$seconds" 640x480 >/dev/null

exec 9>"$lock"
flock 9
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/form_publish_bench" "$work/talk" "$work/out" "$root/styles/html5" | tee "$work/bench.txt"
s=$(now)
# The browser copy's settings: H.264 (preset superfast, crf 23, 4:2:0, two
# threads) and AAC 128 kbit/s, index at the front.
/usr/bin/time -f "%U %S" -o "$work/ffcpu.txt" ffmpeg -hide_banner -loglevel error -nostdin -y -threads 2 \
  -i "$work/talk/talk1.rm" -c:v libx264 -preset superfast -crf 23 -pix_fmt yuv420p -threads 2 \
  -c:a aac -b:a 128k -movflags +faststart "$work/ffmpeg.mp4"
e=$(now)
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
flock -u 9
ff=$(elapsed "$s" "$e")
ffcpu=$(awk '{ print $1 + $2 }' "$work/ffcpu.txt")
pub=$(sed -n 's/^publish: \([0-9.]*\) s$/\1/p' "$work/bench.txt")
pubcpu=$(sed -n 's/^publish cpu: \([0-9.]*\) s$/\1/p' "$work/bench.txt")
echo "ffmpeg transcode: ${ff} s, cpu ${ffcpu} s"
awk -v a="$pub" -v b="$ff" -v c="$pubcpu" -v d="$ffcpu" \
  'BEGIN { printf "publish / ffmpeg: %.2f (wall clock), %.2f (cpu)\n", a / b, c / d }'
