// The course page's search over a generated course in Chromium, opened
// from disk: the bytes a first query loads (every file the browser asks
// for, the page itself included) for a word of the slides and notes and
// then for a word only said in a caption, and how long a query takes from
// the keystroke to the hits shown once its chunks are loaded.
//   node course_bench.js COURSE_ROOT SLIDES CUES
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const { launch } = require("../tests/course/browser/browser");
const { ownWords } = require("../tests/course/browser/generate");

const [root, slides, cues] = [process.argv[2], Number(process.argv[3]), Number(process.argv[4])];

async function fresh(browser) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const files = new Set();
  page.on("request", (r) => { if (r.url().startsWith("file://")) files.add(decodeURIComponent(new URL(r.url()).pathname)); });
  await page.goto("file://" + path.join(root, "index.htm"));
  await page.waitForFunction(() => window.PellucorCourse);
  // The search index's files apart from the page, its script and style.
  const index = () => [...files].filter((f) => /course-index\/(?!course\.)/.test(f));
  const size = (list) => list.reduce((sum, f) => sum + fs.statSync(f).size, 0);
  const bytes = () => `${kb(size(index()))} of the index in ${index().length} files ` +
    `(page, script and style: ${kb(size([...files]) - size(index()))})`;
  return { context, page, bytes, files };
}

// Types text as a student would (the last keystroke's input event) and
// answers the time until its hits are shown, in ms, measured in the page.
async function query(page, text) {
  return page.evaluate((t) => new Promise((resolve) => {
    const input = document.getElementById("search");
    const began = performance.now();
    input.value = t;
    input.dispatchEvent(new Event("input"));
    const wait = () => ((window.PellucorCourse.lastQuery || {}).text === t
      ? resolve({ ms: performance.now() - began, hits: window.PellucorCourse.lastQuery.hits })
      : setTimeout(wait, 1));
    wait();
  }), text);
}

const kb = (n) => `${(n / 1024).toFixed(0)} KB`;

(async () => {
  const browser = await launch();
  try {
    const lectures = fs.readdirSync(root).filter((d) => d.startsWith("lecture-")).length;
    const own = ownWords(lectures >> 1, slides, cues);
    // A word of the slides and notes used widely enough to fill the first
    // page of hits: no caption chunk is needed.
    let s = await fresh(browser);
    const common = "kalo";
    let r = await query(s.page, common);
    console.log(`first query "${common}" (titles and notes, ${r.hits} hits): ${s.bytes()}`);
    await s.context.close();
    s = await fresh(browser);
    r = await query(s.page, own.note);
    console.log(`first query "${own.note}" (one lecture's note, captions searched too): ${s.bytes()}`);
    await s.context.close();
    s = await fresh(browser);
    r = await query(s.page, own.said);
    console.log(`first query "${own.said}" (said in one caption): ${s.bytes()}, ${r.hits} hit`);

    // Keystroke to hits shown, chunks loaded: each query typed once to load
    // its chunks, then timed.
    const typed = [common, own.note, own.said, "kal", "kalo rami", "miruba tedara", "zzyzx", "Sûkà"];
    const times = [];
    for (const t of typed) {
      await query(s.page, t);
      for (let i = 0; i < 5; i++) {
        times.push((await query(s.page, t)).ms);
      }
    }
    times.sort((a, b) => a - b);
    console.log(`query time, chunks loaded (${typed.length} queries x 5): median ${times[times.length >> 1].toFixed(1)} ms, ` +
      `worst ${times[times.length - 1].toFixed(1)} ms (target: 100 ms)`);
    await s.context.close();
  } finally {
    await browser.close();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
