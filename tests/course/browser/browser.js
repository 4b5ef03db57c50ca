// Shared by the course tests: Debian's Chromium through puppeteer-core
// (from the tests' node_modules) and the web host of the html5 style's
// browser tests.
"use strict";
const path = require("node:path");
const { launch: launchBrowser } = require("../../style_html5/browsers");
const { serve } = require("../../style_html5/host");

function required(name) {
  if (!process.env[name]) {
    throw new Error(`${name} is not set (the tests are run by ctest)`);
  }
  return process.env[name];
}

// Chromium; media may play without a gesture (the platform test plays the
// lecture through its scripts).
function launch() {
  const puppeteer = require(path.join(required("PELLUCOR_NODE_MODULES"), "puppeteer-core"));
  return launchBrowser(puppeteer, "chromium", {}, ["--autoplay-policy=no-user-gesture-required"]);
}

module.exports = { launch, serve, required };
