#!/bin/sh
# Three small lectures made from the sample, each with words of its own
# (a note; a caption and a slide's words over two lines; an accented
# note) and recorded on a day of its own, published for disk into
# ROOT/NAME/ and listed by the course page ROOT/index.htm.
#   make_course.sh PELLUCOR SAMPLE_DIR ROOT
set -eu
pellucor=$1
sample=$2
root=$3
work=$(mktemp -d)
config=$(mktemp -d)
trap 'rm -rf "$work" "$config"' EXIT
rm -rf "$root"
mkdir -p "$root"

# lecture NAME DAY: the sample renamed NAME, its recordings dated DAY.
lecture() {
  dir="$work/$1"
  mkdir -p "$dir"
  for f in "$sample"/*; do
    # Files only: the demo publishes the sample into a folder beside them.
    [ -f "$f" ] || continue
    cp "$f" "$dir/$(basename "$f" | sed "s/^talk\([0-9]\)/$1\1/")"
  done
  touch -d "$2" "$dir/$1"1.* "$dir/$1"2.* "$dir/$1"3.*
}

lecture optics 2024-01-10
printf '<P>Light bends by refraction at the surface of the prism.</P>\n' >"$work/optics/img002.not"

lecture waves 2024-02-10
cat >"$work/waves/waves3.srt" <<'SRT'
1
00:00:00,300 --> 00:00:02,700
This part was recorded on a phone.

2
00:00:03,200 --> 00:00:05,800
Two waves meet in interference on the screen.
SRT

# Slide 2's words, given by the lecturer, run on from one line to the next.
printf '# Pellucor slide text\n# source: lecturer\n# title: Why timing matters\n\nWhy timing matters\nUse it on the terms of\nthis License only.\n' \
  >"$work/waves/img002.text"

lecture quantum 2024-03-10
printf '<P>Schr\303\266dinger wrote down the wave equation.</P>\n' >"$work/quantum/img004.not"

# The course page comes first, as on a server that has published before:
# each lecture published below it links back to it.
"$pellucor" course "$root" --title "Physics"
for name in optics waves quantum; do
  XDG_CONFIG_HOME="$config" "$pellucor" publish "$work/$name" --disk "$root/$name" --quiet
done
"$pellucor" course "$root"
