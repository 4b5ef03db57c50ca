#!/bin/sh
# Writes the decks and pictures the slide text tests share into DIR:
#   templates/NAME.odp  five LibreOffice Impress templates filled with known
#                       words, three slides each (text_decks.py)
#   Vivid.pptx          one of them as PowerPoint writes it
#   Vivid.pdf           and as a PDF with its text layer
#   scan.pdf            a PDF whose one page is a picture (no text layer)
#   drawn/              slides drawn as pictures, with their words in
#                       drawn/expected/ (text_decks.py)
set -eu
dir=${1:?usage: make-text-decks.sh DIR}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/fodp.sh"
templates=/usr/lib/libreoffice/share/template/common/presnt
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
dir=$(pwd)
python3 "$here/text_decks.py" templates "$dir/templates" 3 \
  "$templates/Beehive.otp" "$templates/Midnightblue.otp" "$templates/Vivid.otp" "$templates/Focus.otp" \
  "$templates/Freshes.otp"
python3 "$here/text_decks.py" drawn "$dir/drawn" "$templates"
rm -f "$dir/drawn/photo.jpg"
fodp_convert "$dir/profile" pptx "$dir/templates/Vivid.odp" "$dir"
fodp_convert "$dir/profile" pdf "$dir/templates/Vivid.odp" "$dir"
ffmpeg -hide_banner -loglevel error -nostdin -y -i "$dir/drawn/img001.webp" "$dir/scan.png"
fodp_page "<draw:frame svg:x=\"0cm\" svg:y=\"0cm\" svg:width=\"28cm\" svg:height=\"15.75cm\"><draw:image xlink:href=\"file://$dir/scan.png\"/></draw:frame>" |
  fodp_deck > "$dir/scan.fodp"
fodp_convert "$dir/profile" pdf "$dir/scan.fodp" "$dir"
rm -rf "$dir/profile" "$dir/scan.png" "$dir/scan.fodp"
