// The course page in real Chromium.
// - Three lectures published from the sample (make_course.sh), opened from
//   disk and over http: a word of a slide note, a word of a caption, words
//   on either side of a line break on a slide (never the two run together)
//   and an accented word typed without its accent each find their lecture,
//   part and time, and the hit's link plays there; the hits keep the
//   page's headings in order (axe); each lecture links back to the course.
// - Generated lectures added a few at a time, so that the index is made of
//   segments written at different times and merged: each lecture's own
//   words, from its notes and from its captions, find it and only it.
"use strict";
const assert = require("node:assert/strict");
const { test, before, after } = require("node:test");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const { launch, serve, required } = require("./browser");
const { generate, ownWords } = require("./generate");

const root = required("PELLUCOR_COURSE_ROOT");
const axe = fs.readFileSync(path.join(required("PELLUCOR_NODE_MODULES"), "axe-core", "axe.min.js"), "utf8");
let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

// Types text into the search box; the lectures found, each with its title,
// the link of its first hit and where that hit is.
async function search(page, typed) {
  await page.$eval("#search", (el) => { el.value = ""; });
  await page.type("#search", typed);
  await page.waitForFunction((t) => (window.PellucorCourse.lastQuery || {}).text === t, { timeout: 10000 }, typed);
  return page.$$eval(".hit-lecture", (groups) => groups.map((g) => ({
    title: g.querySelector("h3 a").textContent,
    first: g.querySelector("a.hit").href,
    where: g.querySelector(".where").textContent,
  })));
}

// typed, the one lecture it finds (null: all three, undefined: none), the
// part and second its first hit opens, where the words were found, and
// whether to follow the link.
const CASES = [
  ["refraction", "optics", 1, 2, "in the notes", true],
  ["REFRAC", "optics", 1, 2, "in the notes"],
  ["interference", "waves", 3, 3, "said", true],
  ["schrodinger", "quantum", 2, 0, "in the notes", true],
  ["Schrödinger's wave equation", "quantum", 2, 0, "in the notes"],
  ["phone", null],
  ["milliseconds", null, 1, 4, "on the slide"],
  ["terms of this license", "waves", 1, 2, "on the slide"],
  ["ofthis", undefined],
  ["zzyzx", undefined],
];

async function checkPublished(base) {
  const page = await browser.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(e.message));
  await page.goto(base + "index.htm");
  const titles = await page.$$eval("li.lecture a.title", (a) => a.map((x) => x.textContent));
  assert.deepEqual(titles, ["quantum", "waves", "optics"], "newest first");
  // Each lecture, published below the course page, links back to it.
  for (const name of titles) {
    for (const lecturePage of ["index.htm", "part1.htm"]) {
      await page.goto(`${base}${name}/${lecturePage}`);
      assert.equal(await page.$eval("header .course a", (a) => a.href), base + "index.htm", `${name}/${lecturePage}`);
    }
  }
  await Promise.all([page.waitForNavigation(), page.click("header .course a")]);
  assert.deepEqual(await page.$$eval("li.lecture a.title", (a) => a.map((x) => x.textContent)), titles);
  // The hits, headed by their lectures, keep the page's headings in order.
  await search(page, "phone");
  await page.evaluate(axe);
  assert.deepEqual(await page.evaluate(async () => (await window.axe.run(document, { runOnly: ["heading-order"] }))
    .violations.map((v) => v.nodes.map((n) => n.html))), []);
  for (const [typed, lecture, part, time, where, play] of CASES) {
    const groups = await search(page, typed);
    if (lecture == null) {
      assert.equal(groups.length, lecture === null ? 3 : 0, `${typed}: ${JSON.stringify(groups)}`);
      for (const g of where ? groups : []) {
        assert.ok(g.first.endsWith(`part${part}.htm#t=${time}`), `${typed}: ${g.first}`);
        assert.equal(g.where, where, typed);
      }
      continue;
    }
    assert.equal(groups.length, 1, `${typed} (${base}): ${JSON.stringify(groups)}`);
    assert.equal(groups[0].title, lecture, typed);
    assert.ok(groups[0].first.endsWith(`${lecture}/part${part}.htm#t=${time}`), `${typed}: ${groups[0].first}`);
    assert.equal(groups[0].where, where, typed);
    if (play) {
      await Promise.all([page.waitForNavigation(), page.click(".hit-lecture a.hit")]);
      await page.waitForFunction((t) => {
        const m = document.getElementById("media");
        return m && m.readyState >= 1 && Math.abs(m.currentTime - t) < 0.5;
      }, { timeout: 15000 }, time);
      assert.equal(await page.$eval("body", (b) => b.getAttribute("data-part")), String(part), typed);
      await page.goto(base + "index.htm");
    }
  }
  assert.deepEqual(errors, []);
  await page.close();
}

test("published lectures searched from disk", () => checkPublished("file://" + root + "/"));

test("published lectures searched over http", async () => {
  const host = await serve(root);
  await checkPublished(host.base).finally(() => host.close());
});

test("lectures added a few at a time: segments written apart and merged", async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "pellucor-course-"));
  const [slides, cues] = [6, 40];
  try {
    let n = 1;
    for (const count of [1, 1, 1, 1, 1, 1, 1, 1, 3, 2]) {
      generate(dir, n, count, slides, cues);
      n += count;
      execFileSync(required("PELLUCOR_EXE"), ["course", dir], { stdio: "pipe" });
    }
    const page = await browser.newPage();
    await page.goto("file://" + dir + "/index.htm");
    for (let k = 1; k < n; k++) {
      const own = ownWords(k, slides, cues);
      const name = `lecture-${String(k).padStart(4, "0")}`;
      for (const [typed, part, start] of [[own.note, own.slidePart, own.slideStart], [own.said, own.cuePart, own.cueStart]]) {
        const groups = await search(page, typed);
        assert.equal(groups.length, 1, `${typed}: ${JSON.stringify(groups)}`);
        assert.ok(groups[0].first.endsWith(`${name}/part${part}.htm#t=${start}`), `${typed}: ${groups[0].first}`);
      }
    }
    await page.close();
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
