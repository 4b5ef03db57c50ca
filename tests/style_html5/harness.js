// Shared by the browser tests of the html5 style: starts the browser the
// test is run for ($PELLUCOR_BROWSER: Debian's Chromium through the DevTools
// protocol, or Firefox ESR through WebDriver BiDi, both driven by
// puppeteer-core), opens published pages from disk or from a web host on
// 127.0.0.1, records every console error, failed request and script error,
// and reads a lecture's events files for the slide each time should show.
"use strict";
const assert = require("node:assert/strict");
const { before, after } = require("node:test");
const fs = require("node:fs");
const path = require("node:path");
const { serve: host, servePython } = require("./host");
const { launch: launchBrowser } = require("./browsers");

function required(name) {
  const value = process.env[name];
  if (!value) {
    throw new Error(`${name} is not set (the tests are run by ctest)`);
  }
  return value;
}

const out = required("PELLUCOR_HTML5_OUT");
const sample = required("PELLUCOR_SAMPLE_DIR");
const modules = required("PELLUCOR_NODE_MODULES");
const puppeteer = require(path.join(modules, "puppeteer-core"));
const browserName = process.env.PELLUCOR_BROWSER || "chromium";

const launch = (name = browserName, prefs = {}) => launchBrowser(puppeteer, name, prefs);

// One browser for all the tests of a file: started before the first,
// closed after the last. The tests reach it as .browser.
function browserPerFile() {
  const holder = { browser: null, name: browserName };
  before(async () => { holder.browser = await launch(); });
  after(() => holder.browser.close());
  return holder;
}

const fileUrl = (page, dir = out) => "file://" + path.join(dir, page) + (page ? "" : "/");

// A new browser context (its own storage) and page; problems collects what
// the page reported as an error.
// Light colours and motion unless options ask for dark or reduced: through
// the DevTools protocol in Chromium, through a Firefox started with those
// preferences (closed with the context) in Firefox.
async function open(browser, page, options = {}) {
  const colours = options.colorScheme || "light";
  const motion = options.reducedMotion || "no-preference";
  const asked = colours !== "light" || motion !== "no-preference";
  let own = null;
  if (asked && browserName === "firefox") {
    own = await launch("firefox", { "ui.prefersReducedMotion": motion === "reduce" ? 1 : 0,
      "layout.css.prefers-color-scheme.content-override": colours === "dark" ? 0 : 1 });
  }
  const context = await (own || browser).createBrowserContext();
  if (own) {
    context.close = () => own.close();
  }
  const tab = await context.newPage();
  await tab.setViewport({ deviceScaleFactor: 1, ...(options.viewport || { width: 1280, height: 800 }) });
  if (asked && browserName !== "firefox") {
    await tab.emulateMediaFeatures([{ name: "prefers-reduced-motion", value: motion }, { name: "prefers-color-scheme", value: colours }]);
  }
  const problems = [];
  tab.on("console", (m) => {
    if (m.type() === "error") {
      problems.push(`console: ${m.text()}`);
    }
  });
  tab.on("pageerror", (e) => problems.push(`script: ${e.message}`));
  // A load cut short by leaving the page is no failure.
  tab.on("requestfailed", (r) => {
    const reason = r.failure() ? r.failure().errorText : "";
    if (!/ERR_ABORTED|NS_BINDING_ABORTED|NS_ERROR_ABORT/.test(reason)) {
      problems.push(`request failed: ${r.url()} ${reason}`);
    }
  });
  // A script every document runs before its own (a test's stand-in for
  // what the machine lacks).
  if (options.preload) {
    await tab.evaluateOnNewDocument(options.preload);
  }
  await visit(tab, page, options);
  return { context, page: tab, problems };
}

// A test's time on a page: body({ context, page, problems }) runs on the page
// opened as open() opens it (in the browser of browserPerFile()); then the
// page must have reported no error, and its context is closed.
async function session(holder, page, options, body) {
  const opened = await open(holder.browser, page, body ? options : {});
  try {
    await (body || options)(opened);
    assert.deepEqual(opened.problems, [], `errors reported on ${page}`);
  } finally {
    await opened.context.close();
  }
}

// Opens another page in the same tab, waiting for its player where it has one.
async function visit(tab, page, options = {}) {
  await tab.goto(options.base ? options.base + page : fileUrl(page));
  if (!options.noScripts && /part\d+\.htm/.test(page)) {
    await ready(tab);
  }
}

// Waits until the player of the page now shown has started and every
// contents entry is shown (they are laid out after the player starts).
async function ready(tab) {
  await tab.waitForFunction(() => document.documentElement.getAttribute("data-player") === "ready" &&
    Array.from(document.querySelectorAll("nav.toc li")).every((li) => getComputedStyle(li).display !== "none"),
  { timeout: 10000 });
}

// Waits until fn(arg) holds in the page, failing with what after timeout.
async function until(tab, fn, arg, what, timeout = 10000) {
  try {
    await tab.waitForFunction(fn, { timeout, polling: 20 }, arg);
  } catch (e) {
    assert.fail(`${what}: ${JSON.stringify(await state(tab).catch(() => null))}`);
  }
}

const waitForUrl = (tab, pattern) =>
  until(tab, (source) => new RegExp(source).test(location.href), pattern.source, `waiting for ${pattern}`);

// The slides of one part as the events file gives them (the sample
// lecture's, or those of lecture name in dir).
function events(part, dir = sample, name = "talk") {
  const text = fs.readFileSync(path.join(dir, `${name}${part}.txt`), "latin1");
  const seconds = (t) => t.split(":").reduce((a, f) => a * 60 + parseFloat(f), 0);
  return text.split(/\r?\n/).filter((l) => /URL\\sld\d+\.htm/.test(l)).map((line) => {
    const f = line.trim().split(/\s+/);
    return { start: seconds(f[1]), end: seconds(f[2]), slide: String(parseInt(/sld(\d+)/.exec(line)[1], 10)) };
  });
}

// The slides acceptable at time t: the one of the events file, and its
// neighbour when t is within slack of a change.
function slidesAt(list, t, slack) {
  const ok = new Set(list.filter((e) => t >= e.start - slack && t < e.end + slack).map((e) => e.slide));
  if (t >= list[list.length - 1].end) {
    ok.add(list[list.length - 1].slide);
  }
  return ok;
}

// What the part page shows now, read in one go with the media's time.
function state(tab) {
  return tab.evaluate(() => {
    const media = document.getElementById("media");
    const slide = document.getElementById("slide");
    const currentItem = document.querySelector("nav.toc li.current");
    const thumb = document.querySelector("#thumbs a[aria-current='true']");
    const line = document.querySelector("#transcript-lines button[aria-current='true']");
    const captions = Array.from(media.textTracks).find((t) => t.kind === "captions" && t.mode !== "disabled");
    return {
      part: document.body.getAttribute("data-part"),
      t: media.currentTime,
      paused: media.paused,
      ended: media.ended,
      rate: media.playbackRate,
      src: media.currentSrc,
      shown: slide.getAttribute("data-shown"),
      img: slide.getAttribute("src"),
      title: document.getElementById("slide-title").textContent,
      contents: currentItem && currentItem.getAttribute("data-slide"),
      thumb: thumb && thumb.parentNode.getAttribute("data-slide"),
      line: line && line.textContent,
      caption: Array.from((captions && captions.activeCues) || []).map((c) => c.getCueAsHTML().textContent).join(" | "),
      bar: parseFloat(document.getElementById("bar").getAttribute("aria-valuenow")),
      status: document.getElementById("status").textContent,
      url: location.href,
    };
  });
}

// Asserts that the page's slide, picture, contents mark and thumbnail mark
// all agree with the events file at the page's own time.
function assertInStep(list, s, slack, where) {
  const ok = slidesAt(list, s.t, slack);
  assert.ok(ok.has(s.shown), `${where}: at ${s.t.toFixed(3)} s the page shows slide ${s.shown}, expected ${[...ok]}`);
  assert.equal(s.img, `img${s.shown.padStart(3, "0")}.gif`, `${where}: picture of slide ${s.shown}`);
  assert.equal(s.contents, s.shown, `${where}: contents mark`);
  assert.equal(s.thumb, s.shown, `${where}: thumbnail mark`);
}

// Plays on from where the page is, sampling every 80 ms until stop(s)
// holds (by default: the media has ended; a stop of its own may look past a
// part's end, which a sample can catch before the page has gone on to the
// next part); each sample is checked by check(s). Returns the slides seen,
// the samples and the wall time.
async function playWhile(tab, check, stop = (s) => s.ended, limit = 30) {
  const started = Date.now();
  const seen = new Set();
  let samples = 0;
  let s = await state(tab);
  while (!stop(s)) {
    check(s);
    seen.add(s.shown);
    samples++;
    assert.ok(Date.now() - started < limit * 1000, `still playing after ${limit} s: ${JSON.stringify(s)}`);
    await sleep(80);
    s = await state(tab);
  }
  return { seen, samples, wall: (Date.now() - started) / 1000, last: s };
}

// Starts playing with the K key and waits until the media plays.
async function playKey(tab) {
  await tab.keyboard.press("k");
  await until(tab, () => !document.getElementById("media").paused, null, "playing after K");
}

// Seeks while paused to the start and the middle of every slide of the
// part, then, playing, to shortly before each slide change within the part
// and on through it: the page shows the slide of the events file throughout.
async function seeksInStep(tab, list, where) {
  for (const e of list) {
    for (const t of [e.start, (e.start + e.end) / 2]) {
      await seek(tab, t);
      const s = await state(tab);
      assertInStep(list, s, 0, `${where} after a seek to ${t}`);
      assert.equal(s.shown, e.slide, `${where}: seek to ${t}`);
    }
  }
  // From the start: played from the middle of the last slide, a short part
  // could end before the first look at it.
  await seek(tab, list[0].start);
  await playKey(tab);
  for (const e of list.slice(0, -1)) {
    const from = e.end - 0.6;
    // Sampled from the end of the seek on (the page follows it at once).
    await seek(tab, from);
    let s;
    for (let k = 0; k < 14; k++) {
      s = await state(tab);
      assertInStep(list, s, 0.3, `${where} after a seek to ${from} while playing`);
      await sleep(80);
    }
    assert.ok(s.t > e.end, `${where}: played on from ${from} to ${s.t}`);
  }
  await tab.keyboard.press("k");
}

// Seeks the media of the page to t and waits until the seek is done (the
// page has followed it by then: its listeners run first).
function seek(tab, t) {
  return tab.evaluate((to) => new Promise((resolve) => {
    const media = document.getElementById("media");
    media.addEventListener("seeked", () => resolve(), { once: true });
    media.currentTime = to;
  }), t);
}

// Clicks the element as a student would, once it is scrolled into the
// middle of the view (lists laid out only when in view have their size).
async function click(tab, selector) {
  await tab.$eval(selector, (e) => e.scrollIntoView({ block: "center", inline: "center" }));
  await sleep(50);
  await tab.click(selector);
}

// Types text into the input that selector names, replacing what it held.
async function fill(tab, selector, text) {
  await tab.$eval(selector, (e) => { e.value = ""; e.dispatchEvent(new Event("input", { bubbles: true })); });
  if (text) {
    await tab.type(selector, text);
  }
}

const text = (tab, selector) => tab.$eval(selector, (e) => e.textContent);

// Whether the element is shown (laid out, not hidden).
function visible(tab, selector) {
  return tab.evaluate((sel) => {
    const e = document.querySelector(sel);
    const r = e && e.getBoundingClientRect();
    return Boolean(r && r.width > 0 && r.height > 0 && getComputedStyle(e).visibility === "visible");
  }, selector);
}

// Serves a published directory (by default the sample's) on 127.0.0.1.
const serve = (dir = out, options = {}) => host(dir, options);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

module.exports = {
  out, modules, browserPerFile, open, session, visit, ready, until, waitForUrl, events, state, assertInStep, playWhile,
  playKey, seeksInStep, seek, click, fill, text, visible, sleep, serve, servePython, fileUrl,
};
