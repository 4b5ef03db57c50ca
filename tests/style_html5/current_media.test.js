// Lectures recorded in today's formats, published and played in real time
// from disk in the browser the test runs for: the sample's MP4 part and an
// M4A audio-only lecture keep the slide in step with the events file
// (sampled every 80 ms, during playback and after seeks), the audio player
// shows its controls, the RealMedia parts play from their browser copy, and
// the captions written beside a recording are the media's captions track,
// show at their times from disk and from a web host, and make the part's
// transcript (which follows playback and jumps) and part of the search.
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const fs = require("node:fs");
const path = require("node:path");
const h = require("./harness");

const browser = h.browserPerFile();
const audioDir = process.env.PELLUCOR_HTML5_AUDIO;
const audioPages = "file://" + path.join(audioDir || "", "published") + "/";

// The captions the pages should offer: [start, end, text] per cue of the
// lecturer's file.
const sampleCaptions = [
  [0.3, 2.7, "This part was recorded as MP4 on a phone."],
  [3.2, 5.8, "Captions follow the lecturer's words."],
];
const audioCaptions = [
  [0.4, 1.8, "An audio lecture."],
  [2.3, 4.6, "Its captions."],
];

function tracks(page) {
  return page.evaluate(() => Array.from(document.getElementById("media").textTracks).map((t) => ({
    kind: t.kind,
    label: t.label,
    mode: t.mode,
    cues: Array.from(t.cues || []).map((c) => [c.startTime, c.endTime, c.getCueAsHTML().textContent]),
  })));
}

async function captionsLoaded(page) {
  await h.until(page, () => document.querySelectorAll("#transcript-lines button").length > 0, null, "captions loaded");
  return (await tracks(page)).filter((t) => t.kind === "captions");
}

// What is shown now, with the captions cue active at that time.
function stateWithCaption(page) {
  return Promise.all([h.state(page), page.evaluate(() => {
    const track = Array.from(document.getElementById("media").textTracks).find((t) => t.kind === "captions");
    return Array.from((track && track.activeCues) || []).map((c) => c.getCueAsHTML().textContent).join(" | ");
  })]).then(([s, caption]) => ({ ...s, caption }));
}

// The captions acceptable at time t (slack seconds around each cue edge).
function captionsAt(cues, t, slack) {
  const ok = new Set();
  let inside = false;
  for (const [start, end, text] of cues) {
    if (t >= start - slack && t < end + slack) {
      ok.add(text);
    }
    inside = inside || (t >= start + slack && t < end - slack);
  }
  if (!inside) {
    ok.add("");
  }
  return ok;
}

// Plays the part from its start to its end, sampling every 80 ms: the
// slide follows the events file, the caption shown is the one of that time
// and the transcript marks the line said last. With realTime, it took as
// long as the recording (sound alone plays at the rate of the machine's
// sound output, which a machine without one does not keep).
async function playInStep(page, list, cues, where, realTime) {
  await page.evaluate(() => { document.getElementById("play-on").checked = false; });
  await h.playKey(page);
  const started = Date.now();
  const seen = new Set();
  const captionsSeen = new Set();
  let samples = 0;
  let s = await stateWithCaption(page);
  while (!s.ended) {
    h.assertInStep(list, s, 0.3, where);
    assert.ok(captionsAt(cues, s.t, 0.3).has(s.caption), `${where}: at ${s.t.toFixed(3)} s the caption is "${s.caption}"`);
    const before = cues.filter((c) => c[0] <= s.t - 0.3).length;
    const lines = cues.filter((c) => c[0] <= s.t + 0.3).slice(Math.max(0, before - 1)).map((c) => c[2]);
    assert.ok(lines.some((c) => (s.line || "").includes(c)) || (!before && !s.line),
      `${where}: at ${s.t.toFixed(3)} s the transcript marks "${s.line}"`);
    captionsSeen.add(s.caption);
    seen.add(s.shown);
    samples++;
    assert.ok(Date.now() - started < 15000, `${where}: still playing after 15 s`);
    await h.sleep(80);
    s = await stateWithCaption(page);
  }
  const duration = list[list.length - 1].end;
  const wall = (Date.now() - started) / 1000;
  assert.ok(!realTime || Math.abs(wall - duration) < 2, `${where}: played ${duration} s in ${wall} s`);
  assert.ok(samples > 20, `${where}: sampled ${samples} times`);
  for (const [, , text] of cues) {
    assert.ok(captionsSeen.has(text), `${where}: the caption "${text}" was shown`);
  }
  assert.deepEqual([...seen].sort(), list.map((e) => e.slide).sort(), `${where}: every slide was shown`);
}

test("the MP4 part plays in step with its events file, shows its captions at their times, and its transcript follows and jumps", async () => {
  const list = h.events(3);
  const { context, page, problems } = await h.open(browser.browser, "part3.htm");
  const s0 = await h.state(page);
  assert.match(s0.src, /\/talk3\.mp4$/, "the part plays its browser copy");
  assert.equal(await page.$eval("#media", (m) => m.tagName), "VIDEO");
  assert.equal(s0.shown, list[0].slide);
  const captions = await captionsLoaded(page);
  assert.deepEqual(captions.map((t) => [t.label, t.mode]), [["Captions", "showing"]], "the captions are on");
  captions[0].cues.forEach((c, k) => {
    assert.ok(Math.abs(c[0] - sampleCaptions[k][0]) < 0.001 && Math.abs(c[1] - sampleCaptions[k][1]) < 0.001, `cue ${k}`);
    assert.equal(c[2], sampleCaptions[k][2]);
  });
  // The chapters are the slides, apart from the captions.
  const chapters = (await tracks(page)).filter((t) => t.kind === "chapters");
  assert.deepEqual(chapters.map((t) => t.cues.map((c) => c[2])), [["Recorded on a phone", "Captions for everyone"]]);
  assert.deepEqual(await page.$$eval("#transcript-lines button", (l) => l.map((b) => b.textContent)),
    ["0:00 This part was recorded as MP4 on a phone.", "0:03 Captions follow the lecturer's words."]);

  await playInStep(page, list, sampleCaptions, "part 3", true);
  await h.seeksInStep(page, list, "part 3");

  // A line of the transcript, clicked or chosen with the keys, plays from
  // where it is said.
  await page.click("#transcript-lines li:nth-child(2) button");
  await h.until(page, () => !document.getElementById("media").paused, null, "playing from the line");
  let s = await h.state(page);
  assert.ok(s.t >= 3.15 && s.t < 4.2 && s.shown === "6", `from the second line: ${JSON.stringify(s)}`);
  await page.keyboard.press("k");
  await page.keyboard.press("ArrowUp");
  assert.equal(await page.evaluate(() => document.activeElement.getAttribute("data-line")), "0");
  await page.keyboard.press("Enter");
  await h.until(page, () => document.getElementById("media").currentTime < 1.2 && !document.getElementById("media").paused,
    null, "playing from the first line");
  s = await h.state(page);
  assert.equal(s.shown, "5");
  assert.deepEqual(problems, [], "errors from file://");
  await context.close();
});

test("the RealMedia parts play from their browser copy and have no transcript", () => h.session(browser, "part1.htm", async ({ page }) => {
  for (const part of [1, 2]) {
    await h.visit(page, `part${part}.htm`);
    await h.until(page, () => document.getElementById("media").readyState >= 1, null, "metadata");
    const m = await page.$eval("#media", (e) => ({ src: e.currentSrc, duration: e.duration, error: e.error && e.error.code }));
    assert.equal(m.error, null, `part ${part}: ${JSON.stringify(m)}`);
    assert.match(m.src, new RegExp(`/talk${part}\\.(mp4|m4a|webm|mp3)$`));
    const list = h.events(part);
    assert.ok(Math.abs(m.duration - list[list.length - 1].end) < 0.5, `part ${part}: ${m.duration} s`);
    assert.deepEqual((await tracks(page)).filter((t) => t.kind === "captions"), [], `part ${part} has no captions`);
    assert.ok(!(await h.visible(page, "#transcript")), `part ${part}: no transcript`);
  }
}));

test("an M4A audio lecture plays in step with visible controls, its captions and transcript", async () => {
  const list = h.events(1, path.join(audioDir, "lec"), "lec");
  for (const viewport of [{ width: 1280, height: 800 }, { width: 375, height: 740 }]) {
    await h.session(browser, "part1.htm", { base: audioPages, viewport }, async ({ page }) => {
      const box = await (await page.$("#media")).boundingBox();
      assert.ok(box && box.height >= 30 && box.width >= 200, `player box at ${viewport.width} px: ${JSON.stringify(box)}`);
      const shows = await page.$eval("#media", (m) => m.tagName === "AUDIO" && m.controls &&
        getComputedStyle(m).visibility === "visible" && getComputedStyle(m).display !== "none");
      assert.ok(shows, "the audio player shows its controls");
    });
  }
  const { context, page, problems } = await h.open(browser.browser, "part1.htm", { base: audioPages });
  assert.match((await h.state(page)).src, /\/lec1\.m4a$/);
  const captions = await captionsLoaded(page);
  assert.deepEqual(captions.map((t) => t.cues.map((c) => c[2])), [audioCaptions.map((c) => c[2])]);
  await playInStep(page, list, audioCaptions, "M4A lecture", false);
  await h.seeksInStep(page, list, "M4A lecture");
  assert.deepEqual(problems, [], "errors from file://");
  await context.close();
});

test("from a web host the captions track loads the published captions file; turned off, they stay off", async () => {
  const web = await h.serve();
  try {
    const site = await h.open(browser.browser, "part3.htm", { base: web.base });
    const captions = await captionsLoaded(site.page);
    assert.equal(await site.page.$eval("#media track[kind='captions']", (t) => t.src), web.base + "captions3.vtt");
    assert.deepEqual(captions.map((t) => [t.mode, t.cues.map((c) => c[2])]), [["showing", sampleCaptions.map((c) => c[2])]]);
    // Turned off in the player, they stay off on the next visit (hidden:
    // the transcript keeps them).
    await site.page.evaluate(() => {
      Array.from(document.getElementById("media").textTracks).find((t) => t.kind === "captions").mode = "disabled";
    });
    await h.until(site.page, () => localStorage.getItem("pellucor.captions") === "off", null, "remembered off");
    await site.page.reload();
    await h.ready(site.page);
    assert.deepEqual((await captionsLoaded(site.page)).map((t) => t.mode), ["hidden"], "the captions stay off");
    assert.deepEqual(site.problems, [], "errors from the web host");
    await site.context.close();
  } finally {
    await web.close();
  }
  // The published file itself is the lecturer's captions as WebVTT.
  const vtt = fs.readFileSync(path.join(h.out, "captions3.vtt"), "utf8");
  assert.match(vtt, /^WEBVTT\r\n\r\n1\r\n00:00:00\.300 --> 00:00:02\.700\r\n/);
});

test("the search finds words said in any part's captions, with their time, and plays from there", () => h.session(browser, "part1.htm", async ({ page }) => {
  await h.fill(page, "#search", "lecturer's WORDS");
  await h.until(page, () => document.querySelectorAll("#results li[data-time]").length === 1, null, "a caption hit");
  const hit = await page.$eval("#results li[data-time]", (li) => ({ part: li.getAttribute("data-part"),
    text: li.textContent, mark: li.querySelector("mark").textContent }));
  assert.equal(hit.part, "3");
  assert.match(hit.text, /Part 3 at 0:03.*Captions follow the lecturer's words\./);
  assert.equal(hit.mark, "lecturer's");
  assert.equal(await h.text(page, "#search-count"), "0 slides and 1 caption found.");
  await page.keyboard.press("Enter");
  await h.until(page, () => document.body.getAttribute("data-part") === "3" &&
    !document.getElementById("media").paused, null, "playing in part 3");
  const s = await h.state(page);
  assert.ok(s.t >= 3.15 && s.t < 4.2 && s.shown === "6", JSON.stringify(s));
}));
