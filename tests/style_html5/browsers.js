// Debian's Chromium and Firefox ESR started by puppeteer-core (given, from
// the caller's node_modules), for the browser tests and the page bench.
"use strict";

// name: "chromium" or "firefox". The browser as a student has it: a page
// plays by itself only after the student did something on it (Chromium's
// desktop rule; Firefox decides by its own). prefs: Firefox preferences
// (how it shows colours and motion, and whether it runs scripts, are set
// so). Chromium runs with no background networking (the machine has no
// network beyond its registries).
// args: more Chromium switches (a test's own autoplay policy).
function launch(puppeteer, name, prefs = {}, args = []) {
  if (name === "firefox") {
    return puppeteer.launch({
      browser: "firefox",
      executablePath: process.env.PELLUCOR_FIREFOX || "/usr/bin/firefox-esr",
      protocol: "webDriverBiDi",
      headless: true,
      extraPrefsFirefox: prefs,
    });
  }
  return puppeteer.launch({
    executablePath: process.env.PELLUCOR_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: [
      "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--autoplay-policy=document-user-activation-required",
      ...args,
    ],
  });
}

module.exports = { launch };
