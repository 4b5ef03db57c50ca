// The published sample lecture in Chromium, used from the keyboard and the
// mouse as a student would: arrow keys and Previous/Next across parts and
// disabled at the lecture's ends, the other shortcuts, the focus order,
// thumbnails, contents, search, and slide pages that link only to their
// neighbours.
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const h = require("./harness");

const chromium = h.browserPerFile();

async function settled(page, slide) {
  try {
    await page.waitForFunction((n) => document.getElementById("slide").getAttribute("data-shown") === n &&
      !document.getElementById("media").seeking, slide, { timeout: 10000 });
  } catch (e) {
    const s = await h.state(page);
    const seeking = await page.$eval("#media", (m) => [m.seeking, m.readyState, m.networkState]);
    assert.fail(`waiting for slide ${slide}: ${JSON.stringify(s)} seeking/ready/network ${seeking}`);
  }
  return h.state(page);
}

// A click on a slide jumps to its start and plays from there.
function playsFrom(s, start) {
  assert.ok(s.t >= start - 0.05 && s.t < start + 1, `slide starting at ${start} s, at ${s.t}`);
  assert.ok(!s.paused, "playing");
}

async function disabled(page, id) {
  return page.$eval(`#${id}`, (a) => a.getAttribute("aria-disabled") === "true" && !a.hasAttribute("href"));
}

test("arrow keys and Previous/Next go through the whole lecture and stop at its ends", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm");
  assert.ok(await disabled(page, "prev"), "Previous is disabled on the lecture's first slide");
  assert.ok(!(await disabled(page, "next")));
  assert.equal(await page.$eval("#next", (a) => a.getAttribute("href")), "sld002.htm");

  await page.keyboard.press("ArrowRight");
  let s = await settled(page, "2");
  assert.ok(Math.abs(s.t - 2) < 0.1, `slide 2 starts at 2 s, at ${s.t}`);
  await page.keyboard.press("ArrowRight");
  s = await settled(page, "3");
  await page.keyboard.press("ArrowLeft");
  s = await settled(page, "2");
  await page.click("#next");
  s = await settled(page, "3");
  assert.ok(Math.abs(s.t - 4) < 0.1);

  // From the part's last slide Next opens the next part at its first slide.
  await page.keyboard.press("ArrowRight");
  await page.waitForURL(/part2\.htm/);
  await h.ready(page);
  s = await settled(page, "4");
  assert.ok(s.t < 0.1);
  await page.keyboard.press("ArrowRight");
  await page.waitForURL(/part3\.htm/);
  await h.ready(page);
  s = await settled(page, "5");
  assert.ok(s.t < 0.1);
  await page.keyboard.press("ArrowRight");
  s = await settled(page, "6");
  assert.ok(Math.abs(s.t - 3) < 0.1, `slide 6 starts at 3 s, at ${s.t}`);
  assert.ok(await disabled(page, "next"), "Next is disabled on the lecture's last slide");
  await page.click("#next", { force: true });
  await page.keyboard.press("ArrowRight");
  await h.sleep(300);
  s = await h.state(page);
  assert.ok(s.url.includes("part3.htm") && s.shown === "6", "nothing after the last slide");
  assert.match(s.status, /last slide/);

  // And back: Previous opens the previous part at its last slide.
  await page.click("#prev");
  s = await settled(page, "5");
  await page.click("#prev");
  await page.waitForURL(/part2\.htm/);
  await h.ready(page);
  s = await settled(page, "4");
  await page.click("#prev");
  await page.waitForURL(/part1\.htm/);
  await h.ready(page);
  s = await settled(page, "3");
  assert.ok(Math.abs(s.t - 4) < 0.1);
  await page.keyboard.press("ArrowLeft");
  await page.keyboard.press("ArrowLeft");
  s = await settled(page, "1");
  await page.keyboard.press("ArrowLeft");
  await h.sleep(200);
  assert.equal((await h.state(page)).shown, "1");
  assert.match((await h.state(page)).status, /first slide/);
  assert.deepEqual(problems, []);
  await context.close();
});

test("Next from a playing part's last slide plays on in the next part where the browser allows", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm#slide=3");
  await page.keyboard.press("k");
  await page.waitForFunction(() => !document.getElementById("media").paused);
  await page.click("#next");
  await page.waitForURL(/part2\.htm/);
  await h.ready(page);
  await settled(page, "4");
  await page.waitForFunction(() => !document.getElementById("media").paused ||
    /press play/i.test(document.getElementById("status").textContent), null, { timeout: 5000 });
  let s = await h.state(page);
  if (s.paused) {
    // Not allowed to start by itself: it says so, and one key goes on.
    await page.keyboard.press("k");
    await page.waitForFunction(() => !document.getElementById("media").paused);
  }
  await page.waitForFunction(() => document.getElementById("media").currentTime > 0.5);
  s = await h.state(page);
  assert.equal(s.shown, "4");
  assert.ok(!s.url.includes("play"), "the address no longer asks to play");
  assert.deepEqual(problems, []);
  await context.close();

  // Opened with nothing done on it, the page may not start by itself: it
  // says so without an error, and one key plays.
  const fresh = await h.open(chromium.browser, "part2.htm#slide=4&play");
  await fresh.page.waitForFunction(() => /press play/i.test(document.getElementById("status").textContent));
  assert.ok((await h.state(fresh.page)).paused);
  await fresh.page.keyboard.press("k");
  await fresh.page.waitForFunction(() => !document.getElementById("media").paused &&
    document.getElementById("status").textContent === "");
  assert.deepEqual(fresh.problems, []);
  await fresh.context.close();
});

test("the keys play, pause, skip and show themselves; the arrows work on the focused player", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm");
  const media = () => h.state(page);
  await page.keyboard.press(" ");
  await page.waitForFunction(() => !document.getElementById("media").paused);
  await page.keyboard.press("k");
  assert.ok((await media()).paused, "K pauses");
  await page.keyboard.press("l");
  let s = await media();
  assert.ok(s.t > 5.5, `L skips 10 s ahead (to the end here): ${s.t}`);
  assert.equal(s.shown, "3");
  await page.keyboard.press("j");
  s = await settled(page, "1");
  assert.ok(s.t < 0.1, "J skips 10 s back (to the start here)");

  await page.keyboard.press("?");
  assert.ok(await page.$eval("#keys", (d) => d.open), "? shows the keys");
  await page.keyboard.press("ArrowRight");
  assert.equal((await media()).shown, "1", "keys do nothing behind the list");
  await page.keyboard.press("Escape");
  assert.ok(!(await page.$eval("#keys", (d) => d.open)));

  // The player itself has the focus: the arrows still change the slide.
  await page.focus("#media");
  await page.keyboard.press("ArrowRight");
  s = await settled(page, "2");
  assert.ok(Math.abs(s.t - 2) < 0.1, `at the slide's start, not a skip: ${s.t}`);
  await page.keyboard.press(" ");
  await page.waitForFunction(() => !document.getElementById("media").paused);
  await page.keyboard.press(" ");
  await h.sleep(200);
  assert.ok((await media()).paused, "Space on the player toggles once");

  // Typing in the search box is not taken as keys.
  await page.fill("#search", "");
  await page.focus("#search");
  await page.keyboard.type("kl");
  assert.ok((await media()).paused);
  assert.equal((await media()).shown, "2");
  assert.deepEqual(problems, []);
  await context.close();
});

test("the focus goes to the player, the slide navigation, then the rest, and is visible", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "part2.htm");
  // The player's own controls take several stops; they count as one.
  const order = [];
  for (let i = 0; i < 16 && order.length < 6; i++) {
    await page.keyboard.press("Tab");
    const o = await page.evaluate(() => {
      const e = document.activeElement;
      const style = getComputedStyle(e);
      return { id: e.id || e.closest("[id]").id, outline: style.outlineStyle, width: parseFloat(style.outlineWidth) };
    });
    if (!order.length || order[order.length - 1].id !== o.id) {
      order.push(o);
    }
  }
  // Part 2 is one slide: Previous leads back, Next on to part 3.
  assert.deepEqual(order.map((o) => o.id), ["media", "prev", "next", "thumbs", "speed", "keys-button"]);
  for (const o of order.slice(1)) {
    assert.ok(o.outline !== "none" && o.width >= 2, `focus visible on ${o.id}`);
  }
  assert.deepEqual(problems, []);
  await context.close();
});

test("thumbnails and contents cover the lecture, follow the recording and open other parts", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "part1.htm", { viewport: { width: 375, height: 740 } });
  const thumbs = await page.$$eval("#thumbs li", (l) => l.map((li) => li.getAttribute("data-slide")));
  assert.deepEqual(thumbs, ["1", "2", "3", "4", "5", "6"]);
  const headings = await page.$$eval("nav.toc h3 a", (l) => l.map((a) => [a.textContent, a.getAttribute("href")]));
  assert.deepEqual(headings, [["Part 1", "part1.htm"], ["Part 2", "part2.htm"], ["Part 3", "part3.htm"]]);
  let s = await h.state(page);
  assert.equal(s.contents, "1", "the current slide is marked from the start");
  assert.equal(s.thumb, "1");

  await page.click("#thumbs li[data-slide='3'] a");
  s = await settled(page, "3");
  playsFrom(s, 4);
  // The current thumbnail is scrolled into the strip's view.
  await page.waitForFunction(() => {
    const strip = document.getElementById("thumbs").getBoundingClientRect();
    const r = document.querySelector("#thumbs a[aria-current='true']").getBoundingClientRect();
    return r.left >= strip.left - 1 && r.right <= strip.right + 1;
  }, null, { timeout: 3000 });

  await page.click("nav.toc li[data-slide='2'] a");
  s = await settled(page, "2");
  playsFrom(s, 2);

  await page.click("#thumbs li[data-slide='4'] a");
  await page.waitForURL(/part2\.htm/);
  await h.ready(page);
  s = await settled(page, "4");
  assert.equal(s.contents, "4");
  await page.click("nav.toc li[data-slide='1'] a");
  await page.waitForURL(/part1\.htm/);
  await h.ready(page);
  await settled(page, "1");
  assert.deepEqual(problems, []);
  await context.close();
});

test("search finds words of titles and notes and jumps to the slide", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "part2.htm");
  await page.fill("#search", "Latency");
  const hits = await page.$$eval("#results li", (l) => l.map((li) => ({
    slide: li.getAttribute("data-slide"), title: li.querySelector("strong").textContent,
    mark: (li.querySelector("mark") || {}).textContent, img: li.querySelector("img").getAttribute("src") })));
  assert.deepEqual(hits, [{ slide: "2", title: "Why \"timing\" matters", mark: "latency", img: "img002.gif" }]);
  assert.match(await page.textContent("#search-count"), /1 slide/);
  await page.click("#results li a");
  await page.waitForURL(/part1\.htm/);
  await h.ready(page);
  let s = await settled(page, "2");
  playsFrom(s, 2);

  await page.fill("#search", "results");
  assert.deepEqual(await page.$$eval("#results li", (l) => l.map((li) => li.getAttribute("data-slide"))), ["3"]);
  await page.press("#search", "Enter");
  s = await settled(page, "3");
  playsFrom(s, 4);

  await page.fill("#search", "QUESTIONS audience");
  assert.deepEqual(await page.$$eval("#results li", (l) => l.map((li) => li.getAttribute("data-slide"))), ["4"]);
  await page.fill("#search", "nowhere-to-be-found");
  assert.match(await page.textContent("#search-count"), /No slide/);
  assert.deepEqual(problems, []);
  await context.close();
});

test("slide pages link to their neighbours, never to themselves, and take the arrow keys", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "sld001.htm");
  for (const n of [1, 2, 3, 4, 5, 6]) {
    const name = `sld00${n}.htm`;
    await page.goto(h.fileUrl(name));
    const links = await page.$$eval("a[href]", (l) => l.map((a) => a.getAttribute("href")));
    assert.ok(!links.includes(name), `${name} links to itself: ${links}`);
    const prev = await page.$eval("#prev", (a) => a.getAttribute("href"));
    const next = await page.$eval("#next", (a) => a.getAttribute("href"));
    assert.equal(prev, n > 1 ? `sld00${n - 1}.htm` : null);
    assert.equal(next, n < 6 ? `sld00${n + 1}.htm` : null);
    assert.ok(links.includes(`part${n < 4 ? 1 : n < 5 ? 2 : 3}.htm#slide=${n}`), `${name} plays from its slide`);
  }
  await page.goto(h.fileUrl("sld002.htm"));
  await page.keyboard.press("ArrowRight");
  await page.waitForURL(/sld003\.htm/);
  await page.keyboard.press("ArrowLeft");
  await page.waitForURL(/sld002\.htm/);
  assert.deepEqual(problems, []);
  await context.close();
});
