// The SCORM 1.2 and SCORM 2004 packages of a published lecture in real
// Chromium, inside a stand-in platform built on scorm-again: the package
// initialises, opens the lecture, stores where the student stopped, resumes
// there after the platform closed and opened it again, reports the lecture
// completed once every part was played, commits and finishes.
"use strict";
const assert = require("node:assert");
const { test, before, after } = require("node:test");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const { launch, serve, required } = require("./browser");

const packages = required("PELLUCOR_PACKAGES");  // holds lecture-scorm12.zip, lecture-scorm2004.zip

async function lectureFrame(page, pattern) {
  const frame = await page.waitForFrame((f) => pattern.test(f.url()), { timeout: 15000 }).catch((e) => {
    throw new Error(`no frame at ${pattern} among ${page.frames().map((f) => f.url()).join(" ")}: ${e.message}`);
  });
  // The frame's address changes before its document does: waited for in
  // the document itself, so that nothing is done to the page it leaves.
  await frame.waitForFunction((source) => new RegExp(source).test(window.location.href) &&
    (document.getElementById("media") || {}).readyState >= 1, { timeout: 15000 }, pattern.source);
  return frame;
}

// Plays the part in frame from where it is to `until` seconds, or to its
// end (where the page plays on into the next part: stopped there).
async function play(frame, until) {
  // The page may still replace its address once after it loaded: tried again.
  const start = () => frame.evaluate(() => {
    const m = document.getElementById("media");
    window.startPart = document.body.getAttribute("data-part");
    m.muted = true;
    m.playbackRate = 4;
    m.play();
  });
  await start().catch(async (e) => {
    if (!/context was destroyed/.test(e.message)) {
      throw e;
    }
    await frame.waitForFunction(() => (document.getElementById("media") || {}).readyState >= 1, { timeout: 15000 });
    await start();
  });
  await frame.waitForFunction((u) => {
    const m = document.getElementById("media");
    if (m.ended || document.body.getAttribute("data-part") !== window.startPart ||
        (u !== null && m.currentTime >= u)) {
      m.pause();
      return true;
    }
    return false;
  }, { timeout: 20000, polling: 20 }, until);
}

async function goTo(page, frame, partPage) {
  await frame.evaluate((p) => { window.location.href = p; }, partPage);
  return lectureFrame(page, new RegExp(partPage.replace(".", "\\.")));
}

// Closes the platform's window on the lecture; the API calls it saw.
async function closeNow(page) {
  await new Promise((r) => setTimeout(r, 1500));  // the launcher follows once a second
  await page.evaluate(() => close());
  await page.waitForFunction(() => calls.length && /LMSFinish|Terminate/.test(calls[calls.length - 1][0]), { timeout: 10000 });
  return page.evaluate(() => calls.splice(0));
}

async function run(browser, url, kind) {
  const page = await browser.newPage();
  await page.goto(`${url}platform.htm?kind=${kind}`);
  const E = await page.evaluate(() => E);  // the runtime's names of calls and elements for this kind
  const set = (calls, element) => calls.filter((c) => c[0] === "SetValue" && c[1] === element).map((c) => c[2]);

  // First visit: the lecture's contents page, then part 1 played through,
  // part 2 up to 2 s, then closed.
  await page.evaluate(() => launch());
  let frame = await page.waitForFrame((f) => /pellucor-contents\.htm/.test(f.url()), { timeout: 15000 });
  frame = await goTo(page, frame, "part1.htm");
  await play(frame, null);
  frame = await goTo(page, frame, "part2.htm");
  await play(frame, 2);
  // Where it stopped (a loaded machine stops a little late at 4x speed).
  const stop = Math.floor(await frame.evaluate(() => document.getElementById("media").currentTime));
  const place = `part2.htm#t=${stop}`;
  // The student looks on a moment before closing: the launcher has taken
  // the place (it follows once a second and whenever playing stops).
  await page.waitForFunction((element, at) => calls.some((c) => c[0] === "SetValue" && c[1] === element &&
    c[2] === at), { timeout: 10000 }, E.location, place);
  let calls = await closeNow(page);
  assert.deepStrictEqual(calls[0], [E.init], kind);
  assert.ok(set(calls, E.status).includes("incomplete"), `${kind}: ${JSON.stringify(calls)}`);
  assert.strictEqual(set(calls, E.location).pop(), place, kind);
  assert.deepStrictEqual(set(calls, E.exit), ["suspend"], kind);
  assert.ok(!set(calls, E.status).includes("completed"), kind);
  assert.deepStrictEqual(calls.slice(-2).map((c) => c[0]), [E.commit, E.finish], kind);

  // Opened again: the lecture resumes in part 2 where it stopped; the rest played.
  await page.evaluate(() => launch());
  frame = await lectureFrame(page, new RegExp(`part2\\.htm#t=${stop}(?!\\d)`));
  await frame.waitForFunction((t) => Math.abs(document.getElementById("media").currentTime - t) < 0.5, { timeout: 10000 },
    stop);
  await play(frame, null);
  frame = await goTo(page, frame, "part3.htm");
  await play(frame, null);
  await page.waitForFunction((status) => calls.some((c) => c[1] === status && c[2] === "completed"),
    { timeout: 10000 }, E.status).catch(async (e) => {
    console.error(JSON.stringify(await page.evaluate(() => calls)));
    throw e;
  });
  calls = await closeNow(page);
  assert.deepStrictEqual(calls[0], [E.init], kind);
  const done = calls.findIndex((c) => c[1] === E.status && c[2] === "completed");
  assert.ok(done > 0 && calls.slice(done).some((c) => c[0] === E.commit), `${kind}: commit after completion`);
  assert.deepStrictEqual(set(calls, E.exit), [kind === "1.2" ? "" : "normal"], kind);
  assert.deepStrictEqual(calls.slice(-1)[0], [E.finish], kind);
  await page.close();
}

let browser;
before(async () => { browser = await launch(); });
after(() => browser.close());

for (const [kind, zip] of [["1.2", "lecture-scorm12.zip"], ["2004", "lecture-scorm2004.zip"]]) {
  test(`the SCORM ${kind} package in the stand-in platform`, async () => {
    const work = fs.mkdtempSync(path.join(os.tmpdir(), "pellucor-scorm-"));
    execFileSync("python3", ["-m", "zipfile", "-e", path.join(packages, zip), path.join(work, "pkg")]);
    fs.copyFileSync(path.join(__dirname, "platform.htm"), path.join(work, "platform.htm"));
    for (const runtime of ["scorm12.js", "scorm2004.js"]) {
      fs.copyFileSync(path.join(required("PELLUCOR_NODE_MODULES"), "scorm-again", "dist", runtime), path.join(work, runtime));
    }
    const host = await serve(work);
    await run(browser, host.base, kind).finally(async () => {
      await host.close();
      fs.rmSync(work, { recursive: true, force: true });
    });
  });
}
