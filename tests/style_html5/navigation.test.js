// The published sample lecture used from the keyboard and the mouse as a
// student would, in the browser the test runs for: the contents page,
// arrow keys and Previous/Next across parts (played in the same page) and
// disabled at the lecture's ends, playing on at a part's end as set, the
// other shortcuts, the focus order, full screen, the panes' order and size,
// thumbnails, contents, search, slide pages that link only to their
// neighbours, the lecture as one video offered for download, and what a
// student reads and uses: times in one format, search results read apart,
// End to the lecture's end, a link to the moment copied.
"use strict";
const assert = require("node:assert/strict");
const fs = require("node:fs");
const { test } = require("node:test");
const url = require("node:url");
const h = require("./harness");

const browser = h.browserPerFile();

// Waits until the page shows the slide (in the part) with its seek done.
async function settled(page, slide, part) {
  await h.until(page, ([n, p]) => document.getElementById("slide").getAttribute("data-shown") === n &&
    (!p || document.body.getAttribute("data-part") === p) && !document.getElementById("media").seeking &&
    document.getElementById("media").readyState >= 1, [slide, part], `waiting for slide ${slide}`);
  return h.state(page);
}

// A click on a slide jumps to its start and plays from there.
function playsFrom(s, start) {
  assert.ok(s.t >= start - 0.05 && s.t < start + 1, `slide starting at ${start} s, at ${s.t}`);
  assert.ok(!s.paused, "playing");
}

// The link to the lecture as one video: a file of the publication, its
// size told beside it.
async function oneVideo(page) {
  const [href, text, size] = await page.$eval("#lecture-video", (a) => [a.href, a.textContent, a.nextElementSibling.textContent]);
  assert.equal(text, "Download the lecture as one video");
  const bytes = fs.statSync(url.fileURLToPath(href)).size;
  assert.ok(bytes > 100000, `${href} holds ${bytes} bytes`);
  assert.match(size, /^\(MP4, [0-9.]+ [KMG]?B\)$/);
  return [href, size];
}

const disabled = (page, id) => page.$eval(`#${id}`, (a) => a.getAttribute("aria-disabled") === "true" && !a.hasAttribute("href"));
const box = (page, selector) => page.$eval(selector, (e) => JSON.parse(JSON.stringify(e.getBoundingClientRect())));

test("the contents page lists the whole lecture and plays it", () => h.session(browser, "index.htm", async ({ page }) => {
  const parts = await page.$$eval("section.part h3", (l) => l.map((e) => e.textContent));
  assert.deepEqual(parts, ["Part 1 length 0:06", "Part 2 length 0:04", "Part 3 length 0:06"]);
  assert.equal(await h.text(page, "p.lecture-length"), "Length of the whole lecture: 0:16");
  const cards = await page.$$eval("ol.cards li", (l) => l.map((li) => [li.value, li.querySelector("a").getAttribute("href"),
    li.querySelector("img").getAttribute("src"), li.querySelector(".card-title").textContent]));
  assert.deepEqual(cards.map((c) => c[0]), [1, 2, 3, 4, 5, 6]);
  assert.deepEqual(cards[4], [5, "part3.htm#slide=5", "img005.gif", "Recorded on a phone"]);
  const video = await oneVideo(page);
  await page.click("ol.cards li:nth-child(2) a");
  await h.waitForUrl(page, /part1\.htm/);
  await h.ready(page);
  await settled(page, "2", "1");
  assert.deepEqual(await oneVideo(page), video, "the part page offers the same video");
  // Play opens part 1 and starts it where the browser lets a page start
  // by itself; otherwise it says so, and one key plays.
  await h.visit(page, "index.htm");
  await page.click("a.play");
  await h.waitForUrl(page, /part1\.htm/);
  await h.ready(page);
  await h.until(page, () => !document.getElementById("media").paused ||
    /press play/i.test(document.getElementById("status").textContent), null, "playing or asking to");
  if ((await h.state(page)).paused) {
    await h.playKey(page);
  }
  const s = await h.state(page);
  assert.ok(!/play/.test(new URL(s.url).hash), `the address no longer asks to play: ${s.url}`);
}));

test("arrow keys and Previous/Next go through the whole lecture and stop at its ends", () => h.session(browser, "part1.htm", async ({ page }) => {
  assert.ok(await disabled(page, "prev"), "Previous is disabled on the lecture's first slide");
  assert.equal(await page.$eval("#next", (a) => a.getAttribute("href")), "sld002.htm");
  // [how, slide, part, its start]: on through the lecture, then back.
  const steps = [["ArrowRight", "2", "1", 2], ["ArrowRight", "3", "1", 4], ["ArrowLeft", "2", "1", 2], ["#next", "3", "1", 4],
    ["ArrowRight", "4", "2", 0], ["ArrowRight", "5", "3", 0], ["ArrowRight", "6", "3", 3], ["#prev", "5", "3", 0],
    ["#prev", "4", "2", 0], ["#prev", "3", "1", 4], ["ArrowLeft", "2", "1", 2], ["ArrowLeft", "1", "1", 0]];
  for (const [how, slide, part, start] of steps) {
    if (how.startsWith("#")) {
      await page.click(how);
    } else {
      await page.keyboard.press(how);
    }
    const s = await settled(page, slide, part);
    assert.ok(Math.abs(s.t - start) < 0.1, `${how} to slide ${slide}: at ${s.t}, expected ${start}`);
    if (slide === "6") {
      assert.ok(await disabled(page, "next"), "Next is disabled on the lecture's last slide");
      await page.keyboard.press("ArrowRight");
      await h.sleep(300);
      assert.equal((await h.state(page)).shown, "6", "nothing after the last slide");
      assert.match((await h.state(page)).status, /last slide/);
    }
  }
  await page.keyboard.press("ArrowLeft");
  await h.sleep(200);
  assert.equal((await h.state(page)).shown, "1");
  assert.match((await h.state(page)).status, /first slide/);
}));

// A browser may land a seek on the sound or key frame before the time
// asked for (Firefox on a host without byte ranges did): the slide gone to
// stays shown, and the next one is still one step on.
test("a seek landing just before a slide's start still shows that slide", () => h.session(browser, "part1.htm", async ({ page }) => {
  await page.evaluate(() => {
    const real = Object.getOwnPropertyDescriptor(HTMLMediaElement.prototype, "currentTime");
    Object.defineProperty(HTMLMediaElement.prototype, "currentTime", {
      configurable: true, get: real.get, set(t) { real.set.call(this, Math.max(0, t - 0.15)); },
    });
  });
  for (const [slide, start] of [["2", 2], ["3", 4]]) {
    await page.keyboard.press("ArrowRight");
    const s = await settled(page, slide, "1");
    assert.ok(Math.abs(s.t - (start - 0.15)) < 0.05, `landed short of ${start} s: at ${s.t}`);
    await h.sleep(300);
    assert.equal((await h.state(page)).shown, slide, "the slide gone to stays shown");
  }
}));

test("Next from a playing part's last slide plays on in the next part; at a part's end it plays on as set", async () => {
  await h.session(browser, "part1.htm#slide=3", async ({ page }) => {
    await h.playKey(page);
    await page.click("#next");
    await settled(page, "4", "2");
    await h.until(page, () => document.getElementById("media").currentTime > 0.5, null, "playing part 2");
    assert.equal((await h.state(page)).status, "");
    // Turned off (and remembered), a part's end stops there.
    await page.click("#play-on");
    await h.visit(page, "part1.htm");
    assert.equal(await page.$eval("#play-on", (c) => c.checked), false, "the setting is remembered");
    await h.seek(page, 5);
    await h.playKey(page);
    await h.until(page, () => /End of part 1\./.test(document.getElementById("status").textContent), null, "the part's end");
    assert.equal((await h.state(page)).part, "1");
  });
  // Opened with nothing done on it, the page may not start by itself: it
  // says so without an error, and one key plays.
  await h.session(browser, "part2.htm#slide=4&play", async ({ page }) => {
    await h.until(page, () => !document.getElementById("media").paused ||
      /press play/i.test(document.getElementById("status").textContent), null, "playing or asking to");
    if ((await h.state(page)).paused) {
      await h.playKey(page);
      await h.until(page, () => document.getElementById("status").textContent === "", null, "the request gone");
    }
  });
});

test("the keys play, pause, skip and show themselves; the arrows work on the focused player", () => h.session(browser, "part1.htm", async ({ page }) => {
  await page.keyboard.press(" ");
  await h.until(page, () => !document.getElementById("media").paused, null, "Space plays");
  await page.keyboard.press("k");
  assert.ok((await h.state(page)).paused, "K pauses");
  await page.keyboard.press("l");
  let s = await settled(page, "3");
  assert.ok(s.t > 5.5, `L skips 10 s ahead (to the end here): ${s.t}`);
  await page.keyboard.press("j");
  s = await settled(page, "1");
  assert.ok(s.t < 0.1, "J skips 10 s back (to the start here)");

  await page.keyboard.press("?");
  assert.ok(await page.$eval("#keys", (d) => d.open), "? shows the keys");
  await page.keyboard.press("ArrowRight");
  assert.equal((await h.state(page)).shown, "1", "keys do nothing behind the list");
  await page.keyboard.press("Escape");
  assert.ok(!(await page.$eval("#keys", (d) => d.open)));

  // The player itself has the focus: the arrows still change the slide.
  await page.focus("#media");
  await page.keyboard.press("ArrowRight");
  s = await settled(page, "2");
  assert.ok(Math.abs(s.t - 2) < 0.1, `at the slide's start, not a skip: ${s.t}`);
  await page.keyboard.press(" ");
  await h.until(page, () => !document.getElementById("media").paused, null, "Space on the player plays");
  await page.keyboard.press(" ");
  await h.sleep(200);
  assert.ok((await h.state(page)).paused, "Space on the player toggles once");

  // Typing in the search box is not taken as keys.
  await page.focus("#search");
  await page.keyboard.type("kl");
  s = await h.state(page);
  assert.ok(s.paused && s.shown === "2");
}));

test("the focus goes to the contents link, the player, the panes' splitter, the slide navigation, then the rest, visibly", () => h.session(browser, "part2.htm", async ({ page }) => {
  // The player's own controls take several stops; they count as one.
  const order = [];
  for (let i = 0; i < 24 && order.length < 10; i++) {
    await page.keyboard.press("Tab");
    const o = await page.evaluate(() => {
      const e = document.activeElement;
      const style = getComputedStyle(e);
      return { id: e.id || (e.closest("[id]") || e).id || e.tagName, outline: style.outlineStyle, width: parseFloat(style.outlineWidth) };
    });
    if (!order.length || order[order.length - 1].id !== o.id) {
      order.push(o);
    }
  }
  // Part 2 is one slide: Previous leads back, Next on to part 3.
  assert.deepEqual(order.map((o) => o.id),
    ["home", "media", "splitter", "prev", "next", "bar", "thumbs", "speed", "play-on", "say-slides"]);
  for (const o of order.filter((x) => x.id !== "media")) {
    assert.ok(o.outline !== "none" && o.width >= 2, `focus visible on ${o.id}`);
  }
}));

test("full screen shows the slide, or the slide and the video side by side; the panes swap and resize, remembered", () => h.session(browser, "part1.htm", async ({ page }) => {
  await page.click("#fullscreen-slide");
  await h.until(page, () => document.fullscreenElement && document.fullscreenElement.id === "slide-frame", null, "slide full screen");
  await page.keyboard.press("ArrowRight");
  await settled(page, "2");
  await page.keyboard.press("f");
  await h.until(page, () => !document.fullscreenElement, null, "F leaves full screen");
  await page.click("#fullscreen-both");
  await h.until(page, () => document.fullscreenElement && document.fullscreenElement.id === "lecture", null, "both full screen");
  let video = await box(page, "#media");
  let slide = await box(page, "#slide");
  assert.ok(video.right <= slide.left && video.bottom > slide.top && slide.bottom > video.top,
    `side by side: video ${JSON.stringify(video)}, slide ${JSON.stringify(slide)}`);
  assert.ok(!(await h.visible(page, "nav.toc")) && !(await h.visible(page, "#thumbs")), "nothing else");
  await page.evaluate(() => document.exitFullscreen());
  await h.until(page, () => !document.fullscreenElement, null, "left full screen");

  // Swapped, the slide comes first; the splitter widens the video pane.
  await page.click("#swap");
  video = await box(page, "#media");
  slide = await box(page, "#slide");
  assert.ok(slide.right <= video.left, "the slide on the left");
  await page.click("#swap");
  const before = (await box(page, "#media")).width;
  await page.focus("#splitter");
  await page.keyboard.press("PageUp");
  await page.keyboard.press("ArrowRight");
  assert.equal(await page.$eval("#splitter", (e) => e.getAttribute("aria-valuenow")), "46");
  const wider = (await box(page, "#media")).width;
  assert.ok(wider > before + 100, `the video pane grew from ${before} to ${wider} px`);
  await page.click("#swap");
  await page.reload();
  await h.ready(page);
  assert.equal(await page.$eval("#swap", (b) => b.getAttribute("aria-pressed")), "true", "swapped after a reload");
  assert.equal(await page.$eval("#splitter", (e) => e.getAttribute("aria-valuenow")), "46", "the size after a reload");
}));

test("thumbnails and contents cover the lecture, follow the recording and play other parts", () => h.session(browser, "part1.htm", { viewport: { width: 375, height: 740 } }, async ({ page }) => {
  const thumbs = await page.$$eval("#thumbs li", (l) => l.map((li) => li.getAttribute("data-slide")));
  assert.deepEqual(thumbs, ["1", "2", "3", "4", "5", "6"]);
  const headings = await page.$$eval("nav.toc h3 a", (l) => l.map((a) => [a.textContent, a.getAttribute("href")]));
  assert.deepEqual(headings, [["Part 1", "part1.htm"], ["Part 2", "part2.htm"], ["Part 3", "part3.htm"]]);
  let s = await h.state(page);
  assert.equal(s.contents, "1", "the current slide is marked from the start");
  assert.equal(s.thumb, "1");

  await h.click(page, "#thumbs li[data-slide='3'] a");
  playsFrom(await settled(page, "3"), 4);
  // The current thumbnail is scrolled into the strip's view.
  await h.until(page, () => {
    const strip = document.getElementById("thumbs").getBoundingClientRect();
    const r = document.querySelector("#thumbs a[aria-current='true']").getBoundingClientRect();
    return r.left >= strip.left - 1 && r.right <= strip.right + 1;
  }, null, "the current thumbnail in view");
  await h.click(page, "nav.toc li[data-slide='2'] a");
  playsFrom(await settled(page, "2"), 2);
  await h.click(page, "#thumbs li[data-slide='4'] a");
  s = await settled(page, "4", "2");
  playsFrom(s, 0);
  assert.equal(s.contents, "4");
  await h.click(page, "nav.toc li[data-slide='1'] a");
  playsFrom(await settled(page, "1", "1"), 0);
}));

test("search finds words of titles, slides, notes and any part's captions and plays from there", () => h.session(browser, "part2.htm", async ({ page }) => {
  const slides = () => page.$$eval("#results li[data-slide]", (l) => l.map((li) => li.getAttribute("data-slide")));
  await h.fill(page, "#search", "Latency");
  const hits = await page.$$eval("#results li", (l) => l.map((li) => ({
    slide: li.getAttribute("data-slide"), title: li.querySelector("strong").textContent,
    mark: (li.querySelector("mark") || {}).textContent, img: li.querySelector("img").getAttribute("src") })));
  assert.deepEqual(hits, [{ slide: "2", title: "Why \"timing\" matters", mark: "latency", img: "img002.gif" }]);
  assert.match(await h.text(page, "#search-count"), /^1 slide and 0 captions found/);
  await page.click("#results li a");
  playsFrom(await settled(page, "2", "1"), 2);

  await h.fill(page, "#search", "results");
  assert.deepEqual(await slides(), ["3"]);
  await page.focus("#search");
  await page.keyboard.press("Enter");
  playsFrom(await settled(page, "3", "1"), 4);
  // The words in the picture, read by OCR: a screen reader finds them
  // beside it.
  assert.match(await h.text(page, "#slide-text"), /The median error fell to 40 milliseconds/);

  // A word only on a slide's body.
  await h.fill(page, "#search", "MILLIseconds");
  assert.deepEqual(await slides(), ["3"]);
  assert.equal(await page.$eval("#results li mark", (m) => m.textContent), "milliseconds");

  await h.fill(page, "#search", "QUESTIONS audience");
  assert.deepEqual(await slides(), ["4"]);
  await h.fill(page, "#search", "nowhere-to-be-found");
  assert.equal(await h.text(page, "#search-count"), "No slide or caption found.");

  // Words said in any part's captions, with their time, play from there.
  await h.fill(page, "#search", "lecturer's WORDS");
  await h.until(page, () => document.querySelectorAll("#results li[data-time]").length === 1, null, "a caption hit");
  const hit = await page.$eval("#results li[data-time]", (li) => [li.getAttribute("data-part"), li.textContent,
    li.querySelector("mark").textContent]);
  assert.equal(hit[0], "3");
  assert.match(hit[1], /Part 3 at 0:03.*Captions follow the lecturer's words\./);
  assert.equal(hit[2], "lecturer's");
  assert.equal(await h.text(page, "#search-count"), "0 slides and 1 caption found.");
  await page.keyboard.press("Enter");
  await h.until(page, () => document.body.getAttribute("data-part") === "3" &&
    !document.getElementById("media").paused, null, "playing in part 3");
  const s = await h.state(page);
  assert.ok(s.t >= 3.15 && s.t < 4.2 && s.shown === "6", JSON.stringify(s));

  // Slide 2 of the 60-slide lecture ends a line with "terms of" and
  // begins the next with "this License": two words, not "ofthis".
  const long = { base: h.fileUrl("", `${process.env.PELLUCOR_HTML5_LONG}/published`) };
  await h.visit(page, "part1.htm", long);
  await h.fill(page, "#search", "ofthis");
  assert.equal(await h.text(page, "#search-count"), "No slide or caption found.");
  await h.fill(page, "#search", "of this license");
  assert.deepEqual(await slides(), ["2"]);
  assert.match(await h.text(page, "#results .snippet"), /terms of this License/);
}));

test("slide pages link to their neighbours, never to themselves, and take the arrow keys", () => h.session(browser, "sld001.htm", async ({ page }) => {
  for (const n of [1, 2, 3, 4, 5, 6]) {
    const name = `sld00${n}.htm`;
    await page.goto(h.fileUrl(name));
    const links = await page.$$eval("a[href]", (l) => l.map((a) => a.getAttribute("href")));
    assert.ok(!links.includes(name), `${name} links to itself: ${links}`);
    assert.equal(await page.$eval("#prev", (a) => a.getAttribute("href")), n > 1 ? `sld00${n - 1}.htm` : null);
    assert.equal(await page.$eval("#next", (a) => a.getAttribute("href")), n < 6 ? `sld00${n + 1}.htm` : null);
    assert.ok(links.includes(`part${n < 4 ? 1 : n < 5 ? 2 : 3}.htm#slide=${n}`), `${name} plays from its slide`);
  }
  await page.goto(h.fileUrl("sld003.htm"));
  assert.match(await page.$eval(".slide-text", (s) => s.textContent), /milliseconds/);
  await page.goto(h.fileUrl("sld002.htm"));
  await page.keyboard.press("ArrowRight");
  await h.waitForUrl(page, /sld003\.htm/);
  await page.keyboard.press("ArrowLeft");
  await h.waitForUrl(page, /sld002\.htm/);
}));

// The page as a student reads and uses it, one row a behaviour, each on
// part 1's page as the rows before left it.
const studentRows = [
  ["every time a student reads is in one format (m:ss), the whole lecture's length on the contents page", async (page) => {
    for (const name of fs.readdirSync(h.out).filter((n) => n.endsWith(".htm"))) {
      const words = fs.readFileSync(`${h.out}/${name}`, "utf8").replace(/<[^>]*>/g, " ");
      assert.doesNotMatch(words, /\d\d:\d\d:\d\d/, `${name} shows a time as hh:mm:ss`);
    }
    const times = await page.$$eval("#slide-time, #bar-time, #bar-total, nav.toc .time", (l) => l.map((e) => e.textContent));
    assert.deepEqual(times, ["0:00", "0:00", "0:16", "length 0:06", "0:00", "0:02", "0:04", "length 0:04", "0:00", "length 0:06",
      "0:00", "0:03"]);
  }],
  ["a search result's link, place and words are read apart", async (page) => {
    await h.fill(page, "#search", "latency");
    const hit = await page.$eval("#results li", (li) => [li.querySelector("a").textContent, li.innerText.split("\n").filter(Boolean)]);
    assert.equal(hit[0], "Why \"timing\" matters");
    assert.deepEqual(hit[1].slice(0, 2), ["Why \"timing\" matters", "Slide 2, part 1, at 0:02"]);
    assert.match(hit[1][2], /latency/);
    assert.equal(hit[1].length, 3);
  }],
  ["End on the bar goes to the lecture's very end", async (page) => {
    await page.focus("#bar");
    await page.keyboard.press("End");
    await h.until(page, () => {
      const m = document.getElementById("media");
      return document.body.getAttribute("data-part") === "3" && m.readyState >= 1 && !m.seeking && m.currentTime >= m.duration - 0.05;
    }, null, "the end of part 3");
    const s = await h.state(page);
    assert.deepEqual([s.shown, s.bar, await h.text(page, "#bar-time")], ["6", 16, "0:16"]);
  }],
  ["a link to this moment is copied (or shown where the browser copies nothing) and opens the lecture there", async (page) => {
    // The clipboard, faked: what is copied is kept, or refused when asked.
    await page.evaluate(() => {
      window.copied = [];
      const writeText = (t) => window.copied.push(t) && (window.refuse ? Promise.reject(new Error("no")) : Promise.resolve());
      Object.defineProperty(navigator, "clipboard", { value: { writeText }, configurable: true });
      document.execCommand = () => false;
    });
    await h.seek(page, 3.5);
    const link = h.fileUrl("part3.htm") + "#t=3s";
    await page.click("#copy-link");
    await h.until(page, () => /copied/.test(document.getElementById("status").textContent), null, "copied");
    assert.deepEqual(await page.evaluate(() => [window.copied, document.getElementById("moment-link").hidden]), [[link], true]);
    assert.equal(await h.text(page, "#status"), "Link to 0:03 copied.");
    await page.evaluate(() => { window.refuse = true; });
    await page.click("#copy-link");
    await h.until(page, () => !document.getElementById("moment-link").hidden, null, "the link shown");
    assert.equal(await page.$eval("#moment-link", (f) => [f.value, document.activeElement === f].join()), `${link},true`);
    await page.goto("about:blank");
    await page.goto(link);
    await h.ready(page);
    await settled(page, "6", "3");
    assert.ok(Math.abs((await h.state(page)).t - 3) < 0.3);
  }],
];

test("the page as a student reads and uses it", () => h.session(browser, "part1.htm", async ({ page }) => {
  for (const [what, row] of studentRows) {
    await row(page).catch((e) => assert.fail(`${what}: ${e.message}`));
  }
}));
