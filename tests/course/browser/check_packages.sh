#!/bin/sh
# Packages a published lecture the three ways and checks each package: its
# manifest at the zip's root, valid against the IMS and ADL schemas
# (xmllint), listing every file of the package and nothing else, without
# the RealMedia originals no page loads or a link above the package; and the
# failures: no package of a folder that is not a publication, none inside
# the publication, an earlier package kept when a new one fails.
#   check_packages.sh PELLUCOR PUBLISHED_DIR SCHEMA_DIR OUT
# OUT receives lecture-scorm12.zip and lecture-scorm2004.zip for the
# stand-in platform test.
set -eu
pellucor=$1
published=$2
schemas=$3
out=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }

check() {  # KIND FILE SCHEMA
  "$pellucor" package "$published" "--$1" "$out/$2" >"$work/log" || fail "$1: $(cat "$work/log")"
  rm -rf "$work/x"
  python3 -m zipfile -e "$out/$2" "$work/x"
  [ -f "$work/x/imsmanifest.xml" ] || fail "$1: no imsmanifest.xml at the root"
  xmllint --noout --schema "$schemas/$3/package.xsd" "$work/x/imsmanifest.xml" ||
    fail "$1: the manifest does not match its schema"
  (cd "$work/x" && find . -type f ! -name imsmanifest.xml | sed 's|^\./||' | sort) >"$work/files"
  python3 - "$work/x/imsmanifest.xml" >"$work/listed" <<'PY'
import sys, urllib.parse, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
files = [urllib.parse.unquote(e.get("href")) for e in root.iter() if e.tag.endswith("}file")]
print("\n".join(sorted(files)))
PY
  diff "$work/files" "$work/listed" || fail "$1: the manifest does not list exactly the package's files"
  # The RealMedia originals, which no page loads, stay out; what the pages play is in.
  ! grep -Eq '\.(rm|ra|rat)$' "$work/files" || fail "$1: packs what no browser plays: $(grep -E '\.(rm|ra|rat)$' "$work/files" | tr '\n' ' ')"
  ls "$published" | grep -Eq '\.(rm|rat)$' || fail "the publication has no RealMedia original to leave out"
  grep -q '1\.mp4$' "$work/files" || fail "$1: the browser copy of part 1 is missing"
  # The lecture links back to its course page; the package, without it, does not.
  grep -q 'href="\.\./' "$published/part1.htm" || fail "the publication has no link to its course page"
  ! grep -rq 'href="\.\./' "$work/x" || fail "$1: links above the package: $(grep -rl 'href="\.\./' "$work/x" | tr '\n' ' ')"
  echo "$1: $(wc -l <"$work/files") files, manifest valid"
}
check scorm12 lecture-scorm12.zip scorm12
check scorm2004 lecture-scorm2004.zip scorm2004
check cc lecture.imscc cc11

# Failures: a clear message, a non-zero exit, nothing written.
cp "$out/lecture-scorm12.zip" "$work/kept.zip"
mkdir "$work/empty"
if "$pellucor" package "$work/empty" --scorm12 "$out/lecture-scorm12.zip" 2>"$work/err"; then
  fail "packaged a folder that is no publication"
fi
grep -q "is not a published lecture" "$work/err" || fail "unclear message: $(cat "$work/err")"
cmp -s "$out/lecture-scorm12.zip" "$work/kept.zip" || fail "an earlier package was not kept"
if "$pellucor" package "$published" --scorm12 "$published/inside.zip" 2>"$work/err"; then fail "packaged into the publication"; fi
[ ! -e "$published/inside.zip" ] || fail "a package was left inside the publication"
if "$pellucor" package "$published" --scorm12 --cc "$work/two.zip" 2>/dev/null; then fail "took two kinds"; fi
[ -z "$(find "$work" "$out" -name '.*pellucor-part')" ] || fail "a temporary file was left"
echo "packages: 3 passed, 0 failed"
