# Shell helpers that write flat OpenDocument presentations (.fodp), for the
# slide import tests and bench. Source this file, then:
#   { fodp_page "$(fodp_frame 2cm Title)"; ... } | fodp_deck > deck.fodp
# Texts are XML: escape "&", "<" and double quotes yourself.

fodp_page() { printf '<draw:page>%s</draw:page>\n' "$1"; }
# A slide hidden from the slide show.
fodp_hidden_page() { printf '<draw:page draw:style-name="hidden">%s</draw:page>\n' "$1"; }

# fodp_frame Y TEXT...: a text frame at height Y with one paragraph per TEXT.
fodp_frame() {
  y=$1
  shift
  printf '<draw:frame svg:x="1cm" svg:y="%s" svg:width="22cm" svg:height="3cm"><draw:text-box>' "$y"
  for p in "$@"; do printf '<text:p>%s</text:p>' "$p"; done
  printf '</draw:text-box></draw:frame>'
}

# fodp_shape KIND X WIDTH: a text-less shape (rect, ellipse ...).
fodp_shape() {
  printf '<draw:%s svg:x="%s" svg:y="6cm" svg:width="%s" svg:height="5cm"/>' "$1" "$2" "$3"
}

# Wraps the pages read from standard input into a presentation document.
fodp_deck() {
  cat <<'HEAD'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:automatic-styles><style:style style:name="hidden" style:family="drawing-page">
<style:drawing-page-properties presentation:visibility="hidden"/></style:style></office:automatic-styles>
<office:body><office:presentation>
HEAD
  cat
  printf '</office:presentation></office:body></office:document>\n'
}

# fodp_convert PROFILE_DIR FORMAT FILE OUTDIR: converts with a private
# LibreOffice profile; fails unless the converted file was written.
fodp_convert() {
  out="$4/$(basename "${3%.*}").$2"
  rm -f "$out"
  soffice "-env:UserInstallation=file://$1" --headless --norestore \
    --convert-to "$2" --outdir "$4" "$3" >/dev/null 2>&1 || true
  [ -s "$out" ] || { echo "soffice did not write $out" >&2; return 1; }
}
