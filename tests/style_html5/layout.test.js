// The published lectures' pages in the browser the test runs for, at phone
// and desktop widths, light and dark: no sideways scrolling down to 320 px,
// touch targets of 44 px, AA contrast, no axe violation (part pages with all
// their script shows), alt text and labels, reduced motion, navigation
// without JavaScript or the player's script, the contents numbered as the
// lecture is, sharp slides where the lecture has them, the slide's room on
// large screens, printing (a slide page as the slide, its title and notes;
// the handout two or three slides to a page), and the style's script and
// stylesheet published unchanged.
"use strict";
const assert = require("node:assert/strict");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { test } = require("node:test");
const h = require("./harness");

const browser = h.browserPerFile();
const pages = ["part1.htm", "part2.htm", "sld002.htm", "sld004.htm", "index.htm", "handout.htm", "n001.htm"];
const longDir = path.join(process.env.PELLUCOR_HTML5_LONG, "published");
const long = { base: h.fileUrl("", longDir) };
const axe = fs.readFileSync(path.join(h.modules, "axe-core", "axe.min.js"), "utf8");

// What axe-core finds wrong on the page: with every rule it has (and at
// least ten of them passed), or with the rules named.
async function axeFinds(page, rules = null) {
  await page.evaluate(axe);
  return page.evaluate(async (only) => {
    const result = await window.axe.run(document, { resultTypes: ["violations"], preload: false, ...(only && { runOnly: only }) });
    const found = result.violations.map((v) => `${v.id} (${v.impact}): ${v.nodes.map((n) => n.target.join(" ")).slice(0, 3).join(", ")}`);
    return result.passes.length > (only ? 0 : 10) || found.length ? found : [`axe checked only ${result.passes.length} rules`];
  }, rules);
}

// Shows the parts of a part page that are hidden until used: a search with
// hits, the offer to continue, a status line and the link to the moment.
async function showEverything(page, words = "latency") {
  if (await page.$("#resume")) {
    await h.fill(page, "#search", words);
    await page.$eval("#resume", (r) => { r.hidden = false; });
    await page.$eval("#status", (s) => { s.textContent = "Press play (or K) to go on."; });
    await page.$eval("#moment-link", (f) => { f.hidden = false; f.value = location.href; });
  }
}

test("at 1280, 375 and 320 px, light and dark: no sideways scrolling, touch targets of 44 px, named controls, AA contrast (axe)", async () => {
  for (const [width, colorScheme] of [[1280, "light"], [375, "light"], [320, "light"], [1280, "dark"]]) {
    await h.session(browser, pages[0], { viewport: { width, height: 700 }, colorScheme }, async ({ page }) => {
      for (const name of pages) {
        await h.visit(page, name);
        await showEverything(page);
        const sizes = await page.evaluate(() => [document.documentElement.scrollWidth, document.documentElement.clientWidth]);
        assert.ok(sizes[0] <= sizes[1], `${name} at ${width} px: ${sizes[0]} px wide in ${sizes[1]}`);
        const bad = await page.evaluate(() => {
          const found = [];
          const controls = document.querySelectorAll("a[href], button, select, input, [role='link'], [role='slider']");
          for (const c of controls) {
            // A check box or radio button is reached through its label.
            const target = /checkbox|radio/.test(c.type) && c.labels.length ? c.labels[0] : c;
            const r = target.getBoundingClientRect();
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
        assert.deepEqual(await axeFinds(page, ["color-contrast"]), [], `${name} at ${width} px in ${colorScheme}`);
      }
    });
  }
});

for (const [lecture, dir, words] of [["the sample", h.out, "latency"], ["the 60-slide lecture", longDir, "topic"]]) {
  test(`axe finds no violation of any impact on any page of ${lecture}, part pages with everything shown`, async () => {
    const base = { base: h.fileUrl("", dir) };
    await h.session(browser, "index.htm", base, async ({ page }) => {
      const found = [];
      for (const name of fs.readdirSync(dir).filter((n) => n.endsWith(".htm")).sort()) {
        await h.visit(page, name, base);
        await showEverything(page, words);
        found.push(...(await axeFinds(page)).map((v) => `${name}: ${v}`));
      }
      assert.deepEqual(found, []);
    });
  });
}

// A screen reader hears a slide's words once (read by OCR here, as the
// sample's slides come without them): out of sight beside its picture,
// which is for the eye only, then its title as the heading; a thumbnail,
// shown beside nothing else, carries the title. The recording has a name,
// in every part, and each new slide is announced unless the student said
// no (remembered).
test("a slide's words are said once, the recording is named, each new slide announced", () => h.session(browser, "part1.htm", async ({ page }) => {
  const titles = await page.$$eval("nav.toc li[data-slide] > a", (l) => l.map((a) => a.textContent));
  assert.deepEqual(titles, ["Welcome to the talk", "Why \"timing\" matters", "Results", "Questions", "Recorded on a phone",
    "Captions for everyone"]);
  const words = ["Slide 1 Welcome to the talk", "Slide 2 Why timing matters",
    "Slide 3 Results The median error fell to 40 milliseconds", "Slide 4 Questions", "Slide 5 Recorded on a phone",
    "Slide 6 Captions for everyone"];
  const said = () => h.text(page, "#slide-said");
  await h.until(page, (n) => document.querySelectorAll("#thumbs img").length === n, titles.length, "the strip's pictures");
  assert.deepEqual(await page.$$eval("#thumbs img", (l) => l.map((i) => i.alt)), titles);
  assert.equal(await page.$eval("#slide", (i) => i.alt), "");
  assert.equal(await page.$eval("#media", (m) => m.getAttribute("aria-label")), "Recording of part 1");
  assert.equal(await said(), "", "nothing announced before the slide changes");
  await page.keyboard.press("ArrowRight");
  await h.until(page, () => document.getElementById("slide").getAttribute("data-shown") === "2", null, "slide 2");
  assert.equal(await page.$eval("#slide", (i) => i.alt), "");
  assert.equal((await h.text(page, "#slide-text")).replace(/\s+/g, " ").trim(), words[1]);
  assert.equal(await page.$eval("#slide-said", (p) => p.getAttribute("aria-live")), "polite");
  assert.equal(await said(), "Slide 2: Why \"timing\" matters");
  await page.keyboard.press("ArrowRight");
  await page.keyboard.press("ArrowRight");
  await h.until(page, () => document.body.getAttribute("data-part") === "2", null, "part 2");
  assert.equal(await page.$eval("#media", (m) => m.getAttribute("aria-label")), "Recording of part 2");
  assert.equal(await said(), "Slide 4: Questions");
  await h.click(page, "#say-slides");
  await h.visit(page, "part1.htm");
  assert.equal(await page.$eval("#say-slides", (c) => c.checked), false, "the choice is remembered");
  await page.keyboard.press("ArrowRight");
  await h.until(page, () => document.getElementById("slide").getAttribute("data-shown") === "2", null, "slide 2 again");
  assert.equal(await said(), "", "turned off, no slide is announced");
  for (let n = 1; n <= 6; n++) {
    await page.goto(h.fileUrl(`sld00${n}.htm`));
    assert.equal(await page.$eval("img.full", (i) => i.alt), "");
    assert.equal((await h.text(page, ".slide-text")).replace(/\s+/g, " ").trim(), words[n - 1]);
    assert.equal(await h.text(page, "main h2"), titles[n - 1]);
  }
  await h.visit(page, "handout.htm");
  assert.deepEqual(await page.$$eval("ol.handout-slides img", (l) => l.map((i) => i.alt)), words);
}));

test("the contents are numbered as the lecture is, in every part", () => h.session(browser, "part2.htm", long, async ({ page }) => {
  for (const part of [1, 2, 3, 4]) {
    await h.visit(page, `part${part}.htm`, long);
    // Each entry carries its own number: browsers that lay out long lists
    // only when in view (content-visibility) would number a list's
    // entries from 1 otherwise.
    const numbers = await page.$$eval("nav.toc ol", (l) => l.map((ol) => Array.from(ol.children).map((li) => li.value)));
    assert.deepEqual(numbers, [1, 16, 31, 46].map((first) => Array.from({ length: 15 }, (_, k) => first + k)));
    assert.equal(await h.text(page, "#slide-number"), `Slide ${part * 15 - 14} of 60`);
  }
  await h.visit(page, "index.htm", long);
  assert.deepEqual(await page.$$eval("ol.cards li", (l) => l.map((li) => li.value)), Array.from({ length: 60 }, (_, k) => k + 1));
}));

test("sharp slides where the lecture has them, the GIF where it is enough or alone", async () => {
  const shown = (page, selector) => page.$eval(selector, (i) => i.complete && i.naturalWidth > 0 && i.currentSrc.replace(/.*\//, ""));
  for (const [viewport, part, picture] of [[{ width: 1280, height: 800, deviceScaleFactor: 2 }, "img016.webp", "img017.webp"],
    [{ width: 375, height: 740 }, "img016.gif", "img017.gif"]]) {
    await h.session(browser, "part2.htm", { ...long, viewport }, async ({ page }) => {
      await h.until(page, () => document.getElementById("slide").complete, null, "the slide's picture");
      assert.equal(await shown(page, "#slide"), part, `at ${JSON.stringify(viewport)}`);
      await page.keyboard.press("ArrowRight");
      await h.until(page, () => document.getElementById("slide").getAttribute("data-shown") === "17" &&
        document.getElementById("slide").complete, null, "slide 17");
      assert.equal(await shown(page, "#slide"), picture);
      await h.visit(page, "sld017.htm", long);
      assert.equal(await shown(page, "img.full"), picture);
    });
  }
  // The sample has no sharp copies: its pages offer the GIFs only.
  await h.session(browser, "part1.htm", { viewport: { width: 1280, height: 800, deviceScaleFactor: 2 } }, async ({ page }) => {
    assert.equal(await page.$eval("#slide", (i) => i.hasAttribute("srcset")), false);
    await page.keyboard.press("ArrowRight");
    await h.until(page, () => document.getElementById("slide").complete, null, "slide 2");
    assert.equal(await shown(page, "#slide"), "img002.gif");
  });
});

// The slide takes the room a screen gives it, as far as a sharp copy
// stays crisp (one of its pixels to a pixel of the screen), in a box of
// its own shape, the GIF alone (the sample) as well, scaled smoothly; the
// video pane beside it keeps to a sensible width.
test("on large screens the slide takes the room, never beyond crisp, the video beside it", async () => {
  // [lecture, viewport, the slide's width]
  const rows = [[long, { width: 3840, height: 2160 }, 1920], [long, { width: 2560, height: 1440, deviceScaleFactor: 2 }, 960],
    [{}, { width: 3840, height: 2160 }, 1920], [long, { width: 1280, height: 800 }, 800]];
  for (const [lecture, viewport, width] of rows) {
    await h.session(browser, "part1.htm", { ...lecture, viewport }, async ({ page }) => {
      await h.until(page, () => document.getElementById("slide").complete, null, "the slide's picture");
      const [slide, pane] = await page.evaluate(() => ["slide", "player"].map((id) =>
        JSON.parse(JSON.stringify(document.getElementById(id).getBoundingClientRect()))));
      const where = `${JSON.stringify(viewport)}: slide ${slide.width}x${slide.height}, video pane ${pane.width}`;
      assert.ok(Math.abs(slide.width - width) <= 1 && Math.abs(slide.width / slide.height - 4 / 3) < 0.01, where);
      assert.ok(pane.right <= slide.left && pane.width >= 14 * 16 && pane.width <= 48 * 16, where);
    });
  }
});

test("motion follows the reduced-motion setting", async () => {
  for (const [reducedMotion, expected] of [["reduce", "auto"], ["no-preference", "smooth"]]) {
    await h.session(browser, "part1.htm", { reducedMotion }, async ({ page }) =>
      assert.equal(await page.$eval("#thumbs", (t) => getComputedStyle(t).scrollBehavior), expected));
    const { context, page } = await h.open(browser.browser, "part1.htm", { reducedMotion });
    assert.equal(await page.$eval("#thumbs", (t) => getComputedStyle(t).scrollBehavior), expected);
    await context.close();
  }
});

test("without scripts the contents and the slide pages still navigate", async () => {
  const web = await h.serve(h.out, { scripts: false });
  try {
    const { context, page, problems } = await h.open(browser.browser, "index.htm", { base: web.base, noScripts: true });
    assert.ok(await h.visible(page, "ol.cards"), "the contents page shows the lecture");
    await page.click("ol.cards li:nth-child(3) a");
    await h.waitForUrl(page, /part1\.htm#slide=3/);
    assert.ok(await h.visible(page, "#media"));
    assert.ok(!(await h.visible(page, "#search")), "no search box that cannot work");
    await h.click(page, "nav.toc li[data-slide='3'] a");
    await h.waitForUrl(page, /sld003\.htm/);
    assert.equal(await h.text(page, "main h2"), "Results");
    for (const [selector, address] of [["#next", /sld004\.htm/], ["#prev", /sld003\.htm/], ["a[href*='slide=3']", /part1\.htm#slide=3/],
      ["#next", /sld002\.htm/]]) {
      await page.click(selector);
      await h.waitForUrl(page, address);
    }
    // What the browser says of the scripts it was told not to run.
    assert.deepEqual(problems.filter((p) => !/Content.Security.Policy|Refused to (load|execute)|player(-\w+)?\.js/i.test(p)), []);
    await context.close();
  } finally {
    await web.close();
  }
});

test("where any of the player's scripts is not found, none of it starts and the contents are shown once the page has loaded", async () => {
  const scripts = Array.from(fs.readFileSync(path.join(h.out, "part1.htm"), "utf8").matchAll(/<script src="([^"]+\.js)"/g), (m) => m[1]);
  assert.ok(scripts.includes("player.js") && scripts.length > 2, scripts.join(" "));
  for (const lost of scripts) {
    const web = await h.serve(h.out, { lost });
    const { context, page } = await h.open(browser.browser, "part1.htm", { base: web.base, noScripts: true });
    await h.until(page, () => document.readyState === "complete" && Array.from(document.querySelectorAll("nav.toc li"))
      .every((li) => li.getBoundingClientRect().height > 0), null, `every contents entry shown without ${lost}`);
    assert.ok(!(await page.evaluate(() => document.documentElement.hasAttribute("data-player"))), lost);
    assert.ok(!(await h.visible(page, "#search")) && !(await h.visible(page, "#keys-button")), `no tool that cannot work without ${lost}`);
    await context.close();
    await web.close();
  }
});

test("a slide page prints as the slide, its title and its notes; the handout two or three slides to a page", () => h.session(browser, "sld002.htm", async ({ page }) => {
  const pdf = async () => {
    const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), "html5-print-")), "page.pdf");
    fs.writeFileSync(file, await page.pdf({ format: "A4" }));
    const pages = parseInt(/Pages:\s+(\d+)/.exec(execFileSync("pdfinfo", [file], { encoding: "utf8" }))[1], 10);
    const words = execFileSync("pdftotext", [file, "-"], { encoding: "utf8" });
    fs.rmSync(path.dirname(file), { recursive: true });
    return { pages, words };
  };
  let printed = await pdf();
  assert.equal(printed.pages, 1);
  assert.match(printed.words, /Why "timing" matters[\s\S]*latency/);
  assert.doesNotMatch(printed.words, /Previous|Next|Play from/, "no navigation on paper");
  await h.visit(page, "handout.htm");
  for (const [choice, sheets] of [["3", 2], ["2", 3]]) {
    await page.click(`input[value='${choice}']`);
    printed = await pdf();
    assert.equal(printed.pages, sheets, `${choice} to a page`);
    assert.match(printed.words, /1\. Welcome to the talk[\s\S]*latency[\s\S]*6\. Captions for everyone/);
    assert.doesNotMatch(printed.words, /Slides on each printed page/);
  }
}));

test("the scripts and the stylesheet come through the style engine unchanged", () => {
  const style = path.join(__dirname, "..", "..", "styles", "html5");
  const scripts = fs.readdirSync(style).filter((name) => name.endsWith(".js"));
  assert.ok(scripts.includes("player.js") && scripts.length > 2, scripts.join(" "));
  for (const name of [...scripts, "style.css"]) {
    const published = fs.readFileSync(path.join(h.out, name), "utf8").replace(/\r\n/g, "\n");
    assert.equal(published, fs.readFileSync(path.join(style, name), "utf8"), name);
  }
});
