#!/bin/sh
# "pellucor slide-text" (OCR with Tesseract) on slides nobody here wrote,
# printed as figures (not a pass/fail test):
#  1. accuracy on every Impress template LibreOffice ships, filled with
#     known words (tests/import/text_decks.py; BENCH_SLIDES per deck,
#     default 5) and imported with "pellucor import-slides" (which keeps
#     the presentation's own words as the truth), read from the sharp
#     1920-pixel copies and from the 640x480 GIFs alone: the character
#     error rate (targets 2% and 6% at most) and the share of the words of
#     four or more letters found (targets 98% and 93%); the same for the
#     slides drawn as pictures (dark theme, photograph, columns, table);
#  2. speed: slides read per second at 1920 pixels on every core (target
#     2 or more), and a second run over the same slides, which reads none;
#  3. slides as another program exports them: the templates whose small
#     words and light words on dark grounds read worst (BENCH_EXPORT_TEMPLATES,
#     BENCH_EXPORT_SLIDES slides each, default 6), drawn 1920 pixels wide,
#     scaled down smoothly to 640x480 GIFs of 256 colours and read from
#     those alone: the share of the words of four or more letters found
#     (target 93%), how many slides keep under 75% of theirs (target none),
#     the slide that keeps the fewest, and slides read per second.
# BENCH_PARTS chooses the parts: "templates" (1 and 2), "export" (3);
# both by default. BENCH_BUILD_DIR overrides the build directory
# (default: build-bench, a Release build).
set -eu
. "$(dirname "$0")/bench_lib.sh"
slides=${BENCH_SLIDES:-5}
templates=${BENCH_TEMPLATES:-/usr/lib/libreoffice/share/template/common/presnt}
parts=${BENCH_PARTS:-templates export}
export_templates=${BENCH_EXPORT_TEMPLATES:-Candy Freshes Grey_Elegant Lights}
export_slides=${BENCH_EXPORT_SLIDES:-6}
bench_build pellucor
pellucor="$build/src/pellucor"
decks="$root/tests/import/text_decks.py"
score="$root/bench/slide_text/score.py"

# Imports DECK_DIR's decks and numbers their slides from 1 into OUT
# (imgNNNN.gif, .webp) with their words in TRUTH.
import_decks() {  # DECK_DIR OUT TRUTH
  n=0
  mkdir -p "$2" "$3"
  for deck in "$1"/*.odp; do
    name=$(basename "$deck" .odp)
    "$pellucor" import-slides "$deck" --out "$work/imported/$name" >/dev/null
    for f in "$work/imported/$name"/img*.gif; do
      n=$((n + 1))
      slide=img$(printf %04d $n)
      cp "$f" "$2/$slide.gif"
      cp "${f%.gif}.webp" "$2/$slide.webp"
      if [ -f "${f%.gif}.text" ]; then cp "${f%.gif}.text" "$3/$slide.text"; fi
    done
    rm -rf "$work/imported/$name"
  done
}

if [ "${parts#*export}" != "$parts" ]; then
  set --
  for t in $export_templates; do set -- "$@" "$templates/$t.otp"; done
  python3 "$decks" templates "$work/export-decks" "$export_slides" "$@"
  import_decks "$work/export-decks" "$work/export1920" "$work/export-truth"
  mkdir -p "$work/export640"
  for f in "$work"/export1920/img*.webp; do
    ffmpeg -hide_banner -loglevel error -nostdin -y -i "$f" \
      -vf "scale=640:480:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse" \
      "$work/export640/$(basename "$f" .webp).gif"
  done
  count=$(ls "$work"/export640/img*.gif | wc -l)
  start=$(now)
  flock "$lock" "$pellucor" slide-text "$work/export640" >/dev/null
  end=$(now)
  echo "Slide text by OCR of another program's 640x480 GIFs: $export_templates, $export_slides slides each"
  printf '  '
  python3 "$score" "$work/export640" "$work/export-truth"
  awk -v n="$count" -v s="$(elapsed "$start" "$end")" \
    'BEGIN { printf "  speed at 640 px on %d cores: %.2f slides/s (%d slides in %.1f s)\n", '"$(nproc)"', n / s, n, s }'
fi
[ "${parts#*templates}" != "$parts" ] || exit 0

python3 "$decks" templates "$work/decks" "$slides" "$templates"/*.otp
import_decks "$work/decks" "$work/ocr1920" "$work/truth"
mkdir -p "$work/ocr640"
cp "$work"/ocr1920/img*.gif "$work/ocr640/"
python3 "$decks" drawn "$work/drawn" "$templates"
for size in 1920 640; do
  mkdir -p "$work/drawn$size"
  cp "$work"/drawn/img*.gif "$work/drawn$size/"
  [ "$size" = 1920 ] && cp "$work"/drawn/img*.webp "$work/drawn$size/"
done

echo "Slide text by OCR: $(ls "$work"/decks/*.odp | wc -l) LibreOffice templates, $slides slides each; Tesseract $(pkg-config --modversion tesseract)"
for size in 1920 640; do
  start=$(now)
  flock "$lock" "$pellucor" slide-text "$work/ocr$size" >/dev/null
  end=$(now)
  count=$(ls "$work/ocr$size"/img*.gif | wc -l)
  printf '  templates at %4s px: ' "$size"
  python3 "$score" "$work/ocr$size" "$work/truth"
  [ "$size" = 1920 ] && speed=$(awk -v n="$count" -v s="$(elapsed "$start" "$end")" 'BEGIN { printf "%.2f slides/s (%d slides in %.1f s)", n / s, n, s }')
  flock "$lock" "$pellucor" slide-text "$work/drawn$size" >/dev/null
  printf '  drawn slides at %4s px: ' "$size"
  python3 "$score" "$work/drawn$size" "$work/drawn/expected"
done
echo "  speed at 1920 px on $(nproc) cores: $speed"
start=$(now)
again=$("$pellucor" slide-text "$work/ocr1920" | tail -1)
end=$(now)
echo "  again over the same slides: $again ($(elapsed "$start" "$end") s)"
