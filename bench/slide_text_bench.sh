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
#     2 or more), and a second run over the same slides, which reads none.
# BENCH_BUILD_DIR overrides the build directory (default: build-bench, a
# Release build).
set -eu
. "$(dirname "$0")/bench_lib.sh"
slides=${BENCH_SLIDES:-5}
templates=${BENCH_TEMPLATES:-/usr/lib/libreoffice/share/template/common/presnt}
bench_build pellucor
pellucor="$build/src/pellucor"
decks="$root/tests/import/text_decks.py"
score="$root/bench/slide_text/score.py"

python3 "$decks" templates "$work/decks" "$slides" "$templates"/*.otp
n=0
mkdir -p "$work/ocr1920" "$work/ocr640" "$work/truth"
for deck in "$work"/decks/*.odp; do
  name=$(basename "$deck" .odp)
  "$pellucor" import-slides "$deck" --out "$work/imported/$name" >/dev/null
  for f in "$work/imported/$name"/img*.gif; do
    n=$((n + 1))
    slide=img$(printf %04d $n)
    cp "$f" "$work/ocr1920/$slide.gif"
    cp "${f%.gif}.webp" "$work/ocr1920/$slide.webp"
    cp "$f" "$work/ocr640/$slide.gif"
    if [ -f "${f%.gif}.text" ]; then cp "${f%.gif}.text" "$work/truth/$slide.text"; fi
  done
done
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
