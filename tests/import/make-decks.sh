#!/bin/sh
# Writes the small presentations the slide import tests share into DIR:
# deck.fodp (3 slides: a title, a title with double quotes above a body
# text, a rectangle without text) converted by LibreOffice to deck.pptx and
# deck.ppt, and short.fodp (2 slides; the second one's first shape is an
# ellipse without text, with a text frame after it).
set -eu
dir=${1:?usage: make-decks.sh DIR}
mkdir -p "$dir"
cd "$dir"

page() { printf '<draw:page>%s</draw:page>\n' "$1"; }
frame() {
  printf '<draw:frame svg:x="2cm" svg:y="%s" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame>' "$1" "$2"
}
deck() {
  cat <<'HEAD'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:body><office:presentation>
HEAD
  cat
  printf '</office:presentation></office:body></office:document>\n'
}

{
  page "$(frame 2cm Introduction)"
  page "$(frame 2cm 'The &quot;quoted&quot; results')$(frame 6cm 'Body text')"
  page '<draw:rect svg:x="2cm" svg:y="2cm" svg:width="8cm" svg:height="5cm"/>'
} | deck > deck.fodp

{
  page "$(frame 2cm 'Only one')"
  page '<draw:ellipse svg:x="2cm" svg:y="2cm" svg:width="8cm" svg:height="5cm"/>'"$(frame 8cm 'Not the first shape')"
} | deck > short.fodp

profile="$dir/profile"
for format in pptx ppt; do
  rm -f "deck.$format"
  soffice "-env:UserInstallation=file://$profile" --headless --norestore \
    --convert-to "$format" --outdir "$dir" "$dir/deck.fodp" >/dev/null 2>&1 || true
  [ -s "deck.$format" ] || { echo "make-decks.sh: soffice did not write deck.$format" >&2; exit 1; }
done
rm -rf "$profile"
