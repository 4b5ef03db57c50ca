// The html5 style's player. On a part page it keeps the slide in step with
// the part's recording and adds the page's tools: the way to the
// neighbouring slides across parts, the keyboard, thumbnails and contents
// that follow the recording, chapters, speed, search, resume and deep links
// (#t=1h2m3s, #t=00:01:10, #slide=N). Everything comes from the page
// itself: each contents entry carries its slide's part, start time,
// picture, page and notes, so it works from disk as well as from a web
// host. On a slide page it only adds the arrow keys.
// The file passes through the style engine like every template: no line
// may begin with a hash or an exclamation mark, and it holds no tokens.
(function () {
  "use strict";
  var doc = document;
  function byId(id) { return doc.getElementById(id); }

  var store = (function () {
    var data = null;
    try {
      data = window.localStorage;
      data.getItem("pellucor.speed");
    } catch (e) {
      data = null;
    }
    return {
      get: function (key) { try { return data ? data.getItem(key) : null; } catch (e) { return null; } },
      set: function (key, value) { try { if (data) { data.setItem(key, value); } } catch (e) { /* full or blocked */ } },
      remove: function (key) { try { if (data) { data.removeItem(key); } } catch (e) { /* blocked */ } }
    };
  })();

  function typing(target) {
    var tag = target && target.tagName;
    return tag === "INPUT" || tag === "TEXTAREA" || tag === "SELECT" || Boolean(target && target.isContentEditable);
  }

  function plainKey(ev) {
    return !(ev.defaultPrevented || ev.ctrlKey || ev.altKey || ev.metaKey || typing(ev.target));
  }

  // Slide pages: the arrow keys follow the previous and next links.
  function slidePage() {
    doc.addEventListener("keydown", function (ev) {
      if (!plainKey(ev) || (ev.key !== "ArrowLeft" && ev.key !== "ArrowRight")) {
        return;
      }
      var link = byId(ev.key === "ArrowLeft" ? "prev" : "next");
      if (link && link.getAttribute("href")) {
        ev.preventDefault();
        window.location.href = link.getAttribute("href");
      }
    });
  }

  // "hh:mm:ss", "mm:ss" or seconds, each with an optional fraction.
  function seconds(text) {
    var fields = String(text).split(":");
    var total = 0;
    for (var i = 0; i < fields.length; i++) {
      total = total * 60 + (parseFloat(fields[i]) || 0);
    }
    return total;
  }

  // A time from the address: "1h2m3s", "2m", "00:01:10", "70" or "70.5".
  function addressTime(text) {
    if (/^[0-9.:]+$/.test(text)) {
      return seconds(text);
    }
    var m = /^(?:([0-9.]+)h)?(?:([0-9.]+)m)?(?:([0-9.]+)s)?$/.exec(text);
    if (!m || !text) {
      return null;
    }
    return (parseFloat(m[1]) || 0) * 3600 + (parseFloat(m[2]) || 0) * 60 + (parseFloat(m[3]) || 0);
  }

  function two(n) { return (n < 10 ? "0" : "") + n; }

  function clock(t) {
    t = Math.max(0, Math.floor(t || 0));
    var h = Math.floor(t / 3600);
    var m = Math.floor(t / 60) % 60;
    return (h ? h + ":" + two(m) : String(m)) + ":" + two(t % 60);
  }

  // Lower case without accents, one character for each character of the
  // text, so that a place found in it is the same place in the text.
  function fold(text) {
    var out = "";
    for (var i = 0; i < text.length; i++) {
      var c = text.charAt(i);
      var f = (c.normalize ? c.normalize("NFD").charAt(0) : c).toLowerCase();
      out += f.length === 1 ? f : c;
    }
    return out;
  }

  function addressParams() {
    var params = {};
    window.location.hash.replace(/^#/, "").split("&").forEach(function (pair) {
      if (!pair) {
        return;
      }
      var at = pair.indexOf("=");
      var key = at < 0 ? pair : pair.slice(0, at);
      try {
        params[decodeURIComponent(key)] = at < 0 ? "" : decodeURIComponent(pair.slice(at + 1));
      } catch (e) {
        params[key] = "";
      }
    });
    return params;
  }

  function partPage() {
    var media = byId("media");
    var part = doc.body.getAttribute("data-part");
    var slide = byId("slide");
    var title = byId("slide-title");
    var number = byId("slide-number");
    var slideTime = byId("slide-time");
    var slideLink = byId("slide-page");
    var prevLink = byId("prev");
    var nextLink = byId("next");
    var thumbs = byId("thumbs");
    var toc = doc.querySelector("nav.toc");
    var notesBox = byId("notes");
    var notesText = byId("notes-text");
    var statusLine = byId("status");
    var speedBox = byId("speed");
    var keysDialog = byId("keys");
    var keysButton = byId("keys-button");
    var reduced = Boolean(window.matchMedia && window.matchMedia("(prefers-reduced-motion: reduce)").matches);

    // The whole lecture in slide order, from the contents.
    var entries = [];
    var bySlide = {};
    var items = toc ? toc.querySelectorAll("li[data-slide]") : [];
    for (var i = 0; i < items.length; i++) {
      var li = items[i];
      var link = li.querySelector("a");
      var entry = {
        index: entries.length,
        li: li,
        link: link,
        number: li.getAttribute("data-slide"),
        part: li.getAttribute("data-part"),
        partPage: li.getAttribute("data-part-page"),
        start: seconds(li.getAttribute("data-start")),
        img: li.getAttribute("data-img"),
        page: li.getAttribute("data-page"),
        title: link ? link.textContent : "",
        notes: li.querySelector("template"),
        thumb: null
      };
      entries.push(entry);
      bySlide[entry.number] = entry;
    }
    var local = entries.filter(function (e) { return e.part === part; });
    if (!media || !local.length) {
      return;
    }
    var partList = local[0].li.parentNode;
    var partEnd = seconds(partList.getAttribute("data-end") || "0");
    var thumbLinks = thumbs ? thumbs.querySelectorAll("li[data-slide] a") : [];
    for (i = 0; i < thumbLinks.length; i++) {
      var owner = bySlide[thumbLinks[i].parentNode.getAttribute("data-slide")];
      if (owner) {
        owner.thumb = thumbLinks[i];
      }
      // The strip is one stop in the focus order: its current slide.
      thumbLinks[i].setAttribute("tabindex", "-1");
    }

    function say(text) {
      statusLine.textContent = text;
      statusLine.removeAttribute("data-blocked");
    }

    // --- The slide of the time --------------------------------------------
    var current = null;

    function entryAt(time) {
      var found = local[0];
      for (var k = 0; k < local.length; k++) {
        if (local[k].start <= time + 0.05 && local[k].start >= found.start) {
          found = local[k];
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

    // Scrolls a list so that the element is in view, never the page.
    function reveal(element, box) {
      if (!element || !box || (box.scrollHeight <= box.clientHeight && box.scrollWidth <= box.clientWidth)) {
        return;
      }
      var b = box.getBoundingClientRect();
      var r = element.getBoundingClientRect();
      var dx = r.left < b.left || r.right > b.right ? r.left + r.width / 2 - (b.left + b.width / 2) : 0;
      var dy = r.top < b.top || r.bottom > b.bottom ? r.top + r.height / 2 - (b.top + b.height / 2) : 0;
      if (dx || dy) {
        box.scrollBy({ left: dx, top: dy, behavior: reduced ? "auto" : "smooth" });
      }
    }

    function notesOf(entry) {
      var content = entry.notes && entry.notes.content;
      if (!content || !(content.textContent.trim() || content.querySelector("img"))) {
        return null;
      }
      return content;
    }

    function show(entry) {
      if (!entry || entry === current) {
        return;
      }
      var before = current;
      current = entry;
      if (entry.img) {
        slide.src = entry.img;
      }
      slide.alt = entry.title;
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
        if (before.thumb) {
          before.thumb.removeAttribute("aria-current");
          before.thumb.setAttribute("tabindex", "-1");
        }
      }
      entry.li.classList.add("current");
      entry.link.setAttribute("aria-current", "true");
      if (entry.thumb) {
        entry.thumb.setAttribute("aria-current", "true");
        entry.thumb.setAttribute("tabindex", "0");
        if (thumbHadFocus) {
          entry.thumb.focus({ preventScroll: true });
        }
      }
      var notes = notesOf(entry);
      notesText.textContent = "";
      if (notes) {
        notesText.appendChild(notes.cloneNode(true));
      }
      notesBox.hidden = !notes;
      reveal(entry.thumb, thumbs);
      reveal(entry.li, toc);
    }

    // --- The recording -------------------------------------------------------
    var pendingSeek = null;
    var boundary = 0;

    function sync() {
      show(entryAt(pendingSeek !== null ? pendingSeek : media.currentTime));
      schedule();
    }

    // Changes the slide at the next slide's start, between time updates.
    function schedule() {
      window.clearTimeout(boundary);
      if (media.paused || media.seeking) {
        return;
      }
      var now = media.currentTime;
      var next = null;
      for (var k = 0; k < local.length; k++) {
        if (local[k].start > now + 0.05 && (next === null || local[k].start < next)) {
          next = local[k].start;
        }
      }
      if (next !== null) {
        boundary = window.setTimeout(sync, Math.max(10, ((next - now) / (media.playbackRate || 1)) * 1000 + 15));
      }
    }

    function seek(time) {
      time = Math.max(0, time);
      if (media.duration && isFinite(media.duration)) {
        time = Math.min(time, media.duration);
      }
      if (media.readyState >= 1) {
        media.currentTime = time;
      } else {
        pendingSeek = time;
      }
      show(entryAt(time));
    }

    media.addEventListener("loadedmetadata", function () {
      if (pendingSeek !== null) {
        var time = pendingSeek;
        pendingSeek = null;
        media.currentTime = time;
      }
    });

    function blocked() {
      if (media.paused) {
        say("Press play (or K) to go on.");
        statusLine.setAttribute("data-blocked", "true");
      }
    }

    function play() {
      var started;
      try {
        started = media.play();
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
      if (media.paused) {
        play();
      } else {
        media.pause();
      }
    }

    ["timeupdate", "seeking", "seeked", "play", "playing", "ratechange"].forEach(function (name) {
      media.addEventListener(name, sync);
    });
    media.addEventListener("pause", function () { window.clearTimeout(boundary); });
    media.addEventListener("playing", function () {
      if (statusLine.getAttribute("data-blocked")) {
        say("");
      }
    });

    // --- Moving around ---------------------------------------------------------
    var resumeKey = "pellucor.resume." + window.location.pathname;

    function go(entry, andPlay) {
      if (!entry) {
        return;
      }
      if (entry.part !== part) {
        savePosition();
        window.location.href = entry.partPage + "#slide=" + entry.number + (andPlay ? "&play" : "");
        return;
      }
      seek(entry.start);
      if (andPlay) {
        play();
      }
    }

    function step(delta) {
      var target = entries[(current || local[0]).index + delta];
      if (target) {
        go(target, !media.paused);
      } else {
        say(delta < 0 ? "This is the first slide." : "This is the last slide.");
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
        var item = anchor && anchor.closest("[data-slide]");
        var entry = item && bySlide[item.getAttribute("data-slide")];
        if (entry && container.contains(item)) {
          ev.preventDefault();
          go(entry, true);
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

    // --- Speed, remembered across parts and visits ------------------------------
    var speeds = [0.75, 1, 1.25, 1.5, 1.75, 2];

    function setSpeed(rate, announce) {
      var best = 1;
      speeds.forEach(function (s) {
        if (Math.abs(s - rate) < Math.abs(best - rate)) {
          best = s;
        }
      });
      media.defaultPlaybackRate = best;
      media.playbackRate = best;
      speedBox.value = String(best);
      store.set("pellucor.speed", String(best));
      if (announce) {
        say("Speed " + best + "\u00d7");
      }
    }

    function changeSpeed(delta) {
      var at = speeds.indexOf(media.playbackRate);
      at = at < 0 ? 1 : at;
      setSpeed(speeds[Math.max(0, Math.min(speeds.length - 1, at + delta))], true);
    }

    speedBox.parentNode.hidden = false;
    speedBox.addEventListener("change", function () { setSpeed(parseFloat(speedBox.value), true); });
    var storedSpeed = parseFloat(store.get("pellucor.speed"));
    if (storedSpeed) {
      setSpeed(storedSpeed, false);
    }

    // --- Chapters: the slide titles --------------------------------------------
    function chaptersFromPage() {
      if (!media.addTextTrack || typeof window.VTTCue !== "function") {
        return;
      }
      var track = media.addTextTrack("chapters", "Slides", doc.documentElement.lang || "en");
      local.forEach(function (e, k) {
        var end = k + 1 < local.length ? local[k + 1].start : Math.max(partEnd, e.start + 1);
        var text = e.title.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
        track.addCue(new window.VTTCue(e.start, Math.max(end, e.start + 0.001), text));
      });
      track.mode = "hidden";
    }

    var chaptersFile = media.getAttribute("data-chapters");
    if (chaptersFile && /^https?:$/.test(window.location.protocol)) {
      // Where tracks can load, the chapters file the style wrote.
      var trackElement = doc.createElement("track");
      trackElement.kind = "chapters";
      trackElement.label = "Slides";
      trackElement.srclang = doc.documentElement.lang || "en";
      trackElement.src = chaptersFile;
      trackElement.default = true;
      trackElement.addEventListener("error", function () {
        media.removeChild(trackElement);
        chaptersFromPage();
      });
      media.appendChild(trackElement);
      trackElement.track.mode = "hidden";
    } else {
      chaptersFromPage();
    }

    // --- Captions --------------------------------------------------------------------
    // The part's captions track, shown unless the student turned it off in
    // the player (remembered). A page opened from disk cannot load the track
    // file; the script copy of the same text is given to the track as a data
    // address instead.
    var captions = byId("captions");
    if (captions && captions.track) {
      var captionsMode = function () {
        return store.get("pellucor.captions") === "off" ? "disabled" : "showing";
      };
      var captionsOn = function () {
        captions.track.mode = captionsMode();
        media.textTracks.addEventListener("change", function () {
          store.set("pellucor.captions", captions.track.mode === "showing" ? "on" : "off");
        });
      };
      if (/^https?:$/.test(window.location.protocol)) {
        captionsOn();
      } else if (captions.getAttribute("data-script")) {
        var captionsScript = doc.createElement("script");
        captionsScript.src = captions.getAttribute("data-script");
        captionsScript.addEventListener("load", function () {
          var text = (window.pellucorCaptions || {})[part];
          if (typeof text === "string") {
            captions.src = "data:text/vtt;charset=utf-8," + encodeURIComponent(text);
            captionsOn();
          }
        });
        captionsScript.addEventListener("error", function () {
          say("The captions could not be loaded.");
        });
        doc.body.appendChild(captionsScript);
      }
    }

    // --- Resume ---------------------------------------------------------------------
    var savedAt = -1;

    // The place is kept until the part has been heard to its end.
    function savePosition() {
      var t = media.currentTime;
      if (media.ended || (media.duration && t > media.duration - 1)) {
        store.remove(resumeKey);
      } else if (t > 0) {
        store.set(resumeKey, t.toFixed(1));
      }
    }

    media.addEventListener("timeupdate", function () {
      if (Math.abs(media.currentTime - savedAt) >= 1) {
        savedAt = media.currentTime;
        savePosition();
      }
    });
    media.addEventListener("pause", savePosition);
    media.addEventListener("ended", function () { store.remove(resumeKey); });
    window.addEventListener("pagehide", savePosition);

    var resumeBox = byId("resume");

    function offerResume() {
      var at = parseFloat(store.get(resumeKey));
      if (!(at >= 2)) {
        return;
      }
      byId("resume-text").textContent = "You stopped at " + clock(at) + ".";
      resumeBox.hidden = false;
      byId("resume-go").addEventListener("click", function () {
        resumeBox.hidden = true;
        seek(at);
        play();
      });
      byId("resume-no").addEventListener("click", function () {
        resumeBox.hidden = true;
        store.remove(resumeKey);
        seek(0);
      });
      media.addEventListener("play", function () { resumeBox.hidden = true; });
    }

    // --- Deep links -------------------------------------------------------------------
    // Opens the place the address asks for; false when it is in another part
    // (that part's page is opened instead).
    function applyAddress() {
      var params = addressParams();
      var time = null;
      if (params.slide !== undefined) {
        var wanted = bySlide[String(parseInt(params.slide, 10))];
        if (wanted && wanted.part !== part) {
          window.location.replace(wanted.partPage + window.location.hash);
          return false;
        }
        time = wanted ? wanted.start : null;
      }
      if (params.t !== undefined) {
        time = addressTime(params.t);
      }
      if (time === null) {
        return null;
      }
      seek(time);
      if (params.play !== undefined) {
        // Asked to play on (Next from the previous part): where the browser
        // lets a page start by itself.
        play();
        if (window.history.replaceState) {
          window.history.replaceState(null, "", window.location.hash.replace(/&play\b/, ""));
        }
      }
      return true;
    }

    window.addEventListener("hashchange", applyAddress);

    // --- Keyboard ---------------------------------------------------------------------
    function showKeys() {
      if (keysDialog.showModal) {
        keysDialog.showModal();
      } else {
        keysDialog.setAttribute("open", "");
      }
    }
    keysButton.hidden = false;
    keysButton.addEventListener("click", showKeys);

    doc.addEventListener("keydown", function (ev) {
      if (!plainKey(ev) || keysDialog.open) {
        return;
      }
      var tag = ev.target && ev.target.tagName;
      var handled = true;
      switch (ev.key) {
      case "ArrowLeft":
        step(-1);
        break;
      case "ArrowRight":
        step(1);
        break;
      case " ":
        // On a button or link the space bar presses it.
        if (tag === "BUTTON" || tag === "A" || tag === "SUMMARY") {
          handled = false;
        } else {
          toggle();
        }
        break;
      case "k":
      case "K":
        toggle();
        break;
      case "j":
      case "J":
        seek(media.currentTime - 10);
        break;
      case "l":
      case "L":
        seek(media.currentTime + 10);
        break;
      case "<":
        changeSpeed(-1);
        break;
      case ">":
        changeSpeed(1);
        break;
      case "?":
        showKeys();
        break;
      default:
        handled = false;
      }
      if (handled) {
        ev.preventDefault();
        ev.stopPropagation();
      }
    }, true);

    // --- Search over titles and notes ----------------------------------------------
    var searchBox = byId("search");
    var results = byId("results");
    var searchCount = byId("search-count");
    var searchIndex = null;

    function buildIndex() {
      searchIndex = entries.map(function (e) {
        var notes = e.notes ? e.notes.content.textContent.replace(/\s+/g, " ").trim() : "";
        return { entry: e, title: fold(e.title), notes: notes, folded: fold(notes) };
      });
    }

    function snippet(text, folded, word) {
      var li = doc.createElement("span");
      li.className = "snippet";
      var at = word ? folded.indexOf(word) : -1;
      if (at < 0) {
        li.textContent = text.slice(0, 120);
        return li;
      }
      var from = Math.max(0, at - 50);
      var to = Math.min(text.length, at + word.length + 70);
      li.appendChild(doc.createTextNode((from > 0 ? "\u2026" : "") + text.slice(from, at)));
      var mark = doc.createElement("mark");
      mark.textContent = text.slice(at, at + word.length);
      li.appendChild(mark);
      li.appendChild(doc.createTextNode(text.slice(at + word.length, to) + (to < text.length ? "\u2026" : "")));
      return li;
    }

    function search() {
      var words = fold(searchBox.value).split(/\s+/).filter(Boolean);
      results.textContent = "";
      if (!words.length) {
        searchCount.textContent = "";
        return;
      }
      if (!searchIndex) {
        buildIndex();
      }
      var hits = searchIndex.filter(function (s) {
        return words.every(function (w) { return s.title.indexOf(w) >= 0 || s.folded.indexOf(w) >= 0; });
      });
      hits.sort(function (a, b) {
        var at = a.title.indexOf(words[0]) >= 0 ? 0 : 1;
        var bt = b.title.indexOf(words[0]) >= 0 ? 0 : 1;
        return at - bt || a.entry.index - b.entry.index;
      });
      searchCount.textContent = hits.length === 0 ? "No slide found." :
        hits.length === 1 ? "1 slide found." : hits.length + " slides found.";
      hits.slice(0, 50).forEach(function (s) {
        var e = s.entry;
        var item = doc.createElement("li");
        item.setAttribute("data-slide", e.number);
        var anchor = doc.createElement("a");
        anchor.href = e.page;
        var picture = doc.createElement("img");
        picture.src = e.img;
        picture.alt = "";
        picture.loading = "lazy";
        anchor.appendChild(picture);
        var text = doc.createElement("span");
        text.className = "hit";
        var heading = doc.createElement("strong");
        heading.textContent = e.title;
        text.appendChild(heading);
        var where = doc.createElement("span");
        where.className = "time";
        where.textContent = "Slide " + e.number + ", part " + e.part + ", at " + clock(e.start);
        text.appendChild(where);
        var inNotes = words.filter(function (w) { return s.folded.indexOf(w) >= 0; })[0];
        if (s.notes) {
          text.appendChild(snippet(s.notes, s.folded, inNotes));
        }
        anchor.appendChild(text);
        item.appendChild(anchor);
        results.appendChild(item);
      });
    }

    searchBox.closest("section").hidden = false;
    searchBox.addEventListener("input", search);
    searchBox.addEventListener("keydown", function (ev) {
      var first = results.querySelector("[data-slide]");
      if (ev.key === "Enter" && first) {
        ev.preventDefault();
        go(bySlide[first.getAttribute("data-slide")], true);
      }
    });

    // --- Start ------------------------------------------------------------------------
    var placed = applyAddress();
    if (placed === false) {
      return;
    }
    if (!placed) {
      show(local[0]);
      offerResume();
    }
    doc.documentElement.setAttribute("data-player", "ready");
    if (window.performance && window.performance.mark) {
      window.performance.mark("player-ready");
    }
  }

  if (doc.body.classList.contains("part-page")) {
    partPage();
  } else if (doc.body.classList.contains("slide-page")) {
    slidePage();
  }
})();
