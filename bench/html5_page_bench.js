// Opens a published part page from disk in the browser named (chromium or
// firefox) several times, each in a fresh browser context (a first visit),
// and prints by the page's own clock how long after the start of the
// navigation the player was ready (the "player-ready" mark) and how long it
// then took to answer the Right arrow with the next slide; their sum is the
// time to interactive. Also the first contentful paint (where the browser
// reports it), DOMContentLoaded, and the time to interactive as seen from
// outside (with the automation's round trips).
//   node html5_page_bench.js BROWSER PAGE RUNS
"use strict";
const path = require("node:path");
const puppeteer = require(path.join(process.env.PELLUCOR_NODE_MODULES, "puppeteer-core"));
const { launch } = require("../tests/style_html5/browsers");

const [name, page] = process.argv.slice(2, 4);
const runs = parseInt(process.argv[4] || "9", 10);

function summary(label, values) {
  // A figure the browser does not report comes back from the page as null.
  const sorted = values.filter((v) => typeof v === "number" && !Number.isNaN(v)).sort((a, b) => a - b);
  if (!sorted.length) {
    console.log(`${name} ${label}: not reported`);
    return NaN;
  }
  const median = sorted[Math.floor(sorted.length / 2)];
  console.log(`${name} ${label}: median ${median.toFixed(0)} ms (best ${sorted[0].toFixed(0)}, worst ${sorted[sorted.length - 1].toFixed(0)})`);
  return median;
}

(async () => {
  const browser = await launch(puppeteer, name);
  const figures = { fcp: [], dcl: [], ready: [], answer: [], interactive: [], outside: [] };
  for (let i = 0; i <= runs; i++) {
    const context = await browser.createBrowserContext();
    const tab = await context.newPage();
    await tab.setViewport({ width: 1280, height: 800 });
    const errors = [];
    tab.on("console", (m) => m.type() === "error" && errors.push(m.text()));
    tab.on("pageerror", (e) => errors.push(e.message));
    const start = Date.now();
    await tab.goto("file://" + page, { waitUntil: "domcontentloaded" });
    await tab.waitForFunction(() => document.documentElement.getAttribute("data-player") === "ready", { polling: 5 });
    await tab.evaluate(() => {
      const slide = document.getElementById("slide");
      new MutationObserver(() => { window.benchShown = window.benchShown || performance.now(); })
        .observe(slide, { attributes: true, attributeFilter: ["data-shown"] });
      window.addEventListener("keydown", () => { window.benchKey = performance.now(); }, true);
    });
    await tab.keyboard.press("ArrowRight");
    await tab.waitForFunction(() => window.benchShown, { polling: 5 });
    const outside = Date.now() - start;
    const t = await tab.evaluate(() => {
      const nav = performance.getEntriesByType("navigation")[0];
      const paint = performance.getEntriesByName("first-contentful-paint")[0];
      return { fcp: paint ? paint.startTime : NaN, dcl: nav.domContentLoadedEventEnd,
        ready: performance.getEntriesByName("player-ready")[0].startTime, answer: window.benchShown - window.benchKey };
    });
    if (errors.length) {
      console.error(`errors: ${errors.join("; ")}`);
      process.exitCode = 1;
    }
    if (i > 0) {  // the first load warms the disk cache and the browser
      for (const k of ["fcp", "dcl", "ready", "answer"]) {
        figures[k].push(t[k]);
      }
      figures.interactive.push(t.ready + t.answer);
      figures.outside.push(outside);
    }
    await context.close();
  }
  await browser.close();
  summary("first contentful paint", figures.fcp);
  summary("DOMContentLoaded", figures.dcl);
  summary("player ready", figures.ready);
  summary("Right arrow answered in", figures.answer);
  summary("seen from the automation", figures.outside);
  const median = summary("interactive (player ready + Right arrow answered)", figures.interactive);
  console.log(`${name} target: interactive within 1000 ms: ${median <= 1000 ? "met" : "MISSED"} (median of ${runs} first visits)`);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
