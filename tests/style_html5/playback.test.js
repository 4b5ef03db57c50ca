// The published sample lecture played in real time, from disk, in the
// browser the test runs for: the slide shown follows the events file while
// the whole lecture plays on from part to part and after seeks, nothing is
// logged as an error, and the speed, resume, deep links and the bar of the
// whole lecture work. A host without byte ranges gets the page's warning
// while the slide stays in step, and its links show the slide they name.
"use strict";
const assert = require("node:assert/strict");
const { test } = require("node:test");
const h = require("./harness");

const browser = h.browserPerFile();
const lists = { 1: h.events(1), 2: h.events(2), 3: h.events(3) };
const length = (p) => lists[p][lists[p].length - 1].end;

test("the lecture plays on from part to part in real time, in step with the events files, also after seeks", () => h.session(browser, "part1.htm", async ({ page }) => {
  let s = await h.state(page);
  assert.equal(s.shown, "1", "first slide before playing");
  h.assertInStep(lists[1], s, 0, "part 1");

  await h.playKey(page);
  const partsSeen = [];
  const since = {};
  const run = await h.playWhile(page, (x) => {
    h.assertInStep(lists[x.part], x, 0.3, `part ${x.part}`);
    if (partsSeen[partsSeen.length - 1] !== x.part) {
      partsSeen.push(x.part);
      since[x.part] = Date.now();
    }
  }, (x) => x.paused && /End of the lecture/.test(x.status));
  assert.deepEqual(partsSeen, ["1", "2", "3"], "each part's end went on to the next part");
  assert.deepEqual([...run.seen].sort(), ["1", "2", "3", "4", "5", "6"], "every slide was shown");
  assert.ok(run.samples > 100, `sampled ${run.samples} times`);
  // Real time: each video part took about as long as its recording. (How
  // fast sound alone plays depends on the machine's sound output: without
  // a sound device Firefox plays it at twice the rate.)
  const walls = { 1: (since[2] - since[1]) / 1000, 3: (Date.now() - since[3]) / 1000 };
  for (const p of [1, 3]) {
    assert.ok(walls[p] > length(p) - 0.5 && walls[p] < length(p) + 2.5, `part ${p}: ${length(p)} s in ${walls[p]} s`);
  }
  assert.match(run.last.src, /talk3\.mp4$/);

  for (const part of ["1", "2"]) {
    await h.visit(page, `part${part}.htm`);
    await h.seeksInStep(page, lists[part], `part ${part}`);
  }
}));

test("the speed is set on the page and remembered across parts and visits", () => h.session(browser, "part1.htm", async ({ page }) => {
  await page.select("#speed", "1.5");
  assert.equal((await h.state(page)).rate, 1.5);
  await h.visit(page, "part2.htm");
  assert.equal((await h.state(page)).rate, 1.5, "the next part plays at the same speed");
  assert.equal(await page.$eval("#speed", (e) => e.value), "1.5");
  for (const [key, times, rate] of [[">", 1, 1.75], [">", 2, 2.5], [">", 3, 3], ["<", 8, 0.75]]) {
    for (let i = 0; i < times; i++) {
      await page.keyboard.press(key);
    }
    assert.equal((await h.state(page)).rate, rate, `${key} pressed ${times} times`);
  }
  await page.reload();
  await h.ready(page);
  assert.equal((await h.state(page)).rate, 0.75, "a later visit keeps the speed");
  // It plays at that speed in real time: 1.5 s of recording in 2 s.
  await h.playKey(page);
  await h.until(page, () => document.getElementById("media").currentTime > 0, null, "playing");
  const t0 = (await h.state(page)).t;
  const wall0 = Date.now();
  await h.sleep(2000);
  const advanced = (await h.state(page)).t - t0;
  const wall = (Date.now() - wall0) / 1000;
  assert.ok(Math.abs(advanced / wall - 0.75) < 0.12, `played ${advanced} s in ${wall} s at 0.75x`);
}));

test("reopening the lecture offers to continue where the student stopped, in any part", () => h.session(browser, "part1.htm", async ({ page }) => {
  assert.ok(!(await h.visible(page, "#resume")), "nothing to continue on a first visit");
  await h.playKey(page);
  await h.until(page, () => document.getElementById("media").currentTime > 2.6, null, "played to 2.6 s");
  await page.keyboard.press("k");
  const stopped = (await h.state(page)).t;
  // Part 2's page offers part 1's place.
  await h.visit(page, "part2.htm");
  assert.ok(await h.visible(page, "#resume"), "the page offers to continue");
  assert.match(await h.text(page, "#resume"), /in part 1 at 0:02/);
  await page.click("#resume-go");
  await h.until(page, () => !document.getElementById("media").paused, null, "continued");
  const s = await h.state(page);
  assert.equal(s.part, "1");
  assert.ok(Math.abs(s.t - stopped) < 0.5, `continued at ${s.t}, stopped at ${stopped}`);
  h.assertInStep(lists[1], s, 0.3, "after continuing");
  assert.ok(!(await h.visible(page, "#resume")));
  // Heard to the lecture's end, it starts afresh.
  await h.visit(page, "part3.htm");
  await h.seek(page, 5.5);
  await h.playKey(page);
  await h.until(page, () => document.getElementById("media").ended, null, "the lecture's end");
  await h.visit(page, "part1.htm");
  assert.ok(!(await h.visible(page, "#resume")), "a lecture heard to its end starts afresh");
}));

test("deep links open the lecture at a time or a slide, in any part", async () => {
  const cases = [
    ["part1.htm#t=00:00:03", "1", 3, "2"],
    ["part1.htm#t=0h0m4s", "1", 4, "3"],
    ["part1.htm#t=2.5", "1", 2.5, "2"],
    ["part1.htm#t=1h2m3s", "1", 6, "3"],
    ["part1.htm#slide=3", "1", 4, "3"],
    ["part1.htm#slide=4", "2", 0, "4"],
    ["part2.htm#slide=2", "1", 2, "2"],
    ["part1.htm#part=3&t=3", "3", 3, "6"],
    ["index.htm#t=00:00:02", "1", 2, "2"],
    ["index.htm#slide=5", "3", 0, "5"],
  ];
  await h.session(browser, "part1.htm", async ({ page }) => {
    for (const [address, part, time, slide] of cases) {
      await page.goto("about:blank");
      await page.goto(h.fileUrl(address));
      await h.waitForUrl(page, /part\d\.htm/);
      await h.ready(page);
      await h.until(page, (t) => {
        const media = document.getElementById("media");
        return media.readyState >= 1 && !media.seeking && Math.abs(media.currentTime - t) < 0.3;
      }, time, `${address} at ${time} s`);
      const s = await h.state(page);
      assert.equal(s.part, part, `${address}: part`);
      assert.equal(s.shown, slide, `${address}: slide`);
    }
  });
});

test("the bar of the whole lecture marks its parts and slides and goes anywhere in it", () => h.session(browser, "part1.htm", async ({ page }) => {
  const total = length(1) + length(2) + length(3);
  assert.equal(await page.$eval("#bar", (b) => b.getAttribute("aria-valuemax")), String(total));
  const marks = (kind) => page.$eval(`#bar .${kind}`, (p) => (p.getAttribute("d").match(/M/g) || []).length);
  assert.equal(await marks("bar-part"), 2, "the parts' edges");
  assert.equal(await marks("bar-mark"), 3, "the slide changes within parts");
  // A click into part 3, one second after its start, the bar in view.
  await page.$eval("#bar", (b) => b.scrollIntoView({ block: "center" }));
  const box = await (await page.$("#bar")).boundingBox();
  const x = (t) => box.x + (box.width * t) / total;
  await page.mouse.move(x(length(1) + length(2) + 3.5), box.y + box.height / 2);
  await h.until(page, () => /Slide 6: Captions for everyone/.test(document.getElementById("bar-tip").textContent),
    null, "the title of the slide under the pointer");
  await page.mouse.click(x(length(1) + length(2) + 1), box.y + box.height / 2);
  await h.until(page, () => document.body.getAttribute("data-part") === "3" &&
    document.getElementById("media").readyState >= 1 && !document.getElementById("media").seeking, null, "part 3");
  let s = await h.state(page);
  assert.ok(Math.abs(s.t - 1) < 0.3 && s.shown === "5", `in part 3 at 1 s: ${JSON.stringify(s)}`);
  assert.ok(Math.abs(s.bar - (length(1) + length(2) + 1)) <= 1, `the bar says ${s.bar}`);
  // From the keyboard: Home, a slide on (Page Up), End.
  await page.focus("#bar");
  for (const [key, part, slide] of [["Home", "1", "1"], ["PageUp", "1", "2"], ["End", "3", "6"]]) {
    await page.keyboard.press(key);
    await h.until(page, (p) => document.body.getAttribute("data-part") === p && document.getElementById("media").readyState >= 1 &&
      !document.getElementById("media").seeking, part, `${key} in part ${part}`);
    s = await h.state(page);
    assert.equal(s.shown, slide, `${key}: slide`);
  }
  assert.match(await page.$eval("#bar", (b) => b.getAttribute("aria-valuetext")), /part 3, slide 6: Captions for everyone/);
}));

test("a host without byte ranges: the page says the recording cannot jump and keeps the slide in step", async () => {
  const web = await h.serve(h.out, { ranges: false });
  try {
    await h.session(browser, "part1.htm", { base: web.base }, async ({ page }) => {
      await h.playKey(page);
      await page.keyboard.press("ArrowRight");
      await page.keyboard.press("ArrowRight");
      await h.sleep(400);
      const s = await h.state(page);
      if (s.t < 3.9) {
        // The jump did not happen: said once, and the slide is the one playing.
        assert.equal(s.status, "This server cannot jump inside the recording; download it or ask for a server with byte ranges");
      }
      await h.playWhile(page, (x) => h.assertInStep(lists[1], x, 0.3, "without ranges"), (x) => x.part !== "1");
    });
  } finally {
    await web.close();
  }
});

// python3's http.server, a plain host without byte ranges: a link to a
// time or a slide (a course search hit is one) shows that slide, where the
// recording could not go there the page says so, and from there the
// student browses the slides.
test("a host without byte ranges: links show their slide, and the slides can be browsed from there", async () => {
  const web = await h.servePython(h.out);
  const noJump = "This server cannot jump inside the recording; download it or ask for a server with byte ranges";
  // [address, part, time, slide, the slide an arrow key goes to from there]
  const cases = [["part1.htm#t=4", "1", 4, "3", "4"], ["part1.htm#slide=2", "1", 2, "2", "3"],
    ["index.htm#slide=6", "3", 3, "6", "5"], ["part2.htm#part=3&t=1", "3", 1, "5", "6"]];
  try {
    await h.session(browser, "index.htm", { base: web.base }, async ({ page }) => {
      for (const [address, part, time, slide, next] of cases) {
        await page.goto("about:blank");
        await page.goto(web.base + address);
        await h.waitForUrl(page, /part\d\.htm/);
        await h.ready(page);
        await h.until(page, ([t, said]) => {
          const media = document.getElementById("media");
          return media.readyState >= 1 && !media.seeking &&
            (Math.abs(media.currentTime - t) < 0.3 || document.getElementById("status").textContent === said);
        }, [time, noJump], `${address}: at ${time} s or said it cannot be`);
        const s = await h.state(page);
        assert.equal(s.part, part, `${address}: part`);
        assert.equal(s.shown, slide, `${address}: slide ${JSON.stringify(s)}`);
        await page.keyboard.press(next > slide ? "ArrowRight" : "ArrowLeft");
        await h.until(page, (n) => document.getElementById("slide").getAttribute("data-shown") === n, next,
          `${address}: on to slide ${next}`);
      }
    });
  } finally {
    await web.close();
  }
});
