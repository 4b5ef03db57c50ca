#!/bin/sh
# Automatic captions, printed as figures (not a pass/fail test): "pellucor
# transcribe" on human read speech, the five LibriVox clips of Debian's
# pocketsphinx-testdata joined by 7 s silences into one part of about a
# minute (as a lecture's recording, Opus in Ogg):
#  - PocketSphinx: word error rate against the clips' reference text
#    (target at most 35%), speed as times faster than real time on every
#    core (target 3 or more) and the peak memory (target under 400 MB);
#  - whisper.cpp with the model file BENCH_WHISPER_MODEL names, else the
#    first ggml .bin of the models folder: the same figures (no model is
#    shipped: without one it says it skipped);
#  - doubtful words: of the words the engine got wrong, the share among the
#    least confident fifth of all words, as the captions' confidence notes
#    give them (target at least 70%), and what the caption editor's
#    threshold marks;
#  - caption timing: each cue of the captions written held against the
#    engine's own words (bench/speech/SpeechWords.cpp hears the part the
#    same way): the share of cues that start within 0.5 s of their first
#    word's start (target all of them) and the largest distance.
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build).
set -eu
. "$(dirname "$0")/bench_lib.sh"
clips=/usr/share/pocketsphinx/test/data/librivox
models=${XDG_DATA_HOME:-$HOME/.local/share}/pellucor/models
model=${BENCH_WHISPER_MODEL:-$(ls "$models"/*.bin 2>/dev/null | head -n 1 || true)}
bench_build pellucor speech_words
pellucor="$build/src/pellucor"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"

# The part: each clip followed by 7 s of silence, in the reference's order.
set --
graph=""
n=0
for clip in "$clips"/*.wav; do
  set -- "$@" -i "$clip"
  graph="$graph[$n][s$n]"
  n=$((n + 1))
done
mkdir -p "$work/talk"
ffmpeg -hide_banner -loglevel error -nostdin -y "$@" -f lavfi -t 7 -i anullsrc=r=16000:cl=mono \
  -filter_complex "[$n]asplit=$n[s0][s1][s2][s3][s4];${graph}concat=n=$((2 * n)):v=0:a=1" \
  -c:a libopus -b:a 48k "$work/talk/talk1.ogg"
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/talk/talk1.ogg")

run() {  # NAME OPTION... : transcribes the part again, prints its figures
  name=$1
  shift
  rm -f "$work/talk/talk1.vtt" "$work/talk/talk1.vtt.auto"
  # Timed inside the lock, so a wait for it is not counted.
  flock "$lock" /usr/bin/time -f "%e %M" -o "$work/rss" "$pellucor" transcribe "$work/talk" "$@" >"$work/out" 2>&1 ||
    { echo "  $name: failed: $(cat "$work/out")"; return 0; }
  wer=$(python3 "$root/bench/speech/wer.py" "$clips/transcription" "$work/talk/talk1.vtt")
  awk -v n="$name" -v w="$wer" -v l="$length" -v s="$(cut -d' ' -f1 "$work/rss")" -v m="$(cut -d' ' -f2 "$work/rss")" \
    'BEGIN { printf "  %-12s WER %5.1f%%   %4.1fx real time (%.1f s for %.1f s)   peak memory %d MB\n", n, w, l / s, s, l, m / 1024 }'
  python3 "$root/bench/speech/doubtful.py" "$clips/transcription" "$work/talk/talk1.vtt" | {
    read -r fifth best below found
    printf '  %-12s share of wrong words marked doubtful at 20%% marked: %s%% (at most %s%% possible)\n' "" "$fifth" "$best"
    printf '  %-12s the editor marks %s%% of the words as doubtful, finding %s%% of the wrong ones\n' "" "$below" "$found"
  }
  engine=${1#--engine=}
  shift
  flock "$lock" "$build/bench/speech_words" "$work/talk/talk1.ogg" "$engine" "$(echo "${1:-}" | sed "s/^--model=//")" >"$work/words" 2>"$work/words.err" ||
    { echo "  speech_words failed: $(cat "$work/words.err")"; return 0; }
  python3 "$root/bench/speech/cue_timing.py" "$work/talk/talk1.vtt" "$work/words" | {
    read -r cues share worst
    printf '  %-12s caption timing: %s%% of %s cues start within 0.5 s of their first word (worst %s s)\n' \
      "" "$share" "$cues" "$worst"
  }
}

echo "Automatic captions of $(printf %.0f "$length") s of read speech (LibriVox, $n clips) on $(nproc) cores"
echo "  targets: PocketSphinx WER <= 35%, >= 3x real time, memory < 400 MB; every cue within 0.5 s;"
echo "           at least 70% of the wrong words marked doubtful at 20% marked"
run pocketsphinx --engine=pocketsphinx
if [ -z "$model" ]; then
  echo "  whisper      skipped: no model (set BENCH_WHISPER_MODEL or put a ggml .bin in $models)"
else
  run "whisper ($(basename "$model"))" --engine=whisper --model="$model"
fi
