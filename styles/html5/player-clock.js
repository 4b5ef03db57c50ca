// The part page's slide clock: the slide of the recording's time shown
// with its neighbours, words and notes, each new slide announced to a
// screen reader, the slide changed at the next slide's start, the
// recording sent to a time and played, and its speed.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).clock = function (page) {
    var byId = pellucor.byId;
    var store = pellucor.store;
    var clock = pellucor.clock;
    var entries = page.entries;
    var slide = page.slide;
    var prevLink = page.prevLink;
    var nextLink = page.nextLink;
    var thumbs = page.thumbs;
    var toc = page.toc;
    var statusLine = page.statusLine;
    var title = byId("slide-title");
    var number = byId("slide-number");
    var slideTime = byId("slide-time");
    var slideLink = byId("slide-page");
    var notesBox = byId("notes");
    var notesText = byId("notes-text");
    var slideText = byId("slide-text");
    var speedBox = byId("speed");
    var slideSaid = byId("slide-said");
    var saySlides = byId("say-slides");

    // --- The slide of the time --------------------------------------------
    function entryAt(time) {
      var found = page.local[0];
      for (var k = 0; k < page.local.length; k++) {
        if (page.local[k].start <= time + 0.05 && page.local[k].start >= found.start) {
          found = page.local[k];
        }
      }
      return found;
    }

    function setNeighbour(anchor, target) {
      if (!anchor) {
        return;
      }
      if (target) {
        anchor.setAttribute("href", target.page);
        anchor.removeAttribute("aria-disabled");
        anchor.removeAttribute("role");
      } else {
        anchor.removeAttribute("href");
        anchor.setAttribute("aria-disabled", "true");
        anchor.setAttribute("role", "link");
      }
    }

    function notesOf(entry) {
      var content = entry.notes && entry.notes.content;
      if (!content || !(content.textContent.trim() || content.querySelector("img"))) {
        return null;
      }
      return content;
    }

    // The slide's picture: its sharp copy where the lecture has one.
    function picture(entry) {
      if (entry.hires) {
        slide.srcset = entry.img + " 640w, " + entry.hires + " 1920w";
      } else {
        slide.removeAttribute("srcset");
      }
      if (entry.img) {
        slide.src = entry.img;
      }
    }

    function show(entry) {
      if (!entry || entry === page.current) {
        return;
      }
      var before = page.current;
      page.current = entry;
      picture(entry);
      if (slideText) {
        slideText.textContent = "";
        if (entry.words) {
          slideText.appendChild(entry.words.content.cloneNode(true));
        }
        slideText.hidden = !entry.words;
      }
      if (before && saySlides.checked) {
        slideSaid.textContent = "Slide " + entry.number + ": " + entry.title;
      }
      slide.setAttribute("data-shown", entry.number);
      title.textContent = entry.title;
      number.textContent = "Slide " + entry.number + " of " + entries.length;
      slideTime.textContent = clock(entry.start);
      slideLink.href = entry.page;
      setNeighbour(prevLink, entries[entry.index - 1]);
      setNeighbour(nextLink, entries[entry.index + 1]);
      var thumbHadFocus = Boolean(before && before.thumb && doc.activeElement === before.thumb);
      if (before) {
        before.li.classList.remove("current");
        before.link.removeAttribute("aria-current");
        page.markThumb(before, false, false);
      }
      page.picturesAround(entry.index);
      entry.li.classList.add("current");
      entry.link.setAttribute("aria-current", "true");
      page.markThumb(entry, true, thumbHadFocus);
      var notes = notesOf(entry);
      notesText.textContent = "";
      if (notes) {
        notesText.appendChild(notes.cloneNode(true));
      }
      notesBox.hidden = !notes;
      if (before) {
        page.reveal(entry.thumb, thumbs);
        if (page.contentsShown) {
          page.reveal(entry.li, toc);
        }
      } else {
        // The first slide is brought into view when the page is laid out
        // for its first frame, not in a layout of its own before it.
        window.requestAnimationFrame(function () {
          page.reveal(page.current.thumb, thumbs, 1);
          if (page.contentsShown) {
            page.reveal(page.current.li, toc, 1);
          }
        });
      }
    }

    // --- The recording -------------------------------------------------------
    var noJumpSaid = false;

    // The time the page shows: the one asked for until the recording gets
    // there. Where the recording could not go (a host without byte
    // ranges), the time asked for stays shown while the recording is
    // paused, so that a link to a slide or a time shows its slide and the
    // slides can be browsed; once the recording plays, the page follows it.
    //
    // A recording sent to a slide's start may land a little before it (on
    // its last sound frame or key frame before), which is still the slide
    // before: the time asked for is shown until the recording passes it,
    // unless it went further away than that.
    function shownTime() {
      var now = page.media.currentTime;
      if (!page.media.paused) {
        page.heldAt = null;
      }
      if (page.askedAt !== null && (now > page.askedAt || page.askedAt - now > 0.5)) {
        page.askedAt = null;
      }
      if (page.pendingSeek !== null) {
        return page.pendingSeek;
      }
      return page.heldAt !== null ? page.heldAt : page.askedAt !== null ? page.askedAt : now;
    }

    // Sends the recording to time, which it can go to.
    function jumpTo(time) {
      page.askedAt = time;
      page.media.currentTime = time;
    }

    function sync() {
      var time = shownTime();
      show(entryAt(time));
      schedule();
      page.showPosition(time);
      page.followTranscript(time);
    }

    // Changes the slide at the next slide's start, and moves the transcript
    // on at the next line's, between time updates.
    function schedule() {
      window.clearTimeout(page.boundary);
      if (page.media.paused || page.media.seeking) {
        return;
      }
      var now = page.media.currentTime;
      var next = page.nextLineStart ? page.nextLineStart(now) : null;
      for (var k = 0; k < page.local.length; k++) {
        if (page.local[k].start > now + 0.05 && (next === null || page.local[k].start < next)) {
          next = page.local[k].start;
        }
      }
      if (next !== null) {
        page.boundary = window.setTimeout(sync, Math.max(10, ((next - now) / (page.media.playbackRate || 1)) * 1000 + 15));
      }
    }

    // Whether the recording can be played from that time: a host that
    // answers no byte-range request gives a recording that cannot jump.
    function canJumpTo(time) {
      var ranges = page.media.seekable;
      if (page.media.readyState < 1 || !ranges) {
        return true;
      }
      for (var k = 0; k < ranges.length; k++) {
        if (time >= ranges.start(k) - 0.25 && time <= ranges.end(k) + 0.25) {
          return true;
        }
      }
      return Math.abs(time - page.media.currentTime) < 0.25;
    }

    function cannotJump(time) {
      page.heldAt = time;
      if (!noJumpSaid) {
        noJumpSaid = true;
        page.say("This server cannot jump inside the recording; download it or ask for a server with byte ranges");
      }
      sync();
    }

    function seek(time) {
      page.heldAt = null;
      page.askedAt = null;
      time = Math.max(0, time);
      if (page.media.duration && isFinite(page.media.duration)) {
        time = Math.min(time, page.media.duration);
      }
      if (page.media.readyState >= 1) {
        // The latest time asked for wins over one the recording's length
        // (its loadedmetadata, not yet handled) would still send it to.
        page.pendingSeek = null;
        if (!canJumpTo(time)) {
          cannotJump(time);
          return;
        }
        jumpTo(time);
      } else {
        page.pendingSeek = time;
      }
      show(entryAt(time));
      page.showPosition(time);
    }

    function blocked() {
      if (page.media.paused) {
        page.say("Press play (or K) to go on.");
        statusLine.setAttribute("data-blocked", "true");
      }
    }

    function play() {
      var started;
      try {
        started = page.media.play();
      } catch (e) {
        blocked();
        return;
      }
      if (started && started.then) {
        // Refused (not allowed to start by itself), not cut short by a pause.
        started.then(function () {}, function (e) {
          if (!e || e.name === "NotAllowedError") {
            blocked();
          }
        });
      }
    }

    function toggle() {
      if (page.media.paused) {
        play();
      } else {
        page.media.pause();
      }
    }

    // --- Speed, remembered across parts and visits ------------------------------
    var speeds = [0.75, 1, 1.25, 1.5, 1.75, 2, 2.5, 3];

    function setSpeed(rate, announce) {
      var best = 1;
      speeds.forEach(function (s) {
        if (Math.abs(s - rate) < Math.abs(best - rate)) {
          best = s;
        }
      });
      page.speed = best;
      page.media.defaultPlaybackRate = best;
      page.media.playbackRate = best;
      speedBox.value = String(best);
      store.set("pellucor.speed", String(best));
      if (announce) {
        page.say("Speed " + best + "\u00d7");
      }
    }

    function changeSpeed(delta) {
      var at = speeds.indexOf(page.media.playbackRate);
      at = at < 0 ? 1 : at;
      setSpeed(speeds[Math.max(0, Math.min(speeds.length - 1, at + delta))], true);
    }

    speedBox.parentNode.hidden = false;
    speedBox.addEventListener("change", function () { setSpeed(parseFloat(speedBox.value), true); });

    // --- Each new slide said, unless the student would rather not -------------------
    saySlides.parentNode.hidden = false;
    saySlides.checked = store.get("pellucor.sayslides") !== "off";
    saySlides.addEventListener("change", function () {
      store.set("pellucor.sayslides", saySlides.checked ? "on" : "off");
      slideSaid.textContent = "";
    });

    page.entryAt = entryAt;
    page.show = show;
    page.sync = sync;
    page.shownTime = shownTime;
    page.seek = seek;
    page.jumpTo = jumpTo;
    page.canJumpTo = canJumpTo;
    page.cannotJump = cannotJump;
    page.play = play;
    page.toggle = toggle;
    page.setSpeed = setSpeed;
    page.changeSpeed = changeSpeed;
  };
})(window.Pellucor = window.Pellucor || {});
