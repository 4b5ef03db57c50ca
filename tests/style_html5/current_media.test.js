// Lectures recorded in today's formats, published and played in real time
// from disk in the browser the test runs for: the sample's MP4 part and an
// M4A audio-only lecture keep the slide in step with the events file
// (sampled every 80 ms, during playback and after seeks), every player
// shows its controls, the RealMedia parts play from their browser copy, and
// the slides are the media's chapters and the captions written beside a
// recording its captions track, from disk and from a web host (the files
// the style wrote); the captions show at their times and make the part's
// transcript (which follows playback and jumps). Captions made by speech
// recognition during the publish say so, play the same way and are
// searched. A lecture made from a screen recording alone plays in step
// with the slide times found in it. Its audio description is spoken by the
// browser's speech synthesis (a recording stand-in here), an extended one
// holding the recording, and shown as text where nothing can speak.
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const fs = require("node:fs");
const path = require("node:path");
const h = require("./harness");

const browser = h.browserPerFile();
const audioDir = process.env.PELLUCOR_HTML5_AUDIO;
const audioPages = "file://" + path.join(audioDir || "", "published") + "/";
const recordingDir = process.env.PELLUCOR_HTML5_RECORDING;

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

// The chapters of the MP4 part: its slides' titles, from their start.
const sampleChapters = [[0, 3, "Recorded on a phone"], [3, 6, "Captions for everyone"]];

function tracks(page) {
  return page.evaluate(() => Array.from(document.getElementById("media").textTracks).map((t) => ({
    kind: t.kind,
    label: t.label,
    language: t.language,
    mode: t.mode,
    cues: Array.from(t.cues || []).map((c) => [c.startTime, c.endTime, c.getCueAsHTML().textContent]),
  })));
}

async function chapters(page) {
  await h.until(page, () => Array.from(document.getElementById("media").textTracks)
    .some((t) => t.kind === "chapters" && t.cues && t.cues.length), null, "chapters");
  return (await tracks(page)).filter((t) => t.kind === "chapters").map((t) => t.cues);
}

async function captionsLoaded(page) {
  await h.until(page, () => document.querySelectorAll("#transcript-lines button").length > 0, null, "captions loaded");
  return (await tracks(page)).filter((t) => t.kind === "captions" && t.mode !== "disabled");
}

// The captions acceptable at time t (slack seconds around each cue edge).
function captionsAt(cues, t, slack) {
  const ok = new Set(cues.filter(([start, end]) => t >= start - slack && t < end + slack).map((c) => c[2]));
  if (!cues.some(([start, end]) => t >= start + slack && t < end - slack)) {
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
  const captionsSeen = new Set();
  const run = await h.playWhile(page, (s) => {
    h.assertInStep(list, s, 0.3, where);
    assert.ok(captionsAt(cues, s.t, 0.3).has(s.caption), `${where}: at ${s.t.toFixed(3)} s the caption is "${s.caption}"`);
    const before = cues.filter((c) => c[0] <= s.t - 0.3).length;
    const lines = cues.filter((c) => c[0] <= s.t + 0.3).slice(Math.max(0, before - 1)).map((c) => c[2]);
    assert.ok(lines.some((c) => (s.line || "").includes(c)) || (!before && !s.line),
      `${where}: at ${s.t.toFixed(3)} s the transcript marks "${s.line}"`);
    captionsSeen.add(s.caption);
  }, undefined, 15);
  const duration = list[list.length - 1].end;
  assert.ok(!realTime || Math.abs(run.wall - duration) < 2, `${where}: played ${duration} s in ${run.wall} s`);
  assert.ok(run.samples > 20, `${where}: sampled ${run.samples} times`);
  assert.deepEqual(cues.map((c) => c[2]).filter((c) => !captionsSeen.has(c)), [], `${where}: every caption was shown`);
  assert.deepEqual([...run.seen].sort(), list.map((e) => e.slide).sort(), `${where}: every slide was shown`);
}

// The page's player has a visible size and shows its controls.
async function assertPlayerShows(page, where) {
  const box = await (await page.$("#media")).boundingBox();
  assert.ok(box && box.height >= 30 && box.width >= 200, `${where}: player box ${JSON.stringify(box)}`);
  assert.ok(await page.$eval("#media", (m) => m.controls && getComputedStyle(m).visibility === "visible" &&
    getComputedStyle(m).display !== "none"), `${where}: the player shows its controls`);
}

test("the MP4 part plays in step with its events file, shows its captions at their times, and its transcript follows and jumps", () => h.session(browser, "part3.htm", async ({ page }) => {
  const list = h.events(3);
  const s0 = await h.state(page);
  assert.match(s0.src, /\/talk3\.mp4$/, "the part plays its browser copy");
  assert.equal(await page.$eval("#media", (m) => m.tagName), "VIDEO");
  assert.equal(s0.shown, list[0].slide);
  const captions = await captionsLoaded(page);
  assert.deepEqual(captions.map((t) => [t.label, t.mode]), [["English", "showing"]], "the captions are on");
  captions[0].cues.forEach((c, k) => {
    assert.ok(Math.abs(c[0] - sampleCaptions[k][0]) < 0.001 && Math.abs(c[1] - sampleCaptions[k][1]) < 0.001, `cue ${k}`);
    assert.equal(c[2], sampleCaptions[k][2]);
  });
  // The chapters are the slides, apart from the captions.
  assert.deepEqual(await chapters(page), [sampleChapters]);
  assert.deepEqual(await page.$$eval("#transcript-lines button", (l) => l.map((b) => b.textContent)),
    ["0:00 This part was recorded as MP4 on a phone.", "0:03 Captions follow the lecturer's words."]);

  await playInStep(page, list, sampleCaptions, "part 3", true);
  await h.seeksInStep(page, list, "part 3");

  // A line of the transcript, clicked or chosen with the keys, plays from
  // where it is said.
  await page.click("#transcript-lines li:nth-child(2) button");
  await h.until(page, () => !document.getElementById("media").paused, null, "playing from the line");
  const s = await h.state(page);
  assert.ok(s.t >= 3.15 && s.t < 4.2 && s.shown === "6", `from the second line: ${JSON.stringify(s)}`);
  await page.keyboard.press("k");
  await page.keyboard.press("ArrowUp");
  assert.equal(await page.evaluate(() => document.activeElement.getAttribute("data-line")), "0");
  await page.keyboard.press("Enter");
  await h.until(page, () => document.getElementById("media").currentTime < 1.2 && !document.getElementById("media").paused,
    null, "playing from the first line");
  assert.equal((await h.state(page)).shown, "5");
}));

test("every player shows at desktop and phone widths; the RealMedia parts play their browser copy, without transcript", async () => {
  for (const viewport of [{ width: 1280, height: 800 }, { width: 375, height: 740 }]) {
    await h.session(browser, "part1.htm", { viewport }, async ({ page }) => {
      for (const part of [1, 2]) {
        await h.visit(page, `part${part}.htm`);
        await assertPlayerShows(page, `part ${part} at ${viewport.width} px`);
        await h.until(page, () => document.getElementById("media").readyState >= 1, null, "metadata");
        const m = await page.$eval("#media", (e) => ({ src: e.currentSrc, duration: e.duration, error: e.error && e.error.code }));
        assert.equal(m.error, null, `part ${part}: ${JSON.stringify(m)}`);
        assert.match(m.src, new RegExp(`/talk${part}\\.(mp4|m4a|webm|mp3)$`));
        const list = h.events(part);
        assert.ok(Math.abs(m.duration - list[list.length - 1].end) < 0.5, `part ${part}: ${m.duration} s`);
        assert.deepEqual((await tracks(page)).filter((t) => t.kind === "captions"), [], `part ${part} has no captions`);
        assert.ok(!(await h.visible(page, "#transcript")), `part ${part}: no transcript`);
      }
    });
  }
});

test("an M4A audio lecture plays in step with visible controls, its captions and transcript", async () => {
  const list = h.events(1, path.join(audioDir, "lec"), "lec");
  await h.session(browser, "part1.htm", { base: audioPages, viewport: { width: 375, height: 740 } },
    ({ page }) => assertPlayerShows(page, "the audio player at 375 px"));
  await h.session(browser, "part1.htm", { base: audioPages }, async ({ page }) => {
    await assertPlayerShows(page, "the audio player at 1280 px");
    assert.equal(await page.$eval("#media", (m) => m.tagName), "AUDIO");
    assert.match((await h.state(page)).src, /\/lec1\.m4a$/);
    const captions = await captionsLoaded(page);
    assert.deepEqual(captions.map((t) => t.cues.map((c) => c[2])), [audioCaptions.map((c) => c[2])]);
    assert.deepEqual(captions.map((t) => t.label), ["English"], "the lecturer's captions");
    assert.ok(!(await h.visible(page, "#transcript-kind")), "no automatic-captions notice");
    await playInStep(page, list, audioCaptions, "M4A lecture", false);
    await h.seeksInStep(page, list, "M4A lecture");
  });
});

test("captions in two languages: a track each, the student's choice shown, followed and searched, and kept", async () => {
  const languages = (page) => page.evaluate(() => Array.from(document.getElementById("media").textTracks)
    .filter((t) => t.kind === "captions").map((t) => [t.language, t.label, t.mode]).sort());
  const transcript = (page) => page.$$eval("#transcript-lines button", (l) => l.map((b) => b.textContent));
  const web = await h.serve(path.join(audioDir, "published"));
  try {
    for (const base of [audioPages, web.base]) {
      await h.session(browser, "part1.htm", { base }, async ({ page }) => {
        await captionsLoaded(page);
        await h.until(page, () => document.getElementById("media").textTracks.length >= 3, null, "both languages");
        assert.deepEqual(await languages(page), [["de", "Deutsch", "disabled"], ["en", "English", "showing"]]);
        assert.ok(await h.visible(page, "#captions-lang"), "the languages to choose from");
        await page.select("#captions-lang", "de");
        await h.until(page, () => /Ihre Untertitel/.test(document.getElementById("transcript-lines").textContent),
          null, "the German transcript");
        assert.deepEqual(await languages(page), [["de", "Deutsch", "showing"], ["en", "English", "disabled"]]);
        assert.equal(await page.$eval("#transcript-lines", (l) => l.lang), "de");
        await playInStep(page, h.events(1, path.join(audioDir, "lec"), "lec"),
          audioCaptions.map(([s, e], k) => [s, e, ["Eine Audiovorlesung.", "Ihre Untertitel."][k]]), "German captions", false);
        await h.fill(page, "#search", "untertitel");
        await h.until(page, () => /1 caption found/.test(document.getElementById("search-count").textContent),
          null, "the German captions searched");
        // The choice is remembered on the next visit.
        await page.reload();
        await h.ready(page);
        await captionsLoaded(page);
        assert.match((await transcript(page)).join(" "), /Eine Audiovorlesung/);
      });
    }
  } finally {
    await web.close();
  }
});

// The cues of a published WebVTT file: [start, end, text] (an identifier
// line before the times left out).
function vttCues(text) {
  const seconds = (t) => t.split(":").reduce((a, x) => a * 60 + Number(x), 0);
  return text.split(/\r?\n\r?\n/).map((block) => block.split(/\r?\n/))
    .map((lines) => lines.slice(lines.findIndex((l) => l.includes("-->"))))
    .filter((lines) => lines.length && lines[0].includes("-->"))
    .map((lines) => {
      const [start, end] = lines[0].split(" --> ").map(seconds);
      return [start, end, lines.slice(1).filter((l) => l).join(" ")];
    });
}

test("a spoken part without captions gets automatic ones: labelled, at their times, followed and searched", async () => {
  const list = h.events(2, path.join(audioDir, "lec"), "lec");
  const cues = vttCues(fs.readFileSync(path.join(audioDir, "published", "captions2.vtt"), "utf8"));
  assert.ok(cues.length >= 2 && /welcome/.test(cues[0][2]), JSON.stringify(cues));
  await h.session(browser, "part2.htm", { base: audioPages }, async ({ page }) => {
    const captions = await captionsLoaded(page);
    assert.deepEqual(captions.map((t) => [t.label, t.cues.map((c) => c[2])]), [["English (automatic)", cues.map((c) => c[2])]]);
    assert.ok(await h.visible(page, "#transcript-kind"), "the transcript says a machine made it");
    assert.equal(await page.$eval("#transcript-kind", (p) => p.textContent), "Automatic captions, not checked by a person");
    await playInStep(page, list, cues, "automatic captions", false);
    await h.fill(page, "#search", "welcome");
    // The captions are read for the search on its first use: their hits come after.
    await h.until(page, () => /slides? and [1-9]\d* captions? found/.test(document.getElementById("search-count").textContent),
      null, "caption hits for welcome");
    assert.ok((await page.$$eval("#results li mark", (l) => l.map((m) => m.textContent))).includes("welcome"));
  });
});

test("a lecture made from a screen recording alone plays in step with the slide times found in it", async () => {
  const lecture = path.join(recordingDir, "lec");
  const list = h.events(1, lecture, "lec");
  // The generator's schedule: each change found within a second (the
  // events file holds whole seconds); a slide built up point by point is
  // one slide, so a build's steps are no changes of their own.
  const schedule = fs.readFileSync(path.join(recordingDir, "schedule.txt"), "utf8").trim().split("\n")
    .map((l) => Number(l.split(" ")[0]));
  for (const e of list) {
    assert.ok(schedule.some((t) => Math.abs(t - e.start) <= 1), `a change at ${e.start} s: ${schedule}`);
  }
  assert.ok(list.length >= 2, JSON.stringify(list));
  const pages = "file://" + path.join(recordingDir, "published") + "/";
  await h.session(browser, "part1.htm", { base: pages }, async ({ page }) => {
    assert.equal(await page.$eval("#media", (m) => m.tagName), "VIDEO");
    assert.match((await h.state(page)).src, /\/lec1\.mp4$/);
    await playInStep(page, list, [], "lecture from a recording", true);
    await h.seeksInStep(page, list, "lecture from a recording");
  });
});

test("a lecture with a stretch cut from its recording plays in step across the cut, from disk and streamed", async () => {
  // The recording's slides at 0, 4 and 9 s with 5.5 to 8.3 s cut: the
  // second slide ends and the third starts at 6.2 s (whole seconds in the
  // events), the captions move with them and the one across the cut is
  // shortened by it.
  const list = [{ start: 0, end: 4, slide: "1" }, { start: 4, end: 6, slide: "2" }, { start: 6, end: 9.2, slide: "3" }];
  const cues = [[2, 3, "before the cut"], [5, 6.2, "across the cut"], [7.2, 8.2, "after the cut"]];
  await h.session(browser, "part1.htm", { base: "file://" + path.join(recordingDir, "cut") + "/" }, async ({ page }) => {
    assert.ok(Math.abs(await page.$eval("#media", (m) => m.duration) - 9.2) < 0.1, "the copy is as long as what is kept");
    await playInStep(page, list, cues, "cut, from disk", true);
  });
  const host = await h.serve(path.join(recordingDir, "cut-web"));
  try {
    await h.session(browser, "part1.htm", { base: host.base }, async ({ page }) => {
      await h.until(page, () => document.getElementById("media").getAttribute("data-streaming") === "hls.js", null,
        "the stream", 20000);
      await playInStep(page, list, cues, "cut, streamed", true);
    });
  } finally {
    await host.close();
  }
});

test("from a web host the recording streams (HLS): a choice of quality that keeps the time, in step after seeks and deep links, also without byte ranges; from disk the copy", async () => {
  const list = h.events(1, path.join(recordingDir, "lec"), "lec");
  const streaming = (page) => h.until(page, () => {
    const m = document.getElementById("media");
    return m.getAttribute("data-streaming") === "hls.js" && m.readyState >= 1 && /^blob:/.test(m.currentSrc);
  }, null, "the stream", 20000);
  for (const serve of [h.serve, h.servePython]) {
    const host = await serve(path.join(recordingDir, "web"));
    try {
      await h.session(browser, "part1.htm", { base: host.base }, async ({ page }) => {
        await streaming(page);
        assert.deepEqual(await page.$$eval("#quality option", (o) => o.map((x) => x.textContent)), ["Auto", "540p", "360p"]);
        assert.ok(await h.visible(page, "#quality"), "the choice of quality");
        await h.seeksInStep(page, list, "streamed");
        // The lowest quality chosen: the time kept, then played on in step
        // until the picture is the lower one (a browser may show what it
        // had buffered first).
        const at = 1;
        await h.seek(page, at);
        const low = await page.$$eval("#quality option", (o) => o.find((x) => x.textContent === "360p").value);
        await page.select("#quality", low);
        assert.equal((await h.state(page)).t, at);
        await h.playKey(page);
        h.assertInStep(list, await h.state(page), 0.3, "after the quality changed");
        await h.until(page, (t) => {
          const m = document.getElementById("media");
          return m.videoHeight === 360 && m.currentTime > t;
        }, at, "played on at 360p", 15000);
        h.assertInStep(list, await h.state(page), 0.3, "at 360p");
      });
      // A deep link to the last slide lands there, streamed.
      const last = list[list.length - 1];
      await h.session(browser, `part1.htm#slide=${last.slide}`, { base: host.base }, async ({ page }) => {
        await streaming(page);
        await h.until(page, (t) => document.getElementById("media").currentTime >= t - 0.05, last.start, "at the slide");
        assert.equal((await h.state(page)).shown, last.slide);
      });
    } finally {
      await host.close();
    }
  }
  // From disk: the progressive copy, no choice of quality.
  await h.session(browser, "part1.htm", { base: "file://" + path.join(recordingDir, "web") + "/" }, async ({ page }) => {
    assert.match((await h.state(page)).src, /\/lec1\.mp4$/);
    assert.equal(await page.$eval("#media", (m) => m.getAttribute("data-streaming")), null);
    assert.ok(!(await h.visible(page, "#quality")));
  });
});

test("from a web host the tracks load the published chapters and captions files; captions turned off stay off", async () => {
  const web = await h.serve();
  try {
    await h.session(browser, "part3.htm", { base: web.base }, async ({ page }) => {
      const captions = await captionsLoaded(page);
      assert.equal(await page.$eval("#media track[kind='captions']", (t) => t.src), web.base + "captions3.vtt");
      assert.deepEqual(await chapters(page), [sampleChapters]);
      assert.equal(await page.$eval("#media track[kind='chapters']", (t) => t.src), web.base + "chapters3.vtt");
      assert.deepEqual(captions.map((t) => [t.mode, t.cues.map((c) => c[2])]), [["showing", sampleCaptions.map((c) => c[2])]]);
      // Turned off in the player, they stay off on the next visit (hidden:
      // the transcript keeps them).
      await page.evaluate(() => {
        Array.from(document.getElementById("media").textTracks).find((t) => t.kind === "captions").mode = "disabled";
      });
      await h.until(page, () => localStorage.getItem("pellucor.captions") === "off", null, "remembered off");
      await page.reload();
      await h.ready(page);
      assert.deepEqual((await captionsLoaded(page)).map((t) => t.mode), ["hidden"], "the captions stay off");
    });
  } finally {
    await web.close();
  }
  // The published file itself is the lecturer's captions as WebVTT.
  const vtt = fs.readFileSync(path.join(h.out, "captions3.vtt"), "utf8");
  assert.match(vtt, /^WEBVTT\r\n\r\n1\r\n00:00:00\.300 --> 00:00:02\.700\r\n/);
});

// Speech synthesis as the page sees it, recorded: each description the
// page gives it, with the player's state then; window.speechEnds() ends
// the one being spoken. With speak false, the browser has none.
function speechStub(speak) {
  return `(${(can) => {
    if (!can) {
      Object.defineProperty(window, "speechSynthesis", { configurable: true, value: undefined });
      return;
    }
    const spoken = [];
    let pending = [];
    window.spoken = spoken;
    window.SpeechSynthesisUtterance = class extends EventTarget {
      constructor(text) { super(); this.text = text; this.lang = ""; }
    };
    Object.defineProperty(window, "speechSynthesis", { configurable: true, value: {
      speak(u) {
        const media = document.getElementById("media");
        spoken.push({ text: u.text, lang: u.lang, paused: media.paused, t: media.currentTime });
        pending.push(u);
      },
      cancel() { pending = []; },
      getVoices() { return [{ name: "stand-in", lang: "en" }]; },
    } });
    window.speechEnds = () => { const u = pending.shift(); if (u) { u.dispatchEvent(new Event("end")); } };
  }})(${speak})`;
}

test("audio description: each spoken as the recording reaches it, an extended one pausing it until spoken; without speech, shown as text", async () => {
  const published = path.join(audioDir, "published");
  const cues = vttCues(fs.readFileSync(path.join(published, "descriptions1.vtt"), "utf8"));
  assert.equal(cues.length, 2, JSON.stringify(cues));
  assert.match(fs.readFileSync(path.join(published, "descriptions1.vtt"), "utf8"), /\nslide-1 extended\r?\n/);
  const spoken = (page) => page.evaluate(() => window.spoken);
  await h.session(browser, "part1.htm", { base: audioPages, preload: speechStub(true) }, async ({ page }) => {
    assert.ok(await h.visible(page, "#describe"), "the control is offered");
    await page.click("#describe");
    await page.evaluate(() => { document.getElementById("play-on").checked = false; document.activeElement.blur(); });
    await h.until(page, () => Array.from(document.getElementById("media").textTracks)
      .some((t) => t.kind === "descriptions" && t.mode === "hidden" && t.cues && t.cues.length === 2), null, "the descriptions track");
    await page.keyboard.press("k");
    for (const k of [0, 1]) {
      // Extended: the recording waits while it is spoken, then plays on.
      await h.until(page, (n) => window.spoken.length > n && document.getElementById("media").paused, k, `description ${k} pausing`);
      const said = (await spoken(page))[k];
      assert.equal(said.text, cues[k][2]);
      assert.equal(said.lang, "en");
      assert.ok(said.t >= cues[k][0] - 0.05 && said.t < cues[k][1], `said at ${said.t}: ${JSON.stringify(cues[k])}`);
      assert.equal((await h.state(page)).paused, true, "still waiting for the voice");
      await page.evaluate(() => window.speechEnds());
      await h.until(page, () => !document.getElementById("media").paused || document.getElementById("media").ended,
        null, `playing on after description ${k}`);
    }
    await h.until(page, () => document.getElementById("media").ended, null, "the part played to its end");
    assert.equal((await spoken(page)).length, 2);

    // The choice is kept: part 2's description fits a pause, said while playing.
    await h.visit(page, "part2.htm", { base: audioPages });
    assert.ok(await page.$eval("#describe", (b) => b.checked), "still on");
    await h.playKey(page);
    await h.until(page, () => window.spoken && window.spoken.length === 1, null, "part 2 described");
    const said = (await spoken(page))[0];
    assert.match(said.text, /^Slide 3: /);
    assert.equal(said.paused, false);
    assert.equal((await h.state(page)).paused, false, "not paused for a description that fits");
  });
  await h.session(browser, "part2.htm", { base: audioPages, preload: speechStub(false) }, async ({ page }) => {
    await page.click("#describe");
    await page.evaluate(() => document.activeElement.blur());
    await h.playKey(page);
    await h.until(page, () => /^Slide 3: /.test(document.getElementById("description").textContent), null, "shown as text");
    assert.ok(await h.visible(page, "#description"));
    assert.equal((await h.state(page)).paused, false);
  });
});
