// The published sample lecture's pages in Chromium at phone and desktop
// widths, light and dark: no sideways scrolling down to 320 px, touch
// targets of 44 px, AA contrast, alt text and labels, reduced motion,
// navigation without JavaScript, and slide pages that print as the slide,
// its title and its notes. The style's script and stylesheet come through
// the style engine unchanged.
"use strict";
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { test } = require("node:test");
const h = require("./harness");

const chromium = h.browserPerFile();

const pages = ["part1.htm", "part2.htm", "sld002.htm", "sld004.htm"];

// Shows the parts of a part page that are hidden until used: a search with
// a hit and the offer to continue.
async function showEverything(page) {
  if (await page.$("#search")) {
    await page.fill("#search", "latency");
    await page.$eval("#resume", (r) => { r.hidden = false; });
    await page.$eval("#status", (s) => { s.textContent = "Press play (or K) to go on."; });
  }
}

test("at 1280, 375 and 320 px: no sideways scrolling, touch targets of 44 px, named controls", async () => {
  for (const width of [1280, 375, 320]) {
    const { context, page, problems } = await h.open(chromium.browser, pages[0], { viewport: { width, height: 700 } });
    for (const name of pages) {
      await h.visit(page, name);
      await showEverything(page);
      const sizes = await page.evaluate(() => [document.documentElement.scrollWidth, document.documentElement.clientWidth]);
      assert.ok(sizes[0] <= sizes[1], `${name} at ${width} px: ${sizes[0]} px wide in ${sizes[1]}`);
      const bad = await page.evaluate(() => {
        const found = [];
        const controls = document.querySelectorAll("a[href], button, select, input, [role='link']");
        for (const c of controls) {
          const r = c.getBoundingClientRect();
          if (!r.width || c.closest("dialog, .notes, template")) {
            continue;  // not shown, or a link inside the lecturer's notes text
          }
          const label = c.labels && c.labels.length ? c.labels[0].textContent :
            c.getAttribute("aria-label") || c.textContent.trim() || (c.querySelector("img") || {}).alt;
          if (r.width < 44 || r.height < 44 || !label) {
            found.push(`${c.outerHTML.slice(0, 80)} ${r.width}x${r.height} "${label}"`);
          }
        }
        return found;
      });
      assert.deepEqual(bad, [], `${name} at ${width} px`);
    }
    assert.deepEqual(problems, [], `at ${width} px`);
    await context.close();
  }
});

test("text has AA contrast in light and dark colours", async () => {
  for (const colorScheme of ["light", "dark"]) {
    const { context, page } = await h.open(chromium.browser, pages[0], { colorScheme });
    for (const name of pages) {
      await h.visit(page, name);
      await showEverything(page);
      const low = await page.evaluate(() => {
        const rgba = (text) => (text.match(/[\d.]+/g) || []).map(Number).concat([1]).slice(0, 4);
        const lum = ([r, g, b]) => {
          const f = (v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; };
          return 0.2126 * f(r) + 0.7152 * f(g) + 0.0722 * f(b);
        };
        const background = (e) => {
          for (; e; e = e.parentElement) {
            const c = rgba(getComputedStyle(e).backgroundColor);
            if (c[3] > 0.5) {
              return c;
            }
          }
          return [255, 255, 255, 1];
        };
        const found = [];
        for (const e of document.querySelectorAll("body *")) {
          const own = Array.from(e.childNodes).some((n) => n.nodeType === 3 && n.textContent.trim());
          const r = e.getBoundingClientRect();
          const style = getComputedStyle(e);
          if (!own || !r.width || style.visibility !== "visible" || e.closest("option, video, audio")) {
            continue;
          }
          const fg = rgba(style.color);
          const bg = background(e);
          const mixed = fg.slice(0, 3).map((v, i) => v * fg[3] + bg[i] * (1 - fg[3]));
          const [a, b] = [lum(mixed), lum(bg)].sort((x, y) => y - x);
          const ratio = (a + 0.05) / (b + 0.05);
          const size = parseFloat(style.fontSize);
          const large = size >= 24 || (size >= 18.66 && parseInt(style.fontWeight, 10) >= 700);
          const disabled = e.closest("[aria-disabled='true']");
          if (ratio < (large ? 3 : 4.5) && !disabled) {
            found.push(`${e.tagName} "${e.textContent.trim().slice(0, 30)}" ${ratio.toFixed(2)}`);
          }
        }
        return found;
      });
      assert.deepEqual(low, [], `${name} in ${colorScheme}`);
    }
    await context.close();
  }
});

test("slide pictures carry their titles as alt text", async () => {
  const { context, page } = await h.open(chromium.browser, "part1.htm");
  const titles = await page.$$eval("nav.toc li[data-slide] > a", (l) => l.map((a) => a.textContent));
  assert.deepEqual(titles, ["Welcome to the talk", "Why \"timing\" matters", "Results", "Questions", "Recorded on a phone",
    "Captions for everyone"]);
  assert.deepEqual(await page.$$eval("#thumbs img", (l) => l.map((i) => i.alt)), titles);
  assert.equal(await page.$eval("#slide", (i) => i.alt), titles[0]);
  await page.keyboard.press("ArrowRight");
  await page.waitForFunction(() => document.getElementById("slide").getAttribute("data-shown") === "2");
  assert.equal(await page.$eval("#slide", (i) => i.alt), titles[1]);
  for (let n = 1; n <= 6; n++) {
    await page.goto(h.fileUrl(`sld00${n}.htm`));
    assert.equal(await page.$eval("img.full", (i) => i.alt), titles[n - 1]);
    assert.equal(await page.textContent("main h2"), titles[n - 1]);
  }
  await context.close();
});

test("motion follows the reduced-motion setting", async () => {
  for (const [reducedMotion, expected] of [["reduce", "auto"], ["no-preference", "smooth"]]) {
    const { context, page } = await h.open(chromium.browser, "part1.htm", { reducedMotion });
    assert.equal(await page.$eval("#thumbs", (t) => getComputedStyle(t).scrollBehavior), expected);
    await context.close();
  }
});

test("without JavaScript the contents and the slide pages still navigate", async () => {
  const { context, page, problems } = await h.open(chromium.browser, "index.htm", { javaScriptEnabled: false });
  await page.waitForURL(/part1\.htm/);
  assert.ok(await page.locator("#media").isVisible());
  assert.ok(await page.locator("#search").isHidden(), "no search box that cannot work");
  await page.click("nav.toc li[data-slide='3'] a");
  await page.waitForURL(/sld003\.htm/);
  assert.equal(await page.textContent("main h2"), "Results");
  await page.click("#next");
  await page.waitForURL(/sld004\.htm/);
  assert.match(await page.textContent(".notes"), /Questions from the audience/);
  await page.click("#prev");
  await page.waitForURL(/sld003\.htm/);
  await page.click("text=Play from");
  await page.waitForURL(/part1\.htm#slide=3/);
  await page.click("#next");
  await page.waitForURL(/sld002\.htm/);
  assert.deepEqual(problems, []);
  await context.close();
});

test("a slide page prints as the slide, its title and its notes", async () => {
  const { context, page } = await h.open(chromium.browser, "sld002.htm");
  await page.emulateMedia({ media: "print" });
  const shown = await page.evaluate(() => ["header.bar", "nav.slide-nav", "main h2", "img.full", ".notes"].map(
    (s) => getComputedStyle(document.querySelector(s)).display !== "none"));
  assert.deepEqual(shown, [false, false, true, true, true]);
  assert.match(await page.textContent(".notes"), /latency/);
  const pdf = await page.pdf({ format: "A4" });
  assert.ok(pdf.length > 1000);
  await context.close();
});

test("the script and the stylesheet come through the style engine unchanged", () => {
  const style = path.join(__dirname, "..", "..", "styles", "html5");
  for (const name of ["player.js", "style.css"]) {
    const published = fs.readFileSync(path.join(h.out, name), "utf8").replace(/\r\n/g, "\n");
    assert.equal(published, fs.readFileSync(path.join(style, name), "utf8"), name);
  }
});
