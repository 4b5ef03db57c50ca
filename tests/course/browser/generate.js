// Writes published lectures as the course page reads them (a manifest, a
// lecture record, small stand-in pages and a first slide), made up from a
// vocabulary of invented words used as often as words of a language are
// (a few very often, most rarely). Lecture n has two parts, dates a day
// apart, and two words of its own: "noteNq" in the notes of one slide and
// "saidNq" in one caption, so that a test knows where each must be found.
//   node generate.js ROOT FIRST COUNT [SLIDES] [CUES]
// writes ROOT/lecture-NNNN/ for n = FIRST .. FIRST+COUNT-1; SLIDES slides
// with notes (30) and CUES caption lines (700) per lecture.
"use strict";
const fs = require("node:fs");
const path = require("node:path");

// Where lecture n's own words are: its slide (1-based, part, start) and its
// caption cue (part, start in seconds).
function ownWords(n, slides, cues) {
  const [slide, perPart, cue, cuesPerPart] = [(n % slides) + 1, Math.ceil(slides / 2), (n * 7) % cues, Math.ceil(cues / 2)];
  return {
    note: `note${n}q`, slide, slidePart: slide <= perPart ? 1 : 2, slideStart: ((slide - 1) % perPart) * 20,
    said: `said${n}q`, cuePart: cue < cuesPerPart ? 1 : 2, cueStart: (cue % cuesPerPart) * 3,
  };
}

function generate(root, first, count, slides = 30, cues = 700) {
  let seed = 12345 + first;
  const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
  const syllables = "ka lo mi ne su ra te vo pi da ge ul ar en is om ba fi ru ze".split(" ");
  const vocabulary = [];
  for (let i = 0; vocabulary.length < 8000; i++) {
    let word = "";
    for (let k = i; word.length < 4 || k > 0; k = Math.floor(k / syllables.length)) {
      word += syllables[k % syllables.length];
    }
    vocabulary.push(word);
  }
  const words = (n) => Array.from({ length: n }, () => vocabulary[Math.floor(vocabulary.length * random() ** 3)]).join(" ");
  const [perPart, cuesPerPart] = [Math.ceil(slides / 2), Math.ceil(cues / 2)];
  for (let n = first; n < first + count; n++) {
    const own = ownWords(n, slides, cues);
    const name = `lecture-${String(n).padStart(4, "0")}`;
    const dir = path.join(root, name);
    fs.mkdirSync(dir, { recursive: true });
    const parts = [1, 2].map((p) => ({
      number: p, page: `part${p}.htm`, length: cuesPerPart * 3,
      captions: Array.from({ length: cuesPerPart }, (_, c) => {
        const at = (p - 1) * cuesPerPart + c;
        return [c * 3, words(8) + (own.cuePart === p && own.cueStart === c * 3 && at < cues ? ` ${own.said}` : "")];
      }),
    }));
    const record = {
      format: 1, title: `Lecture ${n} ${words(3)}`,
      recorded: new Date(Date.UTC(2020, 0, 1) + n * 86400000).toISOString().slice(0, 19),
      thumbnail: "img001.gif", parts,
      slides: Array.from({ length: slides }, (_, s) => ({
        number: s + 1, part: s < perPart ? 1 : 2, start: (s % perPart) * 20, title: words(4),
        notes: words(40) + (s + 1 === own.slide ? ` ${own.note}` : ""),
      })),
    };
    const files = { ".pellucor-lecture.json": JSON.stringify(record), "index.htm": name, "part1.htm": "1",
      "part2.htm": "2", "img001.gif": "GIF89a" };
    Object.entries(files).forEach(([file, text]) => fs.writeFileSync(path.join(dir, file), text));
    fs.writeFileSync(path.join(dir, ".pellucor-manifest"), Object.keys(files).sort().join("\n") + "\n");
  }
}

if (require.main === module) {
  const [root, first, count, slides, cues] = process.argv.slice(2);
  generate(root, Number(first), Number(count), Number(slides || 30), Number(cues || 700));
}

module.exports = { generate, ownWords };
