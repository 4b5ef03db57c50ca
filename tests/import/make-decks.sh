#!/bin/sh
# Writes the small presentations the slide import tests share into DIR:
# deck.fodp (3 slides: a title, a title with double quotes above a body
# text, a rectangle without text) converted by LibreOffice to deck.pptx and
# deck.ppt, and short.fodp (2 slides; the second one is hidden from the
# slide show and its first shape is an ellipse without text, with a text
# frame after it), and titled.pptx: the title slide of LibreOffice's
# template Focus saved by LibreOffice, its subtitle placeholder before its
# title placeholder.
set -eu
dir=${1:?usage: make-decks.sh DIR}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/fodp.sh"
mkdir -p "$dir"
cd "$dir"
dir=$(pwd)

{
  fodp_page "$(fodp_frame 2cm Introduction)"
  fodp_page "$(fodp_frame 2cm 'The &quot;quoted&quot; results')$(fodp_frame 6cm 'Body text')"
  fodp_page "$(fodp_shape rect 2cm 8cm)"
} | fodp_deck > deck.fodp

{
  fodp_page "$(fodp_frame 2cm 'Only one')"
  fodp_hidden_page "$(fodp_shape ellipse 2cm 8cm)$(fodp_frame 12cm 'Not the first shape')"
} | fodp_deck > short.fodp

python3 "$here/text_decks.py" titled "$dir/titled.odp" \
  /usr/lib/libreoffice/share/template/common/presnt/Focus.otp "Photosynthesis Basics" "A lecture by Dr Example"

for format in pptx ppt; do
  fodp_convert "$dir/profile" "$format" "$dir/deck.fodp" "$dir"
done
fodp_convert "$dir/profile" pptx "$dir/titled.odp" "$dir"
rm -rf "$dir/profile"
