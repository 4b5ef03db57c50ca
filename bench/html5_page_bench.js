// Opens a published part page from disk in Chromium several times and
// prints how long it took until the player was ready and had answered the
// Right arrow with the next slide; also the browser's own DOMContentLoaded
// and load times. Each load is a fresh browser context (a first visit).
//   node html5_page_bench.js PAGE RUNS
"use strict";
const path = require("node:path");
const { chromium } = require(path.join(process.env.PELLUCOR_NODE_MODULES, "playwright-core"));

const page = process.argv[2];
const runs = parseInt(process.argv[3] || "9", 10);

function summary(label, values) {
  const sorted = [...values].sort((a, b) => a - b);
  const median = sorted[Math.floor(sorted.length / 2)];
  console.log(`${label}: best ${sorted[0].toFixed(0)} ms, median ${median.toFixed(0)} ms, worst ${sorted[sorted.length - 1].toFixed(0)} ms`);
  return median;
}

(async () => {
  const browser = await chromium.launch({
    executablePath: process.env.PELLUCOR_CHROMIUM || "/usr/bin/chromium",
    args: ["--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  });
  const interactive = [];
  const dcl = [];
  const load = [];
  for (let i = 0; i <= runs; i++) {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const tab = await context.newPage();
    const errors = [];
    tab.on("console", (m) => m.type() === "error" && errors.push(m.text()));
    tab.on("pageerror", (e) => errors.push(e.message));
    const start = Date.now();
    await tab.goto("file://" + page, { waitUntil: "commit" });
    await tab.waitForFunction(() => document.documentElement.getAttribute("data-player") === "ready", null, { polling: 5 });
    const first = await tab.$eval("#slide", (s) => s.getAttribute("data-shown"));
    await tab.keyboard.press("ArrowRight");
    await tab.waitForFunction((n) => document.getElementById("slide").getAttribute("data-shown") !== n, first, { polling: 5 });
    const took = Date.now() - start;
    const timing = await tab.evaluate(() => {
      const n = performance.getEntriesByType("navigation")[0];
      return { dcl: n.domContentLoadedEventEnd, load: n.loadEventEnd };
    });
    if (errors.length) {
      console.error(`errors: ${errors.join("; ")}`);
      process.exitCode = 1;
    }
    if (i > 0) {  // the first load warms the disk cache and the browser
      interactive.push(took);
      dcl.push(timing.dcl);
      load.push(timing.load);
    }
    await context.close();
  }
  await browser.close();
  summary("DOMContentLoaded", dcl);
  summary("load", load);
  const median = summary("interactive (ready and answering the Right arrow)", interactive);
  console.log(`target: within 1000 ms: ${median <= 1000 ? "met" : "MISSED"} (median of ${runs})`);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
