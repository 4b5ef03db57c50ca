// The html5 style's player. On a part page it plays the whole lecture: the
// part's recording with the slide in step, and at a part's end (or when the
// student goes to another part) the next recording in the same page, so
// playback goes on. Around it: the way to the neighbouring slides across
// parts, a bar of the whole lecture with its parts and slides, the
// keyboard, thumbnails and contents that follow the recording, chapters,
// captions and their transcript, speed, full screen, the panes' order and
// size, search over titles, the slides' words, notes and captions, resume
// and deep links (#t=1h2m3s, #t=00:01:10, #slide=N, #part=N&t=...), and a
// link to the moment playing, copied for the student.
// Everything comes from the page itself: each contents entry carries its
// slide's part, start time, picture, page, words and notes, each part
// heading its recording,
// so it works from disk as well as from a web host. On a slide page it
// only adds the arrow keys, on the handout its print button, on the
// contents page the cards' pictures.
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

  // A time for an address, as the deep links read it: "1h2m3s", "5m", "0s".
  function addressClock(t) {
    t = Math.max(0, Math.floor(t || 0));
    var h = Math.floor(t / 3600);
    var m = Math.floor(t / 60) % 60;
    return (h ? h + "h" : "") + (m ? m + "m" : "") + (t % 60 || !t ? (t % 60) + "s" : "");
  }

  // Puts text on the clipboard; done(true) once it is there, done(false)
  // where the browser lets the page copy nothing. Without the clipboard's
  // interface (or where it refuses) the text is copied from a field of its
  // own, out of sight, and the focus given back.
  function copyText(text, done) {
    function fromField() {
      var had = doc.activeElement;
      var field = doc.body.appendChild(doc.createElement("textarea"));
      field.value = text;
      field.readOnly = true;
      field.className = "visually-hidden";
      field.select();
      var copied = false;
      try {
        copied = doc.execCommand("copy");
      } catch (e) {
        copied = false;
      }
      doc.body.removeChild(field);
      if (had && had.focus) {
        had.focus({ preventScroll: true });
      }
      return copied;
    }
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(text).then(function () { done(true); }, function () { done(fromField()); });
    } else {
      done(fromField());
    }
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

  // The handout: its print button.
  function handoutPage() {
    var button = byId("print");
    if (button && window.print) {
      button.hidden = false;
      button.addEventListener("click", function () { window.print(); });
    }
  }

  // A list of cues from WebVTT text, read by the browser's own parser: the
  // text is given as a hidden track of a silent element.
  function parseCues(text, done) {
    var holder = doc.createElement("audio");
    var track = doc.createElement("track");
    holder.hidden = true;
    holder.preload = "none";
    track.kind = "metadata";
    track.src = "data:text/vtt;charset=utf-8," + encodeURIComponent(text);
    holder.appendChild(track);
    doc.body.appendChild(holder);
    track.track.mode = "hidden";
    function finish() {
      var cues = track.track.cues ? cueList(track.track.cues) : [];
      doc.body.removeChild(holder);
      done(cues);
    }
    track.addEventListener("load", finish);
    track.addEventListener("error", function () {
      doc.body.removeChild(holder);
      done([]);
    });
  }

  // Start, end and plain text of each cue.
  function cueList(cues) {
    var list = [];
    for (var k = 0; k < cues.length; k++) {
      var c = cues[k];
      var html = c.getCueAsHTML ? c.getCueAsHTML().textContent : c.text;
      list.push({ start: c.startTime, end: c.endTime, text: String(html).replace(/\s+/g, " ").trim() });
    }
    return list;
  }

  // A slide of the part page's contents: what the page needs of every slide
  // at once is read at once, the rest from its item when asked (a long
  // lecture has hundreds). Each item: its link first, the template of its
  // notes last.
  function Entry(index, li, part) {
    this.index = index;
    this.li = li;
    this.link = li.firstElementChild;
    this.number = li.getAttribute("data-slide");
    this.part = part;
    this.start = seconds(li.getAttribute("data-start"));
    this.thumb = null;
  }

  function itemAttribute(name) {
    return { get: function () { return this.li.getAttribute(name); } };
  }

  Object.defineProperties(Entry.prototype, {
    title: { get: function () { return this.link.textContent; } },
    img: itemAttribute("data-img"),
    hires: itemAttribute("data-hires"),
    page: itemAttribute("data-page"),
    alt: itemAttribute("data-alt"),
    notes: { get: function () { return this.li.lastElementChild.tagName === "TEMPLATE" ? this.li.lastElementChild : null; } },
    // The slide's own words, where the lecture has them.
    words: { get: function () { return this.li.querySelector("template.words"); } }
  });

  function partPage() {
    var media = byId("media");
    var part = doc.body.getAttribute("data-part");
    var lecture = doc.body.getAttribute("data-lecture") || "";
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
    var slideText = byId("slide-text");
    var statusLine = byId("status");
    var speedBox = byId("speed");
    var keysDialog = byId("keys");
    var keysButton = byId("keys-button");
    var main = byId("lecture");
    var reduced = Boolean(window.matchMedia && window.matchMedia("(prefers-reduced-motion: reduce)").matches);
    var fromWeb = /^https?:$/.test(window.location.protocol);

    // --- The lecture from the contents: its parts, each with its slides ---
    var entries = [];
    var bySlide = {};
    var parts = {};
    var partOrder = [];
    var total = 0;
    var headings = toc ? toc.querySelectorAll("h3[data-part]") : [];
    for (var h = 0; h < headings.length; h++) {
      var heading = headings[h];
      var list = heading.nextElementSibling;
      var info = {
        number: heading.getAttribute("data-part"),
        page: heading.getAttribute("data-page"),
        media: heading.getAttribute("data-media"),
        kind: heading.getAttribute("data-kind"),
        width: heading.getAttribute("data-width"),
        height: heading.getAttribute("data-height"),
        captions: heading.getAttribute("data-captions"),
        captionsScript: heading.getAttribute("data-captions-script"),
        captionsLabel: heading.getAttribute("data-captions-label") || "Captions",
        entries: [],
        offset: total,
        length: 0
      };
      var items = list ? list.children : [];
      for (var i = 0; i < items.length; i++) {
        var entry = new Entry(entries.length, items[i], info.number);
        entries.push(entry);
        info.entries.push(entry);
        bySlide[entry.number] = entry;
      }
      if (!info.entries.length) {
        continue;
      }
      var last = info.entries[info.entries.length - 1];
      info.length = Math.max(seconds(list.getAttribute("data-end") || "0"), last.start + 1);
      total += info.length;
      parts[info.number] = info;
      partOrder.push(info);
    }
    if (!media || !parts[part]) {
      return;
    }
    var local = parts[part].entries;

    // A thumbnail's picture, made once: near the current slide, or when it
    // comes near the strip's view.
    function thumbPicture(entry) {
      if (!entry || !entry.thumb || entry.thumb.querySelector("img")) {
        return;
      }
      if (picturesHeld) {
        picturesHeld.push(entry);
        return;
      }
      var img = doc.createElement("img");
      img.alt = entry.title;
      img.decoding = "async";
      img.src = entry.img;
      entry.thumb.insertBefore(img, entry.thumb.firstChild);
    }
    // While the slide's own picture is on its way, the strip's pictures and
    // the recording wait for it: on a slow connection they would hold it up.
    var picturesHeld = [];

    function releasePictures() {
      if (picturesHeld) {
        var held = picturesHeld;
        picturesHeld = null;
        idle(function () { somePictures(held); });
        if (media.preload === "none") {
          media.preload = "metadata";
        }
      }
    }

    if (slide && !slide.complete) {
      slide.addEventListener("load", releasePictures, { once: true });
      slide.addEventListener("error", releasePictures, { once: true });
    } else {
      window.requestAnimationFrame(releasePictures);
    }
    // The pictures of the thumbnails in the strip's view and a view's width
    // either side, as it scrolls (the thumbnails are all of one width).
    var picturesAsked = false;

    function stripPictures() {
      picturesAsked = false;
      var first = thumbs.firstElementChild;
      var second = first && first.nextElementSibling;
      if (!second) {
        return;
      }
      var pitch = second.offsetLeft - first.offsetLeft;
      var shown = Math.ceil(thumbs.clientWidth / pitch);
      var from = Math.floor(thumbs.scrollLeft / pitch) - shown;
      for (var k = Math.max(0, from); k < stripMade && k < from + 3 * shown; k++) {
        thumbPicture(entries[k]);
      }
    }

    if (thumbs) {
      thumbs.addEventListener("scroll", function () {
        if (!picturesAsked) {
          picturesAsked = true;
          window.requestAnimationFrame(stripPictures);
        }
      }, { passive: true });
    }

    // The current slide's thumbnail is marked, and is the strip's one stop
    // in the focus order.
    function markThumb(entry, on, focus) {
      if (!entry.thumb) {
        return;
      }
      if (on) {
        entry.thumb.setAttribute("aria-current", "true");
      } else {
        entry.thumb.removeAttribute("aria-current");
      }
      entry.thumb.tabIndex = on ? 0 : -1;
      if (focus) {
        entry.thumb.focus({ preventScroll: true });
      }
    }

    // The strip, made from the contents a few dozen thumbnails per task,
    // the first at once and the rest when the browser is idle: a long
    // lecture's hundreds of thumbnails in one go would hold up its page.
    var stripMade = 0;

    function makeStrip() {
      if (!thumbs) {
        return;
      }
      var from = stripMade;
      var to = Math.min(entries.length, from + (from ? 20 : 60));
      var fragment = doc.createDocumentFragment();
      for (var k = from; k < to; k++) {
        var e = entries[k];
        var item = doc.createElement("li");
        item.setAttribute("data-slide", e.number);
        e.thumb = doc.createElement("a");
        e.thumb.href = e.page;
        e.thumb.tabIndex = -1;
        e.thumb.appendChild(doc.createElement("span")).textContent = e.number;
        item.appendChild(e.thumb);
        fragment.appendChild(item);
      }
      thumbs.appendChild(fragment);
      stripMade = to;
      if (current && current.index >= from && current.index < to) {
        markThumb(current, true, false);
        picturesAround(current.index);
        if (from) {
          window.requestAnimationFrame(function () { reveal(current.thumb, thumbs, 1); });
        }
      }
      if (to < entries.length) {
        idle(makeStrip);
      }
    }

    // Thumbnails' pictures a few per task: each picture asked for costs the
    // page a little while it starts, and a score of them at once would hold
    // it up.
    function somePictures(wanted) {
      wanted.splice(0, 4).forEach(thumbPicture);
      if (wanted.length) {
        idle(function () { somePictures(wanted); });
      }
    }

    // The pictures of the thumbnails either side of a slide, nearest first.
    function picturesAround(index) {
      var wanted = [entries[index]];
      for (var d = 1; d <= 10; d++) {
        wanted.push(entries[index + d], entries[index - d]);
      }
      somePictures(wanted);
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

    // Scrolls a list so that the element is in view, never the page. Only
    // a short way glides: a long glide would pass (and load the pictures
    // of) every thumbnail between. Lists not laid out before are placed by
    // their estimated size: once they are laid out, the element is looked
    // for again (a few times at most), and then jumped to.
    function reveal(element, box, tries) {
      if (!element || !box || (box.scrollHeight <= box.clientHeight && box.scrollWidth <= box.clientWidth)) {
        return;
      }
      tries = tries || 0;
      var b = box.getBoundingClientRect();
      var r = element.getBoundingClientRect();
      var dx = r.left < b.left || r.right > b.right ? r.left + r.width / 2 - (b.left + b.width / 2) : 0;
      var dy = r.top < b.top || r.bottom > b.bottom ? r.top + r.height / 2 - (b.top + b.height / 2) : 0;
      if (!dx && !dy) {
        return;
      }
      var glide = !reduced && !tries && Math.abs(dx) <= 2 * b.width && Math.abs(dy) <= 2 * b.height;
      box.scrollBy({ left: dx, top: dy, behavior: glide ? "smooth" : "instant" });
      if (tries < 3) {
        var again = function () { reveal(element, box, tries + 1); };
        if (glide) {
          window.setTimeout(again, 800);
        } else {
          window.requestAnimationFrame(function () { window.requestAnimationFrame(again); });
        }
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
      if (!entry || entry === current) {
        return;
      }
      var before = current;
      current = entry;
      picture(entry);
      slide.alt = entry.alt || entry.title;
      if (slideText) {
        slideText.textContent = "";
        if (entry.words) {
          slideText.appendChild(entry.words.content.cloneNode(true));
        }
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
        markThumb(before, false, false);
      }
      picturesAround(entry.index);
      entry.li.classList.add("current");
      entry.link.setAttribute("aria-current", "true");
      markThumb(entry, true, thumbHadFocus);
      var notes = notesOf(entry);
      notesText.textContent = "";
      if (notes) {
        notesText.appendChild(notes.cloneNode(true));
      }
      notesBox.hidden = !notes;
      if (before) {
        reveal(entry.thumb, thumbs);
        if (contentsShown) {
          reveal(entry.li, toc);
        }
      } else {
        // The first slide is brought into view when the page is laid out
        // for its first frame, not in a layout of its own before it.
        window.requestAnimationFrame(function () {
          reveal(current.thumb, thumbs, 1);
          if (contentsShown) {
            reveal(current.li, toc, 1);
          }
        });
      }
    }

    // The contents entries are left out of layout while the page starts,
    // and shown a score per task once the player runs: a long lecture's
    // hundreds at once would hold up its page. Then the current slide's
    // entry is brought into view (asking where an entry is before would lay
    // them all out at once); before the page shows a slide (asked only to
    // play), when it first does.
    var contentsShown = false;
    var contentsMade = 0;

    function showContents() {
      var to = Math.min(entries.length, contentsMade + 20);
      for (; contentsMade < to; contentsMade++) {
        entries[contentsMade].li.classList.add("shown");
      }
      if (to < entries.length) {
        idle(showContents);
        return;
      }
      contentsShown = true;
      if (current) {
        window.requestAnimationFrame(function () { reveal(current.li, toc, 1); });
      }
    }

    // --- The recording -------------------------------------------------------
    var pendingSeek = null;
    var boundary = 0;
    var noJumpSaid = false;

    function sync() {
      var time = pendingSeek !== null ? pendingSeek : media.currentTime;
      show(entryAt(time));
      schedule();
      showPosition(time);
      followTranscript(time);
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

    // Whether the recording can be played from that time: a host that
    // answers no byte-range request gives a recording that cannot jump.
    function canJumpTo(time) {
      var ranges = media.seekable;
      if (media.readyState < 1 || !ranges) {
        return true;
      }
      for (var k = 0; k < ranges.length; k++) {
        if (time >= ranges.start(k) - 0.25 && time <= ranges.end(k) + 0.25) {
          return true;
        }
      }
      return Math.abs(time - media.currentTime) < 0.25;
    }

    function cannotJump() {
      if (!noJumpSaid) {
        noJumpSaid = true;
        say("This server cannot jump inside the recording; download it or ask for a server with byte ranges");
      }
      sync();
    }

    function seek(time) {
      time = Math.max(0, time);
      if (media.duration && isFinite(media.duration)) {
        time = Math.min(time, media.duration);
      }
      if (media.readyState >= 1) {
        if (!canJumpTo(time)) {
          cannotJump();
          return;
        }
        media.currentTime = time;
      } else {
        pendingSeek = time;
      }
      show(entryAt(time));
      showPosition(time);
    }

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

    // --- Resume: the place in the whole lecture ------------------------------
    var resumeKey = "pellucor.resume." + window.location.pathname.replace(/[^\/]*$/, "");
    var savedAt = -1;

    // The place is kept until the lecture has been heard to its end.
    function savePosition() {
      var t = media.currentTime;
      if (media.ended || (media.duration && t > media.duration - 1)) {
        if (part === partOrder[partOrder.length - 1].number) {
          store.remove(resumeKey);
        }
      } else if (t > 0) {
        store.set(resumeKey, part + ":" + t.toFixed(1));
      }
    }

    // --- The media element's listeners (again for each new element) --------
    function bindMedia() {
      ["timeupdate", "seeking", "seeked", "play", "playing", "ratechange"].forEach(function (name) {
        media.addEventListener(name, sync);
      });
      media.addEventListener("pause", function () {
        window.clearTimeout(boundary);
        // Paused by reaching the end: the part was playing to its end.
        endedPlaying = media.ended;
        savePosition();
      });
      media.addEventListener("playing", function () {
        if (statusLine.getAttribute("data-blocked")) {
          say("");
        }
      });
      media.addEventListener("loadedmetadata", function () {
        if (pendingSeek !== null) {
          var time = isFinite(media.duration) ? Math.min(pendingSeek, media.duration) : pendingSeek;
          pendingSeek = null;
          if (canJumpTo(time)) {
            media.currentTime = time;
          } else {
            cannotJump();
          }
        }
        if (playWhenLoaded) {
          playWhenLoaded = false;
          play();
        }
      });
      media.addEventListener("timeupdate", function () {
        if (Math.abs(media.currentTime - savedAt) >= 1) {
          savedAt = media.currentTime;
          savePosition();
        }
      });
      media.addEventListener("ended", partEnded);
      media.textTracks.addEventListener("change", captionsChanged);
      if (speed) {
        media.defaultPlaybackRate = speed;
        media.playbackRate = speed;
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
      window.clearTimeout(boundary);
      media.pause();
      var tag = info.kind === "video" ? "VIDEO" : "AUDIO";
      if (media.tagName !== tag) {
        var fresh = doc.createElement(tag.toLowerCase());
        fresh.id = "media";
        fresh.controls = true;
        fresh.preload = "metadata";
        if (tag === "VIDEO") {
          fresh.setAttribute("playsinline", "");
        }
        media.parentNode.replaceChild(fresh, media);
        media = fresh;
        chaptersTrack = null;
        bindMedia();
      }
      if (tag === "VIDEO") {
        media.width = parseInt(info.width, 10) || 640;
        media.height = parseInt(info.height, 10) || 480;
      }
      media.setAttribute("data-chapters", "chapters" + info.number + ".vtt");
      part = info.number;
      local = info.entries;
      doc.body.setAttribute("data-part", part);
      byId("where").textContent = "Part " + part;
      doc.title = lecture + " - part " + part;
      byId("download").href = info.media;
      pendingSeek = Math.max(0, time);
      savedAt = -1;
      media.src = info.media;
      media.load();
      setChapters();
      setCaptions();
      show(entryAt(pendingSeek));
      showPosition(pendingSeek);
      // The address names the part now playing.
      try {
        window.history.replaceState(null, "", info.page);
      } catch (e) {
        window.history.replaceState(null, "", "#part=" + part);
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
      var at = partOrder.indexOf(parts[part]);
      var next = partOrder[at + 1];
      if (next && playOn.checked) {
        loadPart(next.number, 0, true);
      } else {
        savePosition();
        say(next ? "End of part " + part + "." : "End of the lecture.");
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
      if (entry.part !== part) {
        loadPart(entry.part, entry.start, andPlay);
        return;
      }
      seek(entry.start);
      if (andPlay) {
        play();
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
      if (info.number !== part) {
        loadPart(info.number, inPart, andPlay);
      } else {
        seek(inPart);
        if (andPlay) {
          play();
        }
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

    // --- The bar of the whole lecture ---------------------------------------------
    var bar = byId("bar");
    var barFill = bar.querySelector(".bar-fill");
    var barTip = byId("bar-tip");
    var barTime = byId("bar-time");
    var dragging = false;

    function percent(t) { return (total ? (100 * t) / total : 0).toFixed(3) + "%"; }

    function entryAtLecture(t) {
      var found = entries[0];
      for (var k = 0; k < entries.length; k++) {
        var e = entries[k];
        if (parts[e.part].offset + e.start <= t + 0.05) {
          found = e;
        }
      }
      return found;
    }

    function describe(t) {
      var e = entryAtLecture(t);
      return clock(t) + ", part " + e.part + ", slide " + e.number + ": " + e.title;
    }

    function showPosition(time) {
      var t = parts[part].offset + Math.min(time, parts[part].length);
      barFill.style.width = percent(t);
      barTime.textContent = clock(t);
      if (!dragging) {
        bar.setAttribute("aria-valuenow", String(Math.round(t)));
        bar.setAttribute("aria-valuetext", describe(t));
        if (doc.activeElement === bar) {
          tip(t);
        }
      }
    }

    function tip(t) {
      var e = entryAtLecture(t);
      barTip.textContent = "Slide " + e.number + ": " + e.title + " \u2014 " + clock(t);
      barTip.style.left = "clamp(0%, calc(" + percent(t) + " - 6rem), calc(100% - 12rem))";
      barTip.hidden = false;
    }

    function barTimeAt(ev) {
      var r = bar.getBoundingClientRect();
      return Math.max(0, Math.min(1, (ev.clientX - r.left) / r.width)) * total;
    }

    // The parts' edges and the slide changes within them: two paths of one
    // drawing (hundreds of marks as elements of their own cost a long
    // lecture's page dearly), each line as wide on screen whatever the
    // bar's width.
    (function drawBar() {
      var svg = "http://www.w3.org/2000/svg";
      var drawing = doc.createElementNS(svg, "svg");
      var edges = "";
      var marks = "";
      function at(t) { return (total ? (1000 * t) / total : 0).toFixed(2); }
      partOrder.forEach(function (info, k) {
        if (k > 0) {
          edges += "M" + at(info.offset) + " 6V38";
        }
        info.entries.forEach(function (e, n) {
          if (n > 0) {
            marks += "M" + at(info.offset + e.start) + " 14V30";
          }
        });
      });
      drawing.setAttribute("class", "bar-marks");
      drawing.setAttribute("viewBox", "0 0 1000 44");
      drawing.setAttribute("preserveAspectRatio", "none");
      drawing.setAttribute("aria-hidden", "true");
      [["bar-mark", marks], ["bar-part", edges]].forEach(function (kind) {
        var path = drawing.appendChild(doc.createElementNS(svg, "path"));
        path.setAttribute("class", kind[0]);
        path.setAttribute("d", kind[1]);
      });
      bar.appendChild(drawing);
      bar.setAttribute("aria-valuemax", String(Math.round(total)));
      byId("bar-total").textContent = clock(total);
      bar.parentNode.hidden = false;
    })();

    bar.addEventListener("pointermove", function (ev) {
      tip(barTimeAt(ev));
      if (dragging) {
        barFill.style.width = percent(barTimeAt(ev));
      }
    });
    bar.addEventListener("pointerleave", function () {
      if (doc.activeElement !== bar) {
        barTip.hidden = true;
      }
    });
    bar.addEventListener("pointerdown", function (ev) {
      if (ev.button !== 0) {
        return;
      }
      dragging = true;
      if (bar.setPointerCapture) {
        bar.setPointerCapture(ev.pointerId);
      }
      barFill.style.width = percent(barTimeAt(ev));
    });
    bar.addEventListener("pointerup", function (ev) {
      if (!dragging) {
        return;
      }
      dragging = false;
      goToLectureTime(barTimeAt(ev), !media.paused);
    });
    bar.addEventListener("pointercancel", function () { dragging = false; });
    bar.addEventListener("focus", function () { tip(parts[part].offset + media.currentTime); });
    bar.addEventListener("blur", function () { barTip.hidden = true; });
    bar.addEventListener("keydown", function (ev) {
      var now = parts[part].offset + (pendingSeek !== null ? pendingSeek : media.currentTime);
      var to = null;
      if (ev.key === "ArrowLeft" || ev.key === "ArrowDown") {
        to = now - 10;
      } else if (ev.key === "ArrowRight" || ev.key === "ArrowUp") {
        to = now + 10;
      } else if (ev.key === "PageDown" || ev.key === "PageUp") {
        var target = entries[entryAtLecture(now).index + (ev.key === "PageUp" ? 1 : -1)];
        to = target ? parts[target.part].offset + target.start : null;
      } else if (ev.key === "Home") {
        to = 0;
      } else if (ev.key === "End") {
        to = total;
      }
      if (to !== null) {
        ev.preventDefault();
        to = Math.max(0, Math.min(total, to));
        goToLectureTime(to, !media.paused);
        tip(to);
      }
    });

    // --- Speed, remembered across parts and visits ------------------------------
    var speeds = [0.75, 1, 1.25, 1.5, 1.75, 2, 2.5, 3];
    var speed = 0;

    function setSpeed(rate, announce) {
      var best = 1;
      speeds.forEach(function (s) {
        if (Math.abs(s - rate) < Math.abs(best - rate)) {
          best = s;
        }
      });
      speed = best;
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

    // --- Chapters: the slide titles --------------------------------------------
    var chaptersTrack = null;

    function setChapters() {
      var old = media.querySelectorAll("track[kind='chapters']");
      for (var k = 0; k < old.length; k++) {
        media.removeChild(old[k]);
      }
      if (fromWeb && media.getAttribute("data-chapters")) {
        // Where tracks can load, the chapters file the style wrote.
        var element = doc.createElement("track");
        element.kind = "chapters";
        element.label = "Slides";
        element.srclang = doc.documentElement.lang || "en";
        element.src = media.getAttribute("data-chapters");
        element.addEventListener("error", function () {
          if (element.parentNode === media) {
            media.removeChild(element);
            chaptersFromPage();
          }
        });
        media.appendChild(element);
        element.track.mode = "hidden";
      } else {
        chaptersFromPage();
      }
    }

    function chaptersFromPage() {
      if (!media.addTextTrack || typeof window.VTTCue !== "function") {
        return;
      }
      if (!chaptersTrack) {
        chaptersTrack = media.addTextTrack("chapters", "Slides", doc.documentElement.lang || "en");
      }
      var cues = chaptersTrack.cues ? Array.prototype.slice.call(chaptersTrack.cues) : [];
      cues.forEach(function (c) { chaptersTrack.removeCue(c); });
      local.forEach(function (e, k) {
        var end = k + 1 < local.length ? local[k + 1].start : Math.max(parts[part].length, e.start + 1);
        var text = e.title.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
        chaptersTrack.addCue(new window.VTTCue(e.start, Math.max(end, e.start + 0.001), text));
      });
      chaptersTrack.mode = "hidden";
    }

    // --- Captions and their transcript ---------------------------------------------
    // The part's captions track, shown unless the student turned it off in
    // the player (remembered; the track then stays loaded, hidden, for the
    // transcript). A page opened from disk cannot load the track file; the
    // script copy of the same text is given to the track as a data address.
    var captions = null;
    var transcriptBox = byId("transcript");
    var transcriptList = byId("transcript-lines");
    var transcriptKind = byId("transcript-kind");
    var lines = [];
    var currentLine = -1;

    function captionsMode() {
      return store.get("pellucor.captions") === "off" ? "hidden" : "showing";
    }

    function captionsChanged() {
      if (!captions || captions.parentNode !== media) {
        return;
      }
      var mode = captions.track.mode;
      if (mode === "disabled") {
        captions.track.mode = "hidden";
      }
      store.set("pellucor.captions", mode === "showing" ? "on" : "off");
    }

    // The text of a part's captions from their script copy.
    function captionsText(info, done) {
      var texts = window.pellucorCaptions || {};
      if (typeof texts[info.number] === "string") {
        done(texts[info.number]);
        return;
      }
      var script = doc.createElement("script");
      script.src = info.captionsScript;
      script.addEventListener("load", function () {
        var text = (window.pellucorCaptions || {})[info.number];
        done(typeof text === "string" ? text : null);
      });
      script.addEventListener("error", function () { done(null); });
      doc.body.appendChild(script);
    }

    function setCaptions() {
      var info = parts[part];
      var old = media.querySelectorAll("track[kind='captions']");
      for (var k = 0; k < old.length; k++) {
        media.removeChild(old[k]);
      }
      captions = null;
      showTranscript([]);
      if (!info.captions) {
        return;
      }
      var element = doc.createElement("track");
      element.id = "captions";
      element.kind = "captions";
      element.label = info.captionsLabel;
      element.srclang = doc.documentElement.lang || "en";
      captions = element;
      element.addEventListener("load", function () {
        if (captions === element && element.track.cues) {
          showTranscript(cueList(element.track.cues));
        }
      });
      if (fromWeb) {
        element.src = info.captions;
        media.appendChild(element);
        element.track.mode = captionsMode();
        return;
      }
      captionsText(info, function (text) {
        if (captions !== element) {
          return;
        }
        if (text === null) {
          say("The captions could not be loaded.");
          return;
        }
        element.src = "data:text/vtt;charset=utf-8," + encodeURIComponent(text);
        media.appendChild(element);
        element.track.mode = captionsMode();
      });
    }

    function showTranscript(cues) {
      lines = cues;
      currentLine = -1;
      transcriptList.textContent = "";
      transcriptBox.hidden = !cues.length;
      transcriptKind.hidden = parts[part].captionsLabel !== "Automatic captions";
      var fragment = doc.createDocumentFragment();
      cues.forEach(function (c, k) {
        var item = doc.createElement("li");
        var button = doc.createElement("button");
        button.type = "button";
        button.className = "line";
        button.setAttribute("data-line", String(k));
        button.tabIndex = k === 0 ? 0 : -1;
        var when = doc.createElement("span");
        when.className = "time";
        when.textContent = clock(c.start);
        button.appendChild(when);
        button.appendChild(doc.createTextNode(" " + c.text));
        item.appendChild(button);
        fragment.appendChild(item);
      });
      transcriptList.appendChild(fragment);
      followTranscript(media.currentTime);
    }

    function lineButton(k) { return transcriptList.querySelector("button[data-line='" + k + "']"); }

    function followTranscript(time) {
      if (!lines.length) {
        return;
      }
      var at = -1;
      for (var k = 0; k < lines.length; k++) {
        if (lines[k].start <= time + 0.05) {
          at = k;
        }
      }
      if (at === currentLine) {
        return;
      }
      var before = lineButton(currentLine);
      var focused = before && doc.activeElement === before;
      if (before) {
        before.removeAttribute("aria-current");
        before.tabIndex = -1;
      }
      currentLine = at;
      var now = lineButton(Math.max(at, 0));
      now.tabIndex = 0;
      if (at >= 0) {
        now.setAttribute("aria-current", "true");
        if (focused) {
          now.focus({ preventScroll: true });
        }
        reveal(now, transcriptList);
      }
    }

    transcriptList.addEventListener("click", function (ev) {
      var button = ev.target.closest ? ev.target.closest("button[data-line]") : null;
      var line = button && lines[parseInt(button.getAttribute("data-line"), 10)];
      if (line) {
        seek(line.start);
        play();
      }
    });
    transcriptList.addEventListener("keydown", function (ev) {
      var button = ev.target.closest ? ev.target.closest("button[data-line]") : null;
      if (!button || (ev.key !== "ArrowDown" && ev.key !== "ArrowUp")) {
        return;
      }
      var to = lineButton(parseInt(button.getAttribute("data-line"), 10) + (ev.key === "ArrowDown" ? 1 : -1));
      if (to) {
        ev.preventDefault();
        button.tabIndex = -1;
        to.tabIndex = 0;
        to.focus();
      }
    });

    // --- Full screen: the slide, or the slide and the video side by side ------------
    var fullSlide = byId("fullscreen-slide");
    var fullBoth = byId("fullscreen-both");
    var slideFrame = byId("slide-frame");

    function fullScreen(element) {
      if (doc.fullscreenElement) {
        var same = doc.fullscreenElement === element;
        doc.exitFullscreen();
        if (same) {
          return;
        }
      }
      if (element.requestFullscreen) {
        element.requestFullscreen().catch(function () { say("Full screen is not allowed here."); });
      }
    }

    if (doc.fullscreenEnabled) {
      fullSlide.hidden = false;
      fullBoth.hidden = false;
      fullSlide.addEventListener("click", function () { fullScreen(slideFrame); });
      fullBoth.addEventListener("click", function () { fullScreen(main); });
      doc.addEventListener("fullscreenchange", function () {
        var on = doc.fullscreenElement;
        fullSlide.firstChild.textContent = on === slideFrame ? "Leave full screen " : "Full screen slide ";
        fullBoth.textContent = on === main ? "Leave full screen" : "Slide and video full screen";
        main.classList.toggle("both-full", on === main);
      });
    }

    // --- The panes: their order and the video pane's width, remembered ---------------
    var swap = byId("swap");
    var splitter = byId("splitter");
    var split = 34;

    function setSwapped(on) {
      main.classList.toggle("swapped", on);
      swap.setAttribute("aria-pressed", on ? "true" : "false");
      store.set("pellucor.swap", on ? "on" : "off");
    }

    function setSplit(value) {
      split = Math.max(20, Math.min(70, Math.round(value)));
      main.style.setProperty("--split", split + "%");
      splitter.setAttribute("aria-valuenow", String(split));
      splitter.setAttribute("aria-valuetext", "Video pane " + split + "% of the width");
      store.set("pellucor.split", String(split));
    }

    swap.hidden = false;
    splitter.hidden = false;
    swap.addEventListener("click", function () { setSwapped(!main.classList.contains("swapped")); });
    if (store.get("pellucor.swap") === "on") {
      setSwapped(true);
    }
    if (parseFloat(store.get("pellucor.split"))) {
      setSplit(parseFloat(store.get("pellucor.split")));
    }
    // Until the student sets it, the video pane has a share that a large
    // screen keeps to a sensible width: read from the page when first used.
    splitter.addEventListener("focus", function () {
      if (!main.style.getPropertyValue("--split")) {
        var inner = getComputedStyle(main);
        var width = main.clientWidth - parseFloat(inner.paddingLeft) - parseFloat(inner.paddingRight);
        split = Math.round((100 * byId("player").getBoundingClientRect().width) / width);
        splitter.setAttribute("aria-valuenow", String(Math.max(20, Math.min(70, split))));
      }
    });
    splitter.addEventListener("keydown", function (ev) {
      var grow = main.classList.contains("swapped") ? -1 : 1;
      var by = { ArrowLeft: -2 * grow, ArrowRight: 2 * grow, ArrowDown: -2, ArrowUp: 2, PageDown: -10, PageUp: 10 }[ev.key];
      if (ev.key === "Home" || ev.key === "End") {
        by = (ev.key === "Home" ? 20 : 70) - split;
      }
      if (by) {
        ev.preventDefault();
        setSplit(split + by);
      }
    });
    splitter.addEventListener("pointerdown", function (ev) {
      if (ev.button !== 0) {
        return;
      }
      ev.preventDefault();
      splitter.setPointerCapture(ev.pointerId);
      var move = function (e) {
        var r = main.getBoundingClientRect();
        var share = (100 * (e.clientX - r.left)) / r.width;
        setSplit(main.classList.contains("swapped") ? 100 - share : share);
      };
      var stop = function () {
        splitter.removeEventListener("pointermove", move);
        splitter.removeEventListener("pointerup", stop);
      };
      splitter.addEventListener("pointermove", move);
      splitter.addEventListener("pointerup", stop);
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
      byId("resume-text").textContent = "You stopped " + (where.number !== part ? "in part " + where.number + " " : "") +
        "at " + clock(at) + ".";
      resumeBox.hidden = false;
      byId("resume-go").addEventListener("click", function () {
        resumeBox.hidden = true;
        if (where.number !== part) {
          loadPart(where.number, at, true);
        } else {
          seek(at);
          play();
        }
      });
      byId("resume-no").addEventListener("click", function () {
        resumeBox.hidden = true;
        store.remove(resumeKey);
        seek(0);
      });
      doc.addEventListener("play", function () { resumeBox.hidden = true; }, true);
    }

    // --- Deep links -------------------------------------------------------------------
    // Opens the place the address asks for; false when it asks for none.
    function applyAddress() {
      var params = addressParams();
      var to = part;
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
      if (to !== part) {
        loadPart(to, time || 0, andPlay);
      } else if (time !== null) {
        seek(time);
      }
      if (andPlay) {
        // Asked to play (the contents page's Play): where the browser lets
        // a page start by itself.
        if (to === part) {
          play();
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
      var t = pendingSeek !== null ? pendingSeek : media.currentTime;
      var link = new URL(parts[part].page + "#t=" + addressClock(t), window.location.href).href;
      copyText(link, function (copied) {
        momentLink.value = link;
        momentLink.hidden = copied;
        say(copied ? "Link to " + clock(t) + " copied." : "Copy the link to " + clock(t) + " from the box beside the button.");
        if (!copied) {
          momentLink.select();
        }
      });
    });

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
      if (!plainKey(ev) || keysDialog.open || ev.target === bar || ev.target === splitter) {
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
      case "f":
      case "F":
        if (doc.fullscreenEnabled) {
          fullScreen(slideFrame);
        }
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

    // --- Search over titles, slide words, notes and captions -------------------------
    var searchBox = byId("search");
    var results = byId("results");
    var searchCount = byId("search-count");
    var searchIndex = null;
    var captionIndex = [];
    var captionsAsked = false;

    // Each slide's words and notes are searched as one text; the words
    // come first, as the slide shows them.
    function buildIndex() {
      searchIndex = entries.map(function (e) {
        var words = e.words ? e.words.content.textContent : "";
        var notes = e.notes ? e.notes.content.textContent : "";
        var text = (words + " " + notes).replace(/\s+/g, " ").trim();
        return { entry: e, title: fold(e.title), notes: text, folded: fold(text) };
      });
    }

    // Reads the captions of every part once, then searches again.
    function indexCaptions() {
      captionsAsked = true;
      partOrder.forEach(function (info) {
        if (!info.captions) {
          return;
        }
        captionsText(info, function (text) {
          if (text === null) {
            return;
          }
          parseCues(text, function (cues) {
            // The results are made again only if the new cues add to them:
            // a list redrawn under the pointer loses the click.
            var words = searchWords();
            var adds = false;
            cues.forEach(function (c) {
              var cue = { part: info.number, start: c.start, text: c.text, folded: fold(c.text) };
              captionIndex.push(cue);
              adds = adds || (words.length > 0 && saysAll(cue, words));
            });
            captionIndex.sort(function (a, b) {
              return (parts[a.part].offset + a.start) - (parts[b.part].offset + b.start);
            });
            if (adds) {
              search();
            }
          });
        });
      });
    }

    function plural(n, one) { return n + " " + one + (n === 1 ? "" : "s"); }

    function searchWords() { return fold(searchBox.value).split(/\s+/).filter(Boolean); }

    function saysAll(cue, words) {
      return words.every(function (w) { return cue.folded.indexOf(w) >= 0; });
    }

    function search() {
      var words = searchWords();
      results.textContent = "";
      if (!words.length) {
        searchCount.textContent = "";
        return;
      }
      if (!searchIndex) {
        buildIndex();
      }
      if (!captionsAsked) {
        indexCaptions();
      }
      var hits = searchIndex.filter(function (s) {
        return words.every(function (w) { return s.title.indexOf(w) >= 0 || s.folded.indexOf(w) >= 0; });
      });
      hits.sort(function (a, b) {
        var at = a.title.indexOf(words[0]) >= 0 ? 0 : 1;
        var bt = b.title.indexOf(words[0]) >= 0 ? 0 : 1;
        return at - bt || a.entry.index - b.entry.index;
      });
      var said = captionIndex.filter(function (c) { return saysAll(c, words); });
      searchCount.textContent = !hits.length && !said.length ? "No slide or caption found." :
        plural(hits.length, "slide") + " and " + plural(said.length, "caption") + " found.";
      hits.slice(0, 50).forEach(function (s) {
        var e = s.entry;
        var inNotes = words.filter(function (w) { return s.folded.indexOf(w) >= 0; })[0];
        var item = resultItem(e.page, e.title, "Slide " + e.number + ", part " + e.part + ", at " + clock(e.start),
          s.notes ? snippet(s.notes, s.folded, inNotes) : null, e.img);
        item.setAttribute("data-slide", e.number);
        results.appendChild(item);
      });
      said.slice(0, 50).forEach(function (c) {
        var item = resultItem(parts[c.part].page + "#t=" + c.start.toFixed(1), "Part " + c.part + " at " + clock(c.start),
          "Captions", snippet(c.text, c.folded, words[0]));
        item.setAttribute("data-part", c.part);
        item.setAttribute("data-time", String(c.start));
        results.appendChild(item);
      });
    }

    searchBox.closest("section").hidden = false;
    searchBox.addEventListener("input", search);
    searchBox.addEventListener("keydown", function (ev) {
      var first = results.querySelector("li a");
      if (ev.key === "Enter" && first) {
        ev.preventDefault();
        first.click();
      }
    });

    // --- Start ------------------------------------------------------------------------
    makeStrip();
    bindMedia();
    var storedSpeed = parseFloat(store.get("pellucor.speed"));
    if (storedSpeed) {
      setSpeed(storedSpeed, false);
    }
    setChapters();
    setCaptions();
    if (!applyAddress()) {
      show(local[0]);
      showPosition(0);
      offerResume();
    }
    idle(showContents);
    doc.documentElement.setAttribute("data-player", "ready");
    if (window.performance && window.performance.mark) {
      window.performance.mark("player-ready");
    }
  }

  // A search result's words around the first place where the (folded)
  // word is found, the word marked: a paragraph of its own.
  function snippet(text, folded, word) {
    var words = doc.createElement("p");
    words.className = "snippet";
    var at = word ? folded.indexOf(word) : -1;
    if (at < 0) {
      words.textContent = text.slice(0, 120);
      return words;
    }
    var from = Math.max(0, at - 50);
    var to = Math.min(text.length, at + word.length + 70);
    words.appendChild(doc.createTextNode((from > 0 ? "\u2026" : "") + text.slice(from, at)));
    var mark = doc.createElement("mark");
    mark.textContent = text.slice(at, at + word.length);
    words.appendChild(mark);
    words.appendChild(doc.createTextNode(text.slice(at + word.length, to) + (to < text.length ? "\u2026" : "")));
    return words;
  }

  // A search result: its picture (where it has one), its link named by its
  // heading alone, then where it is and its words, each a paragraph, so that
  // a screen reader reads them apart. The whole item takes the click.
  function resultItem(href, heading, where, text, picture) {
    var item = doc.createElement("li");
    if (picture) {
      var thumb = item.appendChild(doc.createElement("img"));
      thumb.src = picture;
      thumb.alt = "";
      thumb.loading = "lazy";
    }
    var hit = item.appendChild(doc.createElement("div"));
    hit.className = "hit";
    var anchor = hit.appendChild(doc.createElement("a"));
    anchor.href = href;
    anchor.appendChild(doc.createElement("strong")).textContent = heading;
    var place = hit.appendChild(doc.createElement("p"));
    place.className = "time";
    place.textContent = where;
    if (text) {
      hit.appendChild(text);
    }
    return item;
  }

  // Pictures made when their holders (each with the picture's address)
  // come near view, as they are scrolled to; the function returned is given
  // each holder (and whether its picture is wanted at once). Hundreds of
  // pictures, even not loaded, cost a long lecture's page dearly.
  function picturesNear(root, margin, make) {
    var near = window.IntersectionObserver ? new window.IntersectionObserver(function (seen) {
      seen.forEach(function (s) {
        if (s.isIntersecting) {
          near.unobserve(s.target);
          make(s.target);
        }
      });
    }, { root: root, rootMargin: margin }) : null;
    return function (holder, now) {
      if (near && !now) {
        near.observe(holder);
      } else {
        make(holder);
      }
    };
  }

  // Runs work when the browser is idle (soon at the latest).
  function idle(work) {
    if (window.requestIdleCallback) {
      window.requestIdleCallback(work, { timeout: 500 });
    } else {
      window.setTimeout(work, 20);
    }
  }

  // The contents page: the cards' pictures.
  function contentsPage() {
    var holders = doc.querySelectorAll("ol.cards [data-img]");
    var watch = picturesNear(null, "100% 0px", function (holder) {
      var img = doc.createElement("img");
      img.alt = "";
      img.decoding = "async";
      img.src = holder.getAttribute("data-img");
      holder.appendChild(img);
    });
    for (var k = 0; k < holders.length; k++) {
      watch(holders[k], k < 12);
    }
  }

  if (doc.body.classList.contains("part-page")) {
    partPage();
  } else if (doc.body.classList.contains("slide-page")) {
    slidePage();
  } else if (doc.body.classList.contains("handout-page")) {
    handoutPage();
  } else if (doc.body.classList.contains("index-page")) {
    contentsPage();
  }
})();
