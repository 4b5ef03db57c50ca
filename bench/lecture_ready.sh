#!/bin/sh
# How long after the lecture its publication is ready for students, printed
# as figures (not a pass/fail test), for the bundled sample lecture and for
# lectures of each length BENCH_MINUTES lists (default "10 60") recorded by
# a camera at the projected screen (1280x720 H.264 at 30
# frames a second, perspective, noise and drifting light over a deck of 30
# slides, each shown about two minutes, one shown again) with speech (the
# LibriVox clips of Debian's pocketsphinx-testdata, looped) is made once and
# kept in BENCH_CACHE (default build-bench/ready-cache). Then what a
# lecturer runs after the lecture: one web publish that finds the slide
# times from the recording (--sync-slides), takes the slide text from the
# deck, makes automatic captions and audio descriptions, and writes the HLS
# presentation. The deck's words are given beside its pictures as slide
# import writes them from a presentation; with BENCH_OCR=1 they are not,
# and the publish reads every slide by OCR instead.
#   when each stretch of it ended, and the whole (target: at most a sixth
#     of the recording, 10 minutes for the hour);
#   how busy both cores were (CPU time over twice the wall time);
#   peak memory;
#   how many of the slide changes the sync found within a second (the
#     figures mean little when it found them wrong);
#   how fast the machine was before and after each lecture: the seconds
#     one core takes to decode the same 20 s of the camera's picture (on a
#     shared host this moves by a quarter from hour to hour, and every
#     figure with it).
# Captions come from PocketSphinx, or from Whisper when a model is
# installed (BENCH_WHISPER_MODEL, else the first ggml .bin of the models
# folder); it says which.
set -eu
. "$(dirname "$0")/bench_lib.sh"
models=${XDG_DATA_HOME:-$HOME/.local/share}/pellucor/models
model=${BENCH_WHISPER_MODEL:-$(ls "$models"/*.bin 2>/dev/null | head -n 1 || true)}
bench_build pellucor
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
cache=${BENCH_CACHE:-$build/ready-cache}
pellucor="$build/src/pellucor"
if [ -n "$model" ]; then
  mkdir -p "$XDG_DATA_HOME/pellucor/models"
  ln -s "$model" "$XDG_DATA_HOME/pellucor/models/$(basename "$model")"
  engine="Whisper ($(basename "$model"))"
else
  engine="PocketSphinx"
fi

# make_camera_lecture MINUTES: the lecture of that length, made once into
# $cache/lecture-MINUTES.
make_camera_lecture() {
  minutes=$1
  seconds=$((minutes * 60))
  made="$cache/lecture-$minutes"
  [ -f "$made/done" ] && return 0
  rm -rf "$made"
  mkdir -p "$made"
  # The deck: the sync generator's slides (sound only, so no picture is
  # rendered; 40 s a slide makes 30 of them).
  sh "$root/samples/make-sync-lecture.sh" screen "$made/deck" deck.m4a 1200 1280x720 30 lecture > /dev/null
  rm -f "$made/deck/deck.m4a"
  # The schedule: slide n from (n-1)/30 of the lecture; slide 3 again for a
  # while in the middle of slide 17's time.
  awk -v s="$seconds" -v dir="$made/deck" 'BEGIN {
    d = s / 30
    for (n = 1; n <= 30; n++) {
      if (n == 17) {
        printf "file %s/img%03d.gif\nduration %.3f\n", dir, 17, d / 3
        printf "file %s/img%03d.gif\nduration %.3f\n", dir, 3, d / 3
        printf "file %s/img%03d.gif\nduration %.3f\n", dir, 17, d / 3
      } else {
        printf "file %s/img%03d.gif\nduration %.3f\n", dir, n, d
      }
    }
    printf "file %s/img%03d.gif\n", dir, 30
  }' > "$made/slides.txt"
  # The speech: each clip then 2 s of silence, looped for the whole lecture.
  set --
  graph=""
  n=0
  for clip in /usr/share/pocketsphinx/test/data/librivox/*.wav; do
    set -- "$@" -i "$clip"
    graph="$graph[$n]apad=pad_dur=2[s$n];"
    n=$((n + 1))
  done
  joined=""
  i=0
  while [ $i -lt $n ]; do joined="$joined[s$i]"; i=$((i + 1)); done
  ff "$@" -filter_complex "${graph}${joined}concat=n=$n:v=0:a=1" -ar 16000 -ac 1 "$made/speech.wav"
  # The camera: the slide projected a little off square, seen with noise
  # and light that drifts, at the steady 4 Mbit/s a lecture camera writes;
  # speech under it.
  ff -f concat -safe 0 -i "$made/slides.txt" -stream_loop -1 -i "$made/speech.wav" -filter_complex \
    "[0:v]fps=30,scale=960:720,pad=1280:720:160:0:color=0x303030,perspective=x0=60:y0=30:x1=1230:y1=0:x2=40:y2=700:x3=1260:y3=720:sense=destination,noise=alls=4:allf=t,eq=brightness='0.04*sin(t/7)',format=yuv420p[v]" \
    -map "[v]" -map 1:a -t "$seconds" -c:v libx264 -preset superfast -b:v 4M -maxrate 5M -bufsize 10M -g 60 \
    -c:a aac -b:a 96k \
    -movflags +faststart "$made/lecture1.mp4.part.mp4"
  mv "$made/lecture1.mp4.part.mp4" "$made/lecture1.mp4"
  touch "$made/done"
}

# The slide changes the generator scheduled for a lecture of SECONDS, as
# "SECOND SLIDE" lines.
schedule() {
  awk -v s="$1" 'BEGIN {
    d = s / 30
    for (n = 1; n <= 30; n++) {
      if (n == 17) { print (n - 1) * d, 17; print (n - 1) * d + d / 3, 3; print (n - 1) * d + 2 * d / 3, 17 }
      else print (n - 1) * d, n
    }
  }'
}

# sync_found EVENTS SECONDS: "F of N" changes of the schedule the events
# file holds within a second, and how many it holds that are not.
sync_found() {
  schedule "$2" > "$work/expected.txt"
  sed -n 's/^u \([0-9:]*\) [0-9:]* URL\\sld0*\([0-9]*\)\.htm.*/\1 \2/p' "$1" |
    awk -F'[: ]' '{ print $1 * 3600 + $2 * 60 + $3, $4 }' > "$work/found.txt"
  awk 'NR == FNR { t[NR] = $1; s[NR] = $2; n = NR; next }
       { hit = 0; for (i = 1; i <= n; i++) if (s[i] == $2 && $1 - t[i] <= 1 && t[i] - $1 <= 1) hit = 1
         found += hit; wrong += !hit }
       END { printf "%d of %d changes found within 1 s, %d wrong or spurious", found, n, wrong }' \
    "$work/expected.txt" "$work/found.txt"
}

# deck_text DECK LECTURE: each slide's words as slide import writes them
# from the presentation (imgNNN.text, its title and the lines under it).
deck_text() {
  for gif in "$2"/img*.gif; do
    name=$(basename "$gif")
    title=$(awk -F'"' -v n="$name" '$2 == n { print $4 }' "$1/titles.txt")
    words=$(awk -v n="$name" '$1 == n { sub(/^[^ ]+ /, ""); sub(/ +$/, ""); print }' "$1/slide-texts.txt")
    words=${words#"$title"}
    printf '# Pellucor slide text\r\n# source: deck\r\n# picture: %s\r\n# title: %s\r\n\r\n%s\r\n%s\r\n' \
      "$(sha256sum < "$gif" | cut -d' ' -f1)" "$title" "$title" "${words# }" > "${gif%.gif}.text"
  done
}

# machine_speed RECORDING: "N.NN s" one core takes to decode its first 20 s.
machine_speed() {
  /usr/bin/time -f "%U" -o "$work/speed.txt" ffmpeg -hide_banner -loglevel error -nostdin -threads 1 \
    -i "$1" -t 20 -an -f null - && printf '%.2f s' "$(cat "$work/speed.txt")"
}

# ready LECTURE SECONDS SYNC: the one publish a lecturer runs after the
# lecture, with its figures and when each of its stretches ended; SYNC:
# whether the slide times are found from the recording (--sync-slides).
ready() {
  set -- "$1" "$2" "$([ "$3" = yes ] && echo --sync-slides || true)"
  started=$(now)
  flock "$lock" /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$pellucor" publish "$1" \
    --web "$work/web-$(basename "$1")" --url http://127.0.0.1/ $3 --transcribe --describe --hls 2>&1 |
    while IFS= read -r line; do echo "$(now) $line"; done > "$work/out.txt" || { cat "$work/out.txt"; exit 1; }
  grep -q "Published for the web" "$work/out.txt" || { cat "$work/out.txt"; exit 1; }
  # The stretches, each ending where the next begins.
  awk -v t0="$started" '
    function mark(name, t) { if (!(name in seen)) { seen[name] = 1; order[++n] = name; at[name] = t - t0 } }
    / Preparing Media Files/ { mark("slide times, slide text and captions, side by side", $1) }
    / Writing adaptive streaming/ { mark("media and descriptions", $1) }
    / Converting the slides/ { mark("HLS", $1) }
    / Published for the web/ { mark("pages and the check", $1) }
    END { for (i = 1; i <= n; i++) printf "  %-52s until %7.1f s\n", order[i], at[order[i]] }
  ' "$work/out.txt"
  [ -z "$3" ] || echo "  $(sync_found "$1/lecture1.txt" "$2")"
  set -- "$1" "$2" $(cat "$work/time.txt")
  awk -v s="$2" -v w="$3" -v u="$4" -v k="$5" -v p="$6" 'BEGIN {
    printf "  %-52s %7.1f s  cores busy %3.0f%%  peak %5.0f MB\n", "the whole publish", w, 100 * (u + k) / (2 * w), p / 1024
    printf "  %.2f s of waiting per second of recording (target at most 0.17: 10 minutes for the hour)\n", w / s
  }'
}

echo "Captions by $engine."
sh "$root/samples/make-sample.sh" "$work/sample" > /dev/null
sample_seconds=$(for f in "$work/sample/"talk?.rm "$work/sample/"talk3.mp4; do
  ffprobe -v error -show_entries format=duration -of csv=p=0 "$f"; done | awk '{ s += $1 } END { printf "%d", s }')
echo "The sample lecture (three parts, $sample_seconds s; its slide times are the lecturer's):"
ready "$work/sample" "$sample_seconds" no
for minutes in ${BENCH_MINUTES:-10 60}; do
  make_camera_lecture "$minutes"
  lecture="$work/lecture-$minutes"
  mkdir -p "$lecture"
  cp "$cache/lecture-$minutes/deck/"img*.gif "$cache/lecture-$minutes/deck/titles.txt" "$lecture/"
  [ "${BENCH_OCR:-0}" = 1 ] || deck_text "$cache/lecture-$minutes/deck" "$lecture"
  ln -s "$cache/lecture-$minutes/lecture1.mp4" "$lecture/lecture1.mp4"
  echo "A $minutes-minute camera lecture (1280x720, 30 slides, speech):"
  before=$(machine_speed "$lecture/lecture1.mp4")
  ready "$lecture" $((minutes * 60)) yes
  echo "  machine speed: 20 s of the picture decoded on one core in $before before, $(machine_speed "$lecture/lecture1.mp4") after"
done
