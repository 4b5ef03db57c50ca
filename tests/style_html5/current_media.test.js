// Lectures recorded in today's formats, published and played in real time
// in Chromium from disk: the sample's MP4 part and an M4A audio-only
// lecture keep the slide in step with the events file (sampled every
// 80 ms, during playback and after seeks), the audio player shows its
// controls, the RealMedia parts play from their browser copy, and the
// captions written beside a recording are the media's captions track and
// show at their times, from disk and from a web host.
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const fs = require("node:fs");
const path = require("node:path");
const h = require("./harness");

const chromium = h.browserPerFile();
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

function captionTracks(page) {
  return page.evaluate(() => Array.from(document.getElementById("media").textTracks).map((t) => ({
    kind: t.kind,
    label: t.label,
    mode: t.mode,
    cues: Array.from(t.cues || []).map((c) => [c.startTime, c.endTime, c.getCueAsHTML().textContent]),
  })));
}

async function waitForCaptions(page) {
  await page.waitForFunction(() => {
    const t = Array.from(document.getElementById("media").textTracks).find((x) => x.kind === "captions");
    return t && t.cues && t.cues.length > 0;
  }, null, { timeout: 5000 });
}

// What is shown now, with the captions cue text active at that time.
function stateWithCaption(page) {
  return page.evaluate(() => {
    const media = document.getElementById("media");
    const track = Array.from(media.textTracks).find((t) => t.kind === "captions");
    const active = track && track.activeCues ? Array.from(track.activeCues) : [];
    return {
      t: media.currentTime,
      ended: media.ended,
      shown: document.getElementById("slide").getAttribute("data-shown"),
      src: document.getElementById("slide").getAttribute("src"),
      contents: (document.querySelector("nav.toc li.current") || { getAttribute: () => null }).getAttribute("data-slide"),
      thumb: (() => {
        const a = document.querySelector("#thumbs a[aria-current='true']");
        return a && a.parentNode.getAttribute("data-slide");
      })(),
      caption: active.map((c) => c.getCueAsHTML().textContent).join(" | "),
    };
  });
}

// The captions acceptable at time t (slack seconds around each cue edge).
function captionsAt(cues, t, slack) {
  const ok = new Set();
  let inside = false;
  for (const [start, end, text] of cues) {
    if (t >= start - slack && t < end + slack) {
      ok.add(text);
    }
    if (t >= start + slack && t < end - slack) {
      inside = true;
    }
  }
  if (!inside) {
    ok.add("");
  }
  return ok;
}

// Plays the part from where it is to its end, sampling every 80 ms: the
// slide follows the events file and, when cues are given, the caption
// shown is the one of that time.
async function playInStep(page, list, cues, where) {
  const duration = list[list.length - 1].end;
  await page.keyboard.press("k");
  await page.waitForFunction(() => !document.getElementById("media").paused);
  const started = Date.now();
  const t0 = (await stateWithCaption(page)).t;
  const seen = new Set();
  const captionsSeen = new Set();
  let samples = 0;
  let s = await stateWithCaption(page);
  while (!s.ended) {
    h.assertInStep(list, s, 0.3, where);
    if (cues) {
      assert.ok(captionsAt(cues, s.t, 0.3).has(s.caption), `${where}: at ${s.t.toFixed(3)} s the caption is "${s.caption}"`);
      captionsSeen.add(s.caption);
    }
    seen.add(s.shown);
    samples++;
    assert.ok(Date.now() - started < (duration + 6) * 1000, `${where}: still playing after ${duration + 6} s`);
    await h.sleep(80);
    s = await stateWithCaption(page);
  }
  h.assertInStep(list, s, 0.3, `${where} (ended)`);
  seen.add(s.shown);
  const wall = (Date.now() - started) / 1000;
  assert.ok(Math.abs(wall - (duration - t0)) < 2, `${where}: played ${duration - t0} s in ${wall} s`);
  assert.ok(samples > (duration - t0) * 5, `${where}: sampled ${samples} times`);
  if (cues) {
    for (const [, , text] of cues) {
      assert.ok(captionsSeen.has(text), `${where}: the caption "${text}" was shown`);
    }
  }
  return seen;
}

// Seeks while paused to the start and the middle of every slide, then,
// playing, to shortly before each slide change and on through it.
async function seeksInStep(page, list, where) {
  for (const e of list) {
    for (const t of [e.start, (e.start + e.end) / 2]) {
      await h.seek(page, t);
      const s = await h.state(page);
      h.assertInStep(list, s, 0, `${where} after a seek to ${t}`);
      assert.equal(s.shown, e.slide, `${where}: seek to ${t}`);
    }
  }
  await page.keyboard.press("k");
  await page.waitForFunction(() => !document.getElementById("media").paused);
  for (const e of list.slice(0, -1)) {
    const from = e.end - 0.6;
    // Sampled from the end of the seek on (the page follows it at once).
    await h.seek(page, from);
    let s;
    for (let k = 0; k < 14; k++) {
      s = await h.state(page);
      h.assertInStep(list, s, 0.3, `${where} after a seek to ${from} while playing`);
      await h.sleep(80);
    }
    assert.ok(s.t > e.end, `${where}: played on from ${from} to ${s.t}`);
  }
  await page.keyboard.press("k");
}

test("the MP4 part plays in step with its events file and shows its captions at their times", async () => {
  const list = h.events(3);
  const { context, page, problems } = await h.open(chromium.browser, "part3.htm");
  const source = await page.$eval("#media", (m) => [m.tagName, m.currentSrc]);
  assert.equal(source[0], "VIDEO");
  assert.match(source[1], /\/talk3\.mp4$/, "the part plays its browser copy");
  assert.equal((await h.state(page)).shown, list[0].slide);

  await waitForCaptions(page);
  const tracks = await captionTracks(page);
  const captions = tracks.filter((t) => t.kind === "captions");
  assert.equal(captions.length, 1, JSON.stringify(tracks));
  assert.equal(captions[0].mode, "showing", "the captions are on");
  assert.equal(captions[0].label, "Captions");
  assert.deepEqual(captions[0].cues.map((c) => c[2]), sampleCaptions.map((c) => c[2]));
  captions[0].cues.forEach((c, k) => {
    assert.ok(Math.abs(c[0] - sampleCaptions[k][0]) < 0.001 && Math.abs(c[1] - sampleCaptions[k][1]) < 0.001, `cue ${k}`);
  });
  // The chapters are the slides, apart from the captions.
  const chapters = tracks.filter((t) => t.kind === "chapters");
  assert.deepEqual(chapters.map((t) => t.cues.map((c) => c[2])), [["Recorded on a phone", "Captions for everyone"]]);

  const seen = await playInStep(page, list, sampleCaptions, "part 3");
  assert.deepEqual([...seen].sort(), list.map((e) => e.slide).sort(), "part 3: every slide was shown");
  await seeksInStep(page, list, "part 3");
  assert.deepEqual(problems, [], "errors from file://");
  await context.close();
});

test("the RealMedia parts play from their browser copy", async () => {
  for (const part of [1, 2]) {
    const { context, page, problems } = await h.open(chromium.browser, `part${part}.htm`);
    await page.waitForFunction(() => document.getElementById("media").readyState >= 1);
    const m = await page.$eval("#media", (e) => ({ src: e.currentSrc, duration: e.duration, error: e.error && e.error.code }));
    assert.equal(m.error, null, `part ${part}: ${JSON.stringify(m)}`);
    assert.match(m.src, new RegExp(`/talk${part}\\.(mp4|m4a|webm|mp3)$`));
    const list = h.events(part);
    assert.ok(Math.abs(m.duration - list[list.length - 1].end) < 0.5, `part ${part}: ${m.duration} s`);
    const tracks = await captionTracks(page);
    assert.deepEqual(tracks.filter((t) => t.kind === "captions"), [], `part ${part} has no captions`);
    assert.deepEqual(problems, []);
    await context.close();
  }
});

test("an M4A audio lecture plays in step with visible controls and its captions", async () => {
  const list = h.events(1, path.join(audioDir, "lec"), "lec");
  for (const viewport of [{ width: 1280, height: 800 }, { width: 375, height: 740 }]) {
    const { context, page, problems } = await h.open(chromium.browser, "part1.htm", { base: audioPages, viewport });
    const box = await page.locator("#media").boundingBox();
    assert.ok(box && box.height >= 30 && box.width >= 200, `player box at ${viewport.width} px: ${JSON.stringify(box)}`);
    const shows = await page.$eval("#media", (m) => m.tagName === "AUDIO" && m.controls &&
      getComputedStyle(m).visibility === "visible" && getComputedStyle(m).display !== "none");
    assert.ok(shows, "the audio player shows its controls");
    assert.deepEqual(problems, []);
    await context.close();
  }
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm", { base: audioPages });
  assert.match(await page.$eval("#media", (m) => m.currentSrc), /\/lec1\.m4a$/);
  await waitForCaptions(page);
  const captions = (await captionTracks(page)).filter((t) => t.kind === "captions");
  assert.deepEqual(captions.map((t) => t.cues.map((c) => c[2])), [audioCaptions.map((c) => c[2])]);
  const seen = await playInStep(page, list, audioCaptions, "M4A lecture");
  assert.deepEqual([...seen].sort(), ["1", "2"]);
  await seeksInStep(page, list, "M4A lecture");
  assert.deepEqual(problems, [], "errors from file://");
  await context.close();
});

test("from a web host the captions track loads the published captions file", async () => {
  const web = await h.serve();
  try {
    const site = await h.open(chromium.browser, "part3.htm", { base: web.base });
    await site.page.waitForFunction(() => {
      const track = document.querySelector("#media track[kind='captions']");
      return track && track.readyState === 2;
    });
    const src = await site.page.$eval("#media track[kind='captions']", (t) => t.src);
    assert.equal(src, web.base + "captions3.vtt");
    const captions = (await captionTracks(site.page)).filter((t) => t.kind === "captions");
    assert.deepEqual(captions.map((t) => [t.mode, t.cues.map((c) => c[2])]), [["showing", sampleCaptions.map((c) => c[2])]]);
    // Turned off in the player, they stay off on the next visit.
    await site.page.evaluate(() => {
      Array.from(document.getElementById("media").textTracks).find((t) => t.kind === "captions").mode = "disabled";
    });
    await site.page.waitForFunction(() => localStorage.getItem("pellucor.captions") === "off");
    await site.page.reload();
    await h.ready(site.page);
    const mode = await site.page.$eval("#captions", (t) => t.track.mode);
    assert.equal(mode, "disabled", "the captions stay off");
    assert.deepEqual(site.problems, [], "errors from the web host");
    await site.context.close();
  } finally {
    await web.close();
  }
  // The published file itself is the lecturer's captions as WebVTT.
  const vtt = fs.readFileSync(path.join(h.out, "captions3.vtt"), "utf8");
  assert.match(vtt, /^WEBVTT\r\n\r\n1\r\n00:00:00\.300 --> 00:00:02\.700\r\n/);
});
