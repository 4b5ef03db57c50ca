// axe-core, run in the browser the test runs for, finds no violation of
// any impact on any page the html5 style writes, for the sample lecture
// and for a 60-slide lecture with sharp slides; part pages are checked
// with everything their script shows (search hits, the offer to continue,
// a status line, the transcript).
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const fs = require("node:fs");
const path = require("node:path");
const h = require("./harness");

const browser = h.browserPerFile();
const axe = fs.readFileSync(path.join(h.modules, "axe-core", "axe.min.js"), "utf8");

async function violations(page) {
  await page.evaluate(axe);
  return page.evaluate(async () => {
    const result = await window.axe.run(document, { resultTypes: ["violations"], preload: false });
    const found = result.violations.map((v) => `${v.id} (${v.impact}): ${v.nodes.map((n) => n.target.join(" ")).slice(0, 3).join(", ")}`);
    return result.passes.length > 10 ? found : [`axe checked only ${result.passes.length} rules`];
  });
}

for (const [name, dir] of [["the sample", h.out], ["the 60-slide lecture", path.join(process.env.PELLUCOR_HTML5_LONG, "published")]]) {
  test(`axe finds nothing on any page of ${name}`, async () => {
    const pages = fs.readdirSync(dir).filter((n) => n.endsWith(".htm")).sort();
    await h.session(browser, "index.htm", { base: h.fileUrl("", dir) }, async ({ page }) => {
      const found = [];
      for (const name of pages) {
        await h.visit(page, name, { base: h.fileUrl("", dir) });
        if (/^part/.test(name)) {
          await h.fill(page, "#search", "topic timing");
          await page.$eval("#resume", (r) => { r.hidden = false; });
          await page.$eval("#status", (s) => { s.textContent = "Press play (or K) to go on."; });
        }
        found.push(...(await violations(page)).map((v) => `${name}: ${v}`));
      }
      assert.deepEqual(found, []);
    });
  });
}
