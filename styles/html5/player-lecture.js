// The part page's player: the lecture read from the page's contents (its
// parts, each with its slides), the state the player's pieces share, and
// its start. Each piece (player-contents.js, player-clock.js,
// player-parts.js, player-bar.js, player-captions.js, player-panes.js,
// player-keys.js, player-search.js) is given that state, keeps its own, and
// adds to it what the others call; player.js, asked for last, runs it all.
(function (pellucor) {
  "use strict";
  var doc = document;
  var pieces = ["contents", "clock", "parts", "bar", "captions", "descriptions", "panes", "keys", "search", "stream"];

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
    this.start = pellucor.seconds(li.getAttribute("data-start"));
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
    notes: { get: function () { return this.li.lastElementChild.tagName === "TEMPLATE" ? this.li.lastElementChild : null; } },
    // The slide's own words, where the lecture has them.
    words: { get: function () { return this.li.querySelector("template.words"); } }
  });

  pellucor.partPage = function () {
    var byId = pellucor.byId;
    var seconds = pellucor.seconds;
    var have = pellucor.pieces || {};
    if (!pieces.every(function (name) { return typeof have[name] === "function"; })) {
      return;  // a piece did not load: the page stays as it is without scripts
    }
    var media = byId("media");
    var part = doc.body.getAttribute("data-part");
    var toc = doc.querySelector("nav.toc");
    var statusLine = byId("status");

    // A part's captions, one track a language, its own language's first:
    // "lang|label|file|script|key|kind;..." (a style without it: one track),
    // the kind "auto", "reviewed" (automatic, reviewed by a person) or "lecturer".
    function captionTracks(heading) {
      var list = heading.getAttribute("data-captions-tracks");
      var file = heading.getAttribute("data-captions");
      if (!list) {
        var label = heading.getAttribute("data-captions-label") || "Captions";
        return file ? [{ lang: doc.documentElement.lang || "en", label: label, file: file,
          script: heading.getAttribute("data-captions-script"), key: heading.getAttribute("data-part"),
          automatic: label === "Automatic captions" }] : [];
      }
      return list.split(";").map(function (entry) {
        var f = entry.split("|");
        return { lang: f[0], label: f[1], file: f[2], script: f[3], key: f[4], automatic: f[5] === "auto",
          reviewed: f[5] === "reviewed" };
      });
    }

    // A part's audio descriptions, "file|script|key", else null.
    function descriptionsOf(heading) {
      var f = (heading.getAttribute("data-descriptions") || "").split("|");
      return f.length === 3 ? { file: f[0], script: f[1], key: f[2] } : null;
    }

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
        hls: heading.getAttribute("data-hls") || "",
        kind: heading.getAttribute("data-kind"),
        width: heading.getAttribute("data-width"),
        height: heading.getAttribute("data-height"),
        tracks: captionTracks(heading),
        descriptions: descriptionsOf(heading),
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

    // What the pieces share. The media element is another one once a part
    // of the other kind is played; part and local (its slides) follow the
    // part playing; pendingSeek is the time asked for before the recording
    // could go there, heldAt one it could not go to (its slide is shown
    // while paused), askedAt one it was sent to and has not passed yet;
    // boundary the timer of the next slide change.
    var page = {
      media: media,
      part: part,
      local: parts[part].entries,
      current: null,
      pendingSeek: null,
      heldAt: null,
      askedAt: null,
      boundary: 0,
      speed: 0,
      chaptersTrack: null,
      contentsShown: false,
      lecture: doc.body.getAttribute("data-lecture") || "",
      entries: entries,
      bySlide: bySlide,
      parts: parts,
      partOrder: partOrder,
      total: total,
      slide: byId("slide"),
      slideFrame: byId("slide-frame"),
      prevLink: byId("prev"),
      nextLink: byId("next"),
      thumbs: byId("thumbs"),
      toc: toc,
      main: byId("lecture"),
      bar: byId("bar"),
      splitter: byId("splitter"),
      statusLine: statusLine,
      reduced: Boolean(window.matchMedia && window.matchMedia("(prefers-reduced-motion: reduce)").matches),
      fromWeb: /^https?:$/.test(window.location.protocol),
      say: function (text) {
        statusLine.textContent = text;
        statusLine.removeAttribute("data-blocked");
      }
    };
    pieces.forEach(function (name) { have[name](page); });

    // --- Start ------------------------------------------------------------------------
    page.makeStrip();
    page.bindMedia();
    if (media.getAttribute("data-hls") && page.fromWeb) {
      page.setSource(media.getAttribute("src"), media.getAttribute("data-hls"));
    }
    var storedSpeed = parseFloat(pellucor.store.get("pellucor.speed"));
    if (storedSpeed) {
      page.setSpeed(storedSpeed, false);
    }
    page.setChapters();
    page.setCaptions();
    if (!page.applyAddress()) {
      page.show(page.local[0]);
      page.showPosition(0);
      page.offerResume();
    }
    pellucor.idle(page.showContents);
    doc.documentElement.setAttribute("data-player", "ready");
    if (window.performance && window.performance.mark) {
      window.performance.mark("player-ready");
    }
  };
})(window.Pellucor = window.Pellucor || {});
