// The part page's chapters (the slide titles), captions and their
// transcript, which follows the recording and takes the student to a line.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).captions = function (page) {
    var byId = pellucor.byId;
    var store = pellucor.store;
    var clock = pellucor.clock;
    var cueList = pellucor.cueList;
    var parts = page.parts;
    var fromWeb = page.fromWeb;

    // --- Chapters: the slide titles --------------------------------------------
    function setChapters() {
      var old = page.media.querySelectorAll("track[kind='chapters']");
      for (var k = 0; k < old.length; k++) {
        page.media.removeChild(old[k]);
      }
      if (fromWeb && page.media.getAttribute("data-chapters")) {
        // Where tracks can load, the chapters file the style wrote.
        var element = doc.createElement("track");
        element.kind = "chapters";
        element.label = "Slides";
        element.srclang = doc.documentElement.lang || "en";
        element.src = page.media.getAttribute("data-chapters");
        element.addEventListener("error", function () {
          if (element.parentNode === page.media) {
            page.media.removeChild(element);
            chaptersFromPage();
          }
        });
        page.media.appendChild(element);
        element.track.mode = "hidden";
      } else {
        chaptersFromPage();
      }
    }

    function chaptersFromPage() {
      if (!page.media.addTextTrack || typeof window.VTTCue !== "function") {
        return;
      }
      if (!page.chaptersTrack) {
        page.chaptersTrack = page.media.addTextTrack("chapters", "Slides", doc.documentElement.lang || "en");
      }
      var cues = page.chaptersTrack.cues ? Array.prototype.slice.call(page.chaptersTrack.cues) : [];
      cues.forEach(function (c) { page.chaptersTrack.removeCue(c); });
      page.local.forEach(function (e, k) {
        var end = k + 1 < page.local.length ? page.local[k + 1].start : Math.max(parts[page.part].length, e.start + 1);
        var text = e.title.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
        page.chaptersTrack.addCue(new window.VTTCue(e.start, Math.max(end, e.start + 0.001), text));
      });
      page.chaptersTrack.mode = "hidden";
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
      if (!captions || captions.parentNode !== page.media) {
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
      var info = parts[page.part];
      var old = page.media.querySelectorAll("track[kind='captions']");
      for (var k = 0; k < old.length; k++) {
        page.media.removeChild(old[k]);
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
        page.media.appendChild(element);
        element.track.mode = captionsMode();
        return;
      }
      captionsText(info, function (text) {
        if (captions !== element) {
          return;
        }
        if (text === null) {
          page.say("The captions could not be loaded.");
          return;
        }
        element.src = "data:text/vtt;charset=utf-8," + encodeURIComponent(text);
        page.media.appendChild(element);
        element.track.mode = captionsMode();
      });
    }

    function showTranscript(cues) {
      lines = cues;
      currentLine = -1;
      transcriptList.textContent = "";
      transcriptBox.hidden = !cues.length;
      transcriptKind.hidden = parts[page.part].captionsLabel !== "Automatic captions";
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
      followTranscript(page.media.currentTime);
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
        page.reveal(now, transcriptList);
      }
    }

    transcriptList.addEventListener("click", function (ev) {
      var button = ev.target.closest ? ev.target.closest("button[data-line]") : null;
      var line = button && lines[parseInt(button.getAttribute("data-line"), 10)];
      if (line) {
        page.seek(line.start);
        page.play();
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

    page.setChapters = setChapters;
    page.setCaptions = setCaptions;
    page.captionsChanged = captionsChanged;
    page.captionsText = captionsText;
    page.followTranscript = followTranscript;
  };
})(window.Pellucor = window.Pellucor || {});
