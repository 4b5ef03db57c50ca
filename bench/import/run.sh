#!/bin/sh
# Slide import speed: "pellucor import-slides" on a generated deck against
# the plain pipeline it replaces, soffice --convert-to pdf followed by
# pdftoppm at the same size. Prints both times and their ratio (target:
# within 1.2x).
#
#   bench/import/run.sh [BUILD_DIR] [SLIDES] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
slides=${2:-30}
rounds=${3:-3}
photo=${4:-}
pellucor="$build/src/pellucor"
[ -x "$pellucor" ] || { echo "run.sh: build pellucor first ($pellucor)" >&2; exit 1; }
for tool in soffice pdftoppm; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is not installed (scripts/setup)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pellucor-bench-import.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# A deck of $slides slides: a title, three bullets and a coloured shape.
. "$here/../../tests/import/fodp.sh"
picture=""
if [ "$photo" = photo ]; then
  ffmpeg -loglevel error -f lavfi -i mandelbrot=s=800x600 -frames:v 1 "$work/picture.png"
  picture='<draw:frame svg:x="0cm" svg:y="0cm" svg:width="28cm" svg:height="15.75cm"><draw:image xlink:href="'"$work/picture.png"'"/></draw:frame>'
fi
i=1
while [ "$i" -le "$slides" ]; do
  fodp_page "$picture$(fodp_frame 1cm "Slide $i: measuring the import")$(fodp_frame 5cm "First point of slide $i" \
    'Second point, a little longer than the first' 'Third point')$(fodp_shape ellipse 18cm "$((2 + i % 5))cm")"
  i=$((i + 1))
done | fodp_deck > "$work/deck.fodp"
fodp_convert "$work/setup-profile" pptx "$work/deck.fodp" "$work" || exit 1

now() { date +%s.%N; }
elapsed() { awk "BEGIN { print $2 - $1 }"; }
less() { awk "BEGIN { exit !($1 < $2) }"; }

ours() {
  rm -rf "$work/ours"
  "$pellucor" import-slides "$work/deck.pptx" --out "$work/ours" --size 640x480 >/dev/null
}
plain() {
  rm -rf "$work/plain" "$work/plain-profile"
  mkdir -p "$work/plain"
  soffice "-env:UserInstallation=file://$work/plain-profile" --headless --convert-to pdf --outdir "$work/plain" \
    "$work/deck.pptx" >/dev/null 2>&1
  pdftoppm -scale-to-x 640 -scale-to-y 480 -png "$work/plain/deck.pdf" "$work/plain/img"
}

best_ours=""
best_plain=""
r=1
while [ "$r" -le "$rounds" ]; do
  t0=$(now); plain; t1=$(now); ours; t2=$(now)
  p=$(elapsed "$t0" "$t1"); o=$(elapsed "$t1" "$t2")
  printf 'round %s: plain %.2f s, pellucor %.2f s\n' "$r" "$p" "$o"
  if [ -z "$best_plain" ] || less "$p" "$best_plain"; then best_plain=$p; fi
  if [ -z "$best_ours" ] || less "$o" "$best_ours"; then best_ours=$o; fi
  r=$((r + 1))
done

made=$(ls "$work/ours" | grep -c '^img[0-9]*\.gif$' || true)
[ "$made" -eq "$slides" ] || { echo "run.sh: pellucor wrote $made of $slides slides" >&2; exit 1; }
ratio=$(awk "BEGIN { print $best_ours / $best_plain }")
printf 'slides: %s%s at 640x480, best of %s rounds\n' "$slides" "${photo:+ with pictures}" "$rounds"
printf 'soffice pdf + pdftoppm: %.2f s\n' "$best_plain"
printf 'pellucor import-slides: %.2f s\n' "$best_ours"
printf 'ratio: %.2f (target <= 1.20)\n' "$ratio"
