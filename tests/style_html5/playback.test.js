// The published sample lecture played in real time in Chromium, from disk:
// the slide shown follows the events file during playback and after seeks,
// the players are visible, nothing is logged as an error, and the chapters,
// speed, resume and deep links work. Over a local web host the style's
// chapters file loads as a track.
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const h = require("./harness");

const chromium = h.browserPerFile();

async function playToEnd(tab, list, where) {
  const duration = list[list.length - 1].end;
  const started = Date.now();
  let s = await h.state(tab);
  const seen = new Set();
  let samples = 0;
  while (!s.ended) {
    h.assertInStep(list, s, 0.3, where);
    seen.add(s.shown);
    samples++;
    assert.ok(Date.now() - started < (duration + 6) * 1000, `${where}: still playing after ${duration + 6} s`);
    await h.sleep(80);
    s = await h.state(tab);
  }
  h.assertInStep(list, s, 0.3, `${where} (ended)`);
  seen.add(s.shown);
  return { seen, samples, wall: (Date.now() - started) / 1000 };
}

test("each part plays in real time and shows the slide of the events file, also after seeks", async () => {
  for (const part of [1, 2]) {
    const list = h.events(part);
    const duration = list[list.length - 1].end;
    const { context, page, problems } = await h.open(chromium.browser, `part${part}.htm`);
    const where = `part ${part}`;

    // From the start the first slide is shown and marked.
    let s = await h.state(page);
    assert.equal(s.shown, list[0].slide, `${where}: first slide before playing`);
    h.assertInStep(list, s, 0, where);

    await page.keyboard.press("k");
    await page.waitForFunction(() => !document.getElementById("media").paused);
    const run = await playToEnd(page, list, where);
    assert.deepEqual([...run.seen].sort(), list.map((e) => e.slide).sort(), `${where}: every slide was shown`);
    assert.ok(run.samples > duration * 5, `${where}: sampled ${run.samples} times`);
    // Real time: the part took about as long as its recording.
    assert.ok(Math.abs(run.wall - duration) < 2, `${where}: played ${duration} s in ${run.wall} s`);

    // Seeks while paused: the middle and the very start of every slide.
    for (const e of list) {
      for (const t of [e.start, (e.start + e.end) / 2]) {
        await h.seek(page, t);
        s = await h.state(page);
        assert.ok(!s.ended || t >= duration, `${where}: seek to ${t}`);
        h.assertInStep(list, s, 0, `${where} after a seek to ${t}`);
        assert.equal(s.shown, e.slide, `${where}: seek to ${t}`);
      }
    }

    // Seeks while playing, each followed through the next slide change (or
    // the end).
    await page.evaluate(() => { document.getElementById("media").currentTime = 0; });
    await page.keyboard.press("k");
    await page.waitForFunction(() => !document.getElementById("media").paused);
    for (const e of list.slice().reverse()) {
      const from = Math.max(e.start, e.end - 0.8);
      // Sampled from the end of the seek on (the page follows it at once).
      await h.seek(page, from);
      for (let k = 0; k < 16; k++) {
        s = await h.state(page);
        h.assertInStep(list, s, 0.3, `${where} after a seek to ${from} while playing`);
        await h.sleep(80);
      }
      assert.ok(s.t > e.end || s.ended, `${where}: played on from ${from} to ${s.t}`);
      if (s.ended) {
        await page.keyboard.press("k");
        await page.waitForFunction(() => !document.getElementById("media").paused);
      }
    }

    assert.deepEqual(problems, [], `${where}: errors from file://`);
    await context.close();
  }
});

test("every player has a visible height, the audio-only part too", async () => {
  for (const viewport of [{ width: 1280, height: 800 }, { width: 375, height: 740 }]) {
    for (const part of [1, 2]) {
      const { context, page, problems } = await h.open(chromium.browser, `part${part}.htm`, { viewport });
      const box = await page.locator("#media").boundingBox();
      assert.ok(box && box.height >= 30 && box.width >= 200,
        `part ${part} at ${viewport.width} px: player box ${JSON.stringify(box)}`);
      const controls = await page.$eval("#media", (m) => m.controls && getComputedStyle(m).visibility === "visible");
      assert.ok(controls, `part ${part}: the player shows its controls`);
      assert.deepEqual(problems, []);
      await context.close();
    }
  }
});

test("the slide titles are the media element's chapters", async () => {
  const chapters = async (page) => page.evaluate(() => {
    const tracks = Array.from(document.getElementById("media").textTracks).filter((t) => t.kind === "chapters");
    return tracks.map((t) => Array.from(t.cues || []).map((c) => [c.startTime, c.endTime, c.getCueAsHTML().textContent]));
  });
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm");
  const expected = [[0, 2, "Welcome to the talk"], [2, 4, "Why \"timing\" matters"], [4, 6, "Results"]];
  assert.deepEqual(await chapters(page), [expected]);
  assert.deepEqual(problems, []);
  await context.close();

  // Where tracks can load, the chapters file written by the style is used.
  const web = await h.serve();
  try {
    const site = await h.open(chromium.browser, "part1.htm", { base: web.base });
    await site.page.waitForFunction(() => {
      const track = document.querySelector("#media track[kind='chapters']");
      return track && track.readyState === 2;
    });
    assert.deepEqual(await chapters(site.page), [expected]);
    assert.deepEqual(site.problems, [], "errors from the web host");
    await site.context.close();
  } finally {
    await web.close();
  }
});

test("the speed is set on the page and remembered across parts and visits", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm");
  await page.selectOption("#speed", "1.5");
  assert.equal((await h.state(page)).rate, 1.5);
  const other = await h.open(chromium.browser, "part2.htm", { context });
  assert.equal((await h.state(other.page)).rate, 1.5, "the next part plays at the same speed");
  assert.equal(await other.page.$eval("#speed", (s) => s.value), "1.5");
  await other.page.keyboard.press(">");
  assert.equal((await h.state(other.page)).rate, 1.75);
  await other.page.keyboard.press(">");
  await other.page.keyboard.press(">");
  assert.equal((await h.state(other.page)).rate, 2, "2x is the fastest");
  for (let i = 0; i < 6; i++) {
    await other.page.keyboard.press("<");
  }
  assert.equal((await h.state(other.page)).rate, 0.75, "0.75x is the slowest");
  await other.page.reload();
  await h.ready(other.page);
  assert.equal((await h.state(other.page)).rate, 0.75, "a later visit keeps the speed");
  // It plays at that speed in real time: 1.5 s of recording in 2 s.
  await other.page.keyboard.press("k");
  await other.page.waitForFunction(() => document.getElementById("media").currentTime > 0);
  const t0 = (await h.state(other.page)).t;
  const wall0 = Date.now();
  await h.sleep(2000);
  const advanced = (await h.state(other.page)).t - t0;
  const wall = (Date.now() - wall0) / 1000;
  assert.ok(Math.abs(advanced / wall - 0.75) < 0.12, `played ${advanced} s in ${wall} s at 0.75x`);
  assert.deepEqual(problems.concat(other.problems), []);
  await context.close();
});

test("reopening a part offers to continue where the student stopped", async () => {
  const list = h.events(1);
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm");
  assert.ok(await page.locator("#resume").isHidden(), "nothing to continue on a first visit");
  await page.keyboard.press("k");
  await page.waitForFunction(() => document.getElementById("media").currentTime > 2.6);
  await page.keyboard.press("k");
  const stopped = (await h.state(page)).t;
  await page.reload();
  await h.ready(page);
  const offer = page.locator("#resume");
  assert.ok(await offer.isVisible(), "the page offers to continue");
  assert.match(await offer.textContent(), /0:02/);
  await page.click("#resume-go");
  await page.waitForFunction(() => !document.getElementById("media").paused);
  const s = await h.state(page);
  assert.ok(Math.abs(s.t - stopped) < 0.5, `continued at ${s.t}, stopped at ${stopped}`);
  h.assertInStep(list, s, 0.3, "after continuing");
  assert.ok(await offer.isHidden());
  // Played to its end, the part is not offered again.
  await page.evaluate(() => { document.getElementById("media").currentTime = 5.5; });
  await page.waitForFunction(() => document.getElementById("media").ended, null, { timeout: 8000 });
  await page.reload();
  await h.ready(page);
  assert.ok(await offer.isHidden(), "a part heard to its end starts afresh");
  assert.deepEqual(problems, []);
  await context.close();
});

test("deep links open the lecture at a time or a slide", async () => {
  const cases = [
    ["part1.htm#t=00:00:03", "part1.htm", 3, "2"],
    ["part1.htm#t=0h0m4s", "part1.htm", 4, "3"],
    ["part1.htm#t=2.5", "part1.htm", 2.5, "2"],
    ["part1.htm#t=1h2m3s", "part1.htm", 6, "3"],
    ["part1.htm#slide=3", "part1.htm", 4, "3"],
    ["part1.htm#slide=4", "part2.htm", 0, "4"],
    ["part2.htm#slide=2", "part1.htm", 2, "2"],
    ["index.htm#t=00:00:02", "part1.htm", 2, "2"],
    ["index.htm", "part1.htm", 0, "1"],
  ];
  const opened = await h.open(chromium.browser, "part1.htm");
  for (const [address, page, time, slide] of cases) {
    await opened.page.goto("about:blank");
    await h.visit(opened.page, address);
    await opened.page.waitForFunction((t) => {
      const media = document.getElementById("media");
      return media.readyState >= 1 && !media.seeking && Math.abs(media.currentTime - t) < 0.3;
    }, Math.min(time, 6), { timeout: 5000 }).catch(() => {});
    const s = await h.state(opened.page);
    assert.ok(s.url.includes(page), `${address} opened ${s.url}`);
    assert.ok(Math.abs(s.t - time) < 0.3, `${address}: at ${s.t} s, expected ${time}`);
    assert.equal(s.shown, slide, `${address}: slide`);
    assert.deepEqual(opened.problems, [], address);
  }
  await opened.context.close();
});
