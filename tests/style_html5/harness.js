// Shared by the browser tests of the html5 style: starts Chromium through
// Playwright (DevTools protocol), opens published pages from disk, records
// every console error, failed request and script error, and reads the
// sample lecture's events files for the slide each time should show.
"use strict";
const assert = require("node:assert/strict");
const { before, after } = require("node:test");
const fs = require("node:fs");
const http = require("node:http");
const path = require("node:path");

function required(name) {
  const value = process.env[name];
  if (!value) {
    throw new Error(`${name} is not set (the tests are run by ctest)`);
  }
  return value;
}

const out = required("PELLUCOR_HTML5_OUT");
const sample = required("PELLUCOR_SAMPLE_DIR");
const { chromium } = require(path.join(required("PELLUCOR_NODE_MODULES"), "playwright-core"));

async function launch() {
  return chromium.launch({
    executablePath: process.env.PELLUCOR_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: [
      "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync",
      // A desktop browser's rule: a page plays by itself only after the
      // student did something on it.
      "--autoplay-policy=document-user-activation-required",
    ],
  });
}

// One browser for all the tests of a file: started before the first,
// closed after the last. The tests reach it as .browser.
function browserPerFile() {
  const holder = { browser: null };
  before(async () => {
    holder.browser = await launch();
  });
  after(async () => {
    await holder.browser.close();
  });
  return holder;
}

function fileUrl(page) {
  return "file://" + path.join(out, page);
}

// A new browser context (its own storage) and page; problems collects what
// the page reported as an error.
async function open(browser, page, options = {}) {
  const context = options.context || (await browser.newContext({
    viewport: options.viewport || { width: 1280, height: 800 },
    reducedMotion: options.reducedMotion || "no-preference",
    colorScheme: options.colorScheme || "light",
    javaScriptEnabled: options.javaScriptEnabled !== false,
  }));
  const tab = await context.newPage();
  const problems = [];
  tab.on("console", (m) => {
    if (m.type() === "error") {
      problems.push(`console: ${m.text()}`);
    }
  });
  tab.on("pageerror", (e) => problems.push(`script: ${e.message}`));
  // A load cut short by leaving the page (ERR_ABORTED) is no failure.
  tab.on("requestfailed", (r) => {
    const reason = r.failure() ? r.failure().errorText : "";
    if (reason !== "net::ERR_ABORTED") {
      problems.push(`request failed: ${r.url()} ${reason}`);
    }
  });
  await visit(tab, page, options);
  return { context, page: tab, problems };
}

// Opens another page in the same tab, waiting for its player where it has one.
async function visit(tab, page, options = {}) {
  await tab.goto(options.base ? options.base + page : fileUrl(page));
  if (options.javaScriptEnabled !== false && /part\d+\.htm|index\.htm/.test(page)) {
    await ready(tab);
  }
}

// Waits until the player of the page now shown has started.
async function ready(tab) {
  await tab.waitForFunction(() => document.documentElement.getAttribute("data-player") === "ready");
}

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
  const ok = new Set();
  for (const e of list) {
    if (t >= e.start - slack && t < e.end + slack) {
      ok.add(e.slide);
    }
  }
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
    return {
      t: media.currentTime,
      paused: media.paused,
      ended: media.ended,
      rate: media.playbackRate,
      shown: slide.getAttribute("data-shown"),
      src: slide.getAttribute("src"),
      alt: slide.getAttribute("alt"),
      title: document.getElementById("slide-title").textContent,
      contents: currentItem && currentItem.getAttribute("data-slide"),
      thumb: thumb && thumb.parentNode.getAttribute("data-slide"),
      status: document.getElementById("status").textContent,
      url: location.href,
    };
  });
}

function imageOf(slide) {
  return `img${String(slide).padStart(3, "0")}.gif`;
}

// Asserts that the page's slide, picture, contents mark and thumbnail mark
// all agree with the events file at the page's own time.
function assertInStep(list, s, slack, where) {
  const ok = slidesAt(list, s.t, slack);
  assert.ok(ok.has(s.shown), `${where}: at ${s.t.toFixed(3)} s the page shows slide ${s.shown}, expected ${[...ok]}`);
  assert.equal(s.src, imageOf(s.shown), `${where}: picture of slide ${s.shown}`);
  assert.equal(s.contents, s.shown, `${where}: contents mark`);
  assert.equal(s.thumb, s.shown, `${where}: thumbnail mark`);
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

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Serves the published directory on 127.0.0.1 (a web host), with ranges.
async function serve() {
  const types = { ".htm": "text/html", ".js": "text/javascript", ".css": "text/css", ".gif": "image/gif",
    ".vtt": "text/vtt", ".webm": "video/webm", ".mp4": "video/mp4", ".m4a": "audio/mp4", ".mp3": "audio/mpeg" };
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/^\/+/, "");
    const file = path.join(out, path.normalize(name));
    if (!file.startsWith(out) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    const size = fs.statSync(file).size;
    const headers = { "Content-Type": types[path.extname(file)] || "application/octet-stream", "Accept-Ranges": "bytes" };
    const range = /bytes=(\d*)-(\d*)/.exec(req.headers.range || "");
    if (range) {
      const start = range[1] ? parseInt(range[1], 10) : 0;
      const end = range[2] ? Math.min(parseInt(range[2], 10), size - 1) : size - 1;
      res.writeHead(206, { ...headers, "Content-Range": `bytes ${start}-${end}/${size}`, "Content-Length": end - start + 1 });
      fs.createReadStream(file, { start, end }).pipe(res);
      return;
    }
    res.writeHead(200, { ...headers, "Content-Length": size });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { base: `http://127.0.0.1:${server.address().port}/`, close: () => new Promise((r) => server.close(r)) };
}

module.exports = { out, sample, launch, browserPerFile, open, visit, ready, events, slidesAt, state, imageOf, assertInStep, seek, sleep, serve, fileUrl };
