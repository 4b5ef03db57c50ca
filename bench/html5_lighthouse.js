// Serves a published lecture on 127.0.0.1 (byte ranges and compression, as
// a web server should) and runs Lighthouse against Debian's Chromium on
// some of its pages, printing the four scores of each page and whether
// each is at least the target.
//   node html5_lighthouse.js LIGHTHOUSE_BIN DIR TARGET PAGE...
"use strict";
const { execFile } = require("node:child_process");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { serve } = require("../tests/style_html5/host");

const [bin, dir, target, ...pages] = process.argv.slice(2);
const categories = ["performance", "accessibility", "best-practices", "seo"];

function lighthouse(url, report) {
  return new Promise((resolve, reject) => {
    execFile(bin, [url, "--quiet", "--output=json", `--output-path=${report}`, `--only-categories=${categories.join(",")}`,
      "--chrome-flags=--headless=new --no-sandbox --disable-gpu --disable-quic --no-first-run " +
      "--disable-background-networking --disable-component-update --disable-sync"],
    { env: { ...process.env, CHROME_PATH: process.env.PELLUCOR_CHROMIUM || "/usr/bin/chromium" } },
    (error, stdout, stderr) => (error ? reject(new Error(stderr || error.message)) : resolve()));
  });
}

(async () => {
  const web = await serve(path.resolve(dir));
  const work = fs.mkdtempSync(path.join(os.tmpdir(), "lighthouse-"));
  let missed = 0;
  try {
    for (const page of pages) {
      const report = path.join(work, "report.json");
      await lighthouse(web.base + page, report);
      const result = JSON.parse(fs.readFileSync(report, "utf8"));
      const scores = categories.map((c) => Math.round(result.categories[c].score * 100));
      const metrics = ["first-contentful-paint", "largest-contentful-paint", "interactive", "total-blocking-time",
        "cumulative-layout-shift"].map((a) => `${a.replace(/-/g, " ")} ${result.audits[a].displayValue}`);
      const low = categories.filter((c, k) => scores[k] < target);
      missed += low.length;
      console.log(`lighthouse ${page}: performance ${scores[0]}, accessibility ${scores[1]}, best practices ${scores[2]}, ` +
        `SEO ${scores[3]} (${metrics.join(", ")})${low.length ? " - below " + target + ": " + low.join(", ") : ""}`);
      // Where the blocking time comes from: the page's long main-thread tasks.
      const tasks = ((result.audits["long-tasks"] || {}).details || {}).items || [];
      if (low.includes("performance") && tasks.length) {
        console.log("  long tasks: " + tasks.slice(0, 8).map((t) =>
          `${Math.round(t.duration)} ms at ${Math.round(t.startTime)} (${path.basename(t.url || "") || "page"})`).join(", "));
      }
      for (const c of low) {
        for (const ref of result.categories[c].auditRefs) {
          const audit = result.audits[ref.id];
          if (ref.weight > 0 && audit.score !== null && audit.score < 1) {
            console.log(`  ${c}: ${audit.title} (${audit.displayValue || audit.score})`);
          }
        }
      }
    }
  } finally {
    await web.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(`target: every score at least ${target}: ${missed ? "MISSED" : "met"}`);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
