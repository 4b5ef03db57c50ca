// The html5 style's player: the helpers its pages share, and what each
// page does. On a part page it plays the whole lecture: the part's
// recording with the slide in step, and at a part's end (or when the
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
// The part page's player comes in pieces, each a plain script of its own
// (pages opened from disk run no module scripts) asked for before this one:
// player-lecture.js reads the lecture and starts the pieces, given the part
// page's shared state. Every piece and this file attach to one object,
// window.Pellucor; a page that lacks a piece runs none of them.
// The files pass through the style engine like every template: no line
// may begin with a hash or an exclamation mark, and they hold no tokens.
(function (pellucor) {
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

  // What the part page's pieces share.
  pellucor.byId = byId;
  pellucor.store = store;
  pellucor.plainKey = plainKey;
  pellucor.seconds = seconds;
  pellucor.addressTime = addressTime;
  pellucor.clock = clock;
  pellucor.fold = fold;
  pellucor.addressClock = addressClock;
  pellucor.copyText = copyText;
  pellucor.addressParams = addressParams;
  pellucor.parseCues = parseCues;
  pellucor.cueList = cueList;
  pellucor.idle = idle;

  if (doc.body.classList.contains("part-page")) {
    if (pellucor.partPage) {
      pellucor.partPage();
    }
  } else if (doc.body.classList.contains("slide-page")) {
    slidePage();
  } else if (doc.body.classList.contains("handout-page")) {
    handoutPage();
  } else if (doc.body.classList.contains("index-page")) {
    contentsPage();
  }
})(window.Pellucor = window.Pellucor || {});
