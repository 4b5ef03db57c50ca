// Every page the html5 style writes, for the sample lecture and for a
// 60-slide lecture with sharp slides, passes the Nu HTML checker (npm
// vnu-jar on Debian's Java runtime) without an error.
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const { execFileSync } = require("node:child_process");
const fs = require("node:fs");
const path = require("node:path");

test("the Nu HTML checker finds no error on any page of either lecture", () => {
  const dirs = [process.env.PELLUCOR_HTML5_OUT, path.join(process.env.PELLUCOR_HTML5_LONG, "published")];
  const pages = dirs.flatMap((d) => fs.readdirSync(d).filter((n) => n.endsWith(".htm")).map((n) => path.join(d, n)));
  assert.ok(pages.length > 75, `${pages.length} pages`);
  const jar = path.join(process.env.PELLUCOR_NODE_MODULES, "vnu-jar", "build", "dist", "vnu.jar");
  let report;
  try {
    report = execFileSync("java", ["-jar", jar, "--errors-only", "--format", "json", ...pages], { encoding: "utf8", stdio: "pipe" });
  } catch (e) {
    report = e.stderr || e.stdout;  // the checker exits 1 when it found errors, reported on stderr
  }
  const messages = report ? JSON.parse(report).messages : [];
  assert.deepEqual(messages.map((m) => `${m.url}:${m.lastLine}: ${m.message}`), []);
});
