// The part page's whole lecture: the media element's listeners, the other
// parts played in this page, moving around (slides, thumbnails, contents,
// results), resume, deep links and the link to the moment playing.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).parts = function (page) {
    var byId = pellucor.byId;
    var store = pellucor.store;
    var addressTime = pellucor.addressTime;
    var clock = pellucor.clock;
    var addressClock = pellucor.addressClock;
    var copyText = pellucor.copyText;
    var addressParams = pellucor.addressParams;
    var entries = page.entries;
    var bySlide = page.bySlide;
    var parts = page.parts;
    var partOrder = page.partOrder;
    var prevLink = page.prevLink;
    var nextLink = page.nextLink;
    var thumbs = page.thumbs;
    var toc = page.toc;
    var statusLine = page.statusLine;
    var lecture = page.lecture;

    // --- Resume: the place in the whole lecture ------------------------------
    var resumeKey = "pellucor.resume." + window.location.pathname.replace(/[^\/]*$/, "");
    var savedAt = -1;

    // The place is kept until the lecture has been heard to its end.
    function savePosition() {
      var t = page.media.currentTime;
      if (page.media.ended || (page.media.duration && t > page.media.duration - 1)) {
        if (page.part === partOrder[partOrder.length - 1].number) {
          store.remove(resumeKey);
        }
      } else if (t > 0) {
        store.set(resumeKey, page.part + ":" + t.toFixed(1));
      }
    }

    // --- The media element's listeners (again for each new element) --------
    function bindMedia() {
      ["timeupdate", "seeking", "seeked", "play", "playing", "ratechange"].forEach(function (name) {
        page.media.addEventListener(name, page.sync);
      });
      page.media.addEventListener("pause", function () {
        window.clearTimeout(page.boundary);
        // Paused by reaching the end: the part was playing to its end.
        endedPlaying = page.media.ended;
        savePosition();
      });
      page.media.addEventListener("playing", function () {
        if (statusLine.getAttribute("data-blocked")) {
          page.say("");
        }
      });
      page.media.addEventListener("loadedmetadata", function () {
        if (page.pendingSeek !== null) {
          var time = isFinite(page.media.duration) ? Math.min(page.pendingSeek, page.media.duration) : page.pendingSeek;
          page.pendingSeek = null;
          if (page.canJumpTo(time)) {
            page.jumpTo(time);
          } else {
            page.cannotJump(time);
          }
        }
        if (playWhenLoaded) {
          playWhenLoaded = false;
          page.play();
        }
      });
      page.media.addEventListener("timeupdate", function () {
        if (Math.abs(page.media.currentTime - savedAt) >= 1) {
          savedAt = page.media.currentTime;
          savePosition();
        }
      });
      page.media.addEventListener("ended", partEnded);
      page.media.textTracks.addEventListener("change", page.captionsChanged);
      if (page.speed) {
        page.media.defaultPlaybackRate = page.speed;
        page.media.playbackRate = page.speed;
      }
    }

    // --- Other parts, played in this page ----------------------------------------
    var playOn = byId("play-on");
    var endedPlaying = false;
    var playWhenLoaded = false;

    // Loads part number's recording, captions and chapters into this page
    // and goes to time in it (playing when asked).
    function loadPart(to, time, andPlay) {
      var info = parts[to];
      if (!info) {
        return;
      }
      savePosition();
      window.clearTimeout(page.boundary);
      page.media.pause();
      var tag = info.kind === "video" ? "VIDEO" : "AUDIO";
      if (page.media.tagName !== tag) {
        var fresh = doc.createElement(tag.toLowerCase());
        fresh.id = "media";
        fresh.controls = true;
        fresh.preload = "metadata";
        if (tag === "VIDEO") {
          fresh.setAttribute("playsinline", "");
        }
        page.media.parentNode.replaceChild(fresh, page.media);
        page.media = fresh;
        page.chaptersTrack = null;
        bindMedia();
      }
      if (tag === "VIDEO") {
        page.media.width = parseInt(info.width, 10) || 640;
        page.media.height = parseInt(info.height, 10) || 480;
      }
      page.media.setAttribute("data-chapters", "chapters" + info.number + ".vtt");
      page.media.setAttribute("aria-label", "Recording of part " + info.number);
      page.part = info.number;
      page.local = info.entries;
      doc.body.setAttribute("data-part", page.part);
      byId("where").textContent = "Part " + page.part;
      doc.title = lecture + " - part " + page.part;
      byId("download").href = info.media;
      page.pendingSeek = Math.max(0, time);
      page.heldAt = null;
      page.askedAt = null;
      savedAt = -1;
      page.setSource(info.media, info.hls);
      page.setChapters();
      page.setCaptions();
      page.show(page.entryAt(page.pendingSeek));
      page.showPosition(page.pendingSeek);
      // The address names the part now playing.
      try {
        window.history.replaceState(null, "", info.page);
      } catch (e) {
        window.history.replaceState(null, "", "#part=" + page.part);
      }
      // Played once at its place, not from its start.
      playWhenLoaded = Boolean(andPlay);
    }

    // At a part's end the next part plays on, unless the student said no.
    function partEnded() {
      if (!endedPlaying) {
        return;  // a seek to the end while paused
      }
      endedPlaying = false;
      var at = partOrder.indexOf(parts[page.part]);
      var next = partOrder[at + 1];
      if (next && playOn.checked) {
        loadPart(next.number, 0, true);
      } else {
        savePosition();
        page.say(next ? "End of part " + page.part + "." : "End of the lecture.");
      }
    }

    playOn.parentNode.hidden = false;
    playOn.checked = store.get("pellucor.playon") !== "off";
    playOn.addEventListener("change", function () { store.set("pellucor.playon", playOn.checked ? "on" : "off"); });

    // --- Moving around ---------------------------------------------------------
    function go(entry, andPlay) {
      if (!entry) {
        return;
      }
      if (entry.part !== page.part) {
        loadPart(entry.part, entry.start, andPlay);
        return;
      }
      page.seek(entry.start);
      if (andPlay) {
        page.play();
      }
    }

    // A time of the whole lecture: its part and the time in that part.
    function goToLectureTime(t, andPlay) {
      var info = partOrder[partOrder.length - 1];
      for (var k = 0; k < partOrder.length; k++) {
        if (t < partOrder[k].offset + partOrder[k].length) {
          info = partOrder[k];
          break;
        }
      }
      var inPart = Math.max(0, Math.min(t - info.offset, info.length));
      if (info.number !== page.part) {
        loadPart(info.number, inPart, andPlay);
      } else {
        page.seek(inPart);
        if (andPlay) {
          page.play();
        }
      }
    }

    function step(delta) {
      var target = entries[(page.current || page.local[0]).index + delta];
      if (target) {
        go(target, !page.media.paused);
      } else {
        page.say(delta < 0 ? "This is the first slide." : "This is the last slide.");
      }
    }

    function onSlideClick(container) {
      if (!container) {
        return;
      }
      container.addEventListener("click", function (ev) {
        if (ev.button !== 0 || ev.ctrlKey || ev.shiftKey || ev.altKey || ev.metaKey) {
          return;
        }
        var anchor = ev.target.closest ? ev.target.closest("a") : null;
        var item = anchor && anchor.closest("[data-slide], [data-time]");
        if (!item || !container.contains(item)) {
          return;
        }
        ev.preventDefault();
        if (item.hasAttribute("data-time")) {
          var to = parts[item.getAttribute("data-part")];
          goToLectureTime(to.offset + parseFloat(item.getAttribute("data-time")), true);
        } else {
          go(bySlide[item.getAttribute("data-slide")], true);
        }
      });
    }
    onSlideClick(thumbs);
    onSlideClick(toc);
    onSlideClick(byId("results"));
    [[prevLink, -1], [nextLink, 1]].forEach(function (pair) {
      if (!pair[0]) {
        return;
      }
      pair[0].addEventListener("click", function (ev) {
        if (ev.button !== 0 || ev.ctrlKey || ev.shiftKey || ev.altKey || ev.metaKey) {
          return;
        }
        ev.preventDefault();
        step(pair[1]);
      });
    });

    // --- Resume ---------------------------------------------------------------------
    var resumeBox = byId("resume");

    function offerResume() {
      var saved = String(store.get(resumeKey) || "").split(":");
      var at = parseFloat(saved[1]);
      var where = parts[saved[0]];
      if (!where || !(at >= 2)) {
        return;
      }
      byId("resume-text").textContent = "You stopped " + (where.number !== page.part ? "in part " + where.number + " " : "") +
        "at " + clock(at) + ".";
      resumeBox.hidden = false;
      byId("resume-go").addEventListener("click", function () {
        resumeBox.hidden = true;
        if (where.number !== page.part) {
          loadPart(where.number, at, true);
        } else {
          page.seek(at);
          page.play();
        }
      });
      byId("resume-no").addEventListener("click", function () {
        resumeBox.hidden = true;
        store.remove(resumeKey);
        page.seek(0);
      });
      doc.addEventListener("play", function () { resumeBox.hidden = true; }, true);
    }

    // --- Deep links -------------------------------------------------------------------
    // Opens the place the address asks for; false when it asks for none.
    function applyAddress() {
      var params = addressParams();
      var to = page.part;
      var time = null;
      if (params.part !== undefined && parts[params.part]) {
        to = params.part;
        time = 0;
      }
      if (params.slide !== undefined) {
        var wanted = bySlide[String(parseInt(params.slide, 10))];
        if (wanted) {
          to = wanted.part;
          time = wanted.start;
        }
      }
      if (params.t !== undefined && addressTime(params.t) !== null) {
        time = addressTime(params.t);
      }
      var andPlay = params.play !== undefined;
      if (time === null && !andPlay) {
        return false;
      }
      if (to !== page.part) {
        loadPart(to, time || 0, andPlay);
      } else if (time !== null) {
        page.seek(time);
      }
      if (andPlay) {
        // Asked to play (the contents page's Play): where the browser lets
        // a page start by itself.
        if (to === page.part) {
          page.play();
        }
        var rest = window.location.hash.replace(/(^#|&)play\b/, "$1").replace(/^#&/, "#");
        window.history.replaceState(null, "", rest === "#" ? window.location.pathname : rest);
      }
      return true;
    }

    window.addEventListener("hashchange", applyAddress);

    // A link to the moment playing now, copied; where the browser lets the
    // page copy nothing, shown beside the button to copy by hand.
    var copyLink = byId("copy-link");
    var momentLink = byId("moment-link");
    copyLink.hidden = false;
    copyLink.addEventListener("click", function () {
      var t = page.shownTime();
      var link = new URL(parts[page.part].page + "#t=" + addressClock(t), window.location.href).href;
      copyText(link, function (copied) {
        momentLink.value = link;
        momentLink.hidden = copied;
        page.say(copied ? "Link to " + clock(t) + " copied." : "Copy the link to " + clock(t) + " from the box beside the button.");
        if (!copied) {
          momentLink.select();
        }
      });
    });

    page.bindMedia = bindMedia;
    page.goToLectureTime = goToLectureTime;
    page.step = step;
    page.offerResume = offerResume;
    page.applyAddress = applyAddress;
  };
})(window.Pellucor = window.Pellucor || {});
