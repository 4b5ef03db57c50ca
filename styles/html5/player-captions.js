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
    // The part's captions, a track a language: the one the student chose
    // (remembered) shown unless the student turned captions off in the
    // player (remembered; the track then stays loaded, hidden, for the
    // transcript), the others offered in the player's menu and beside the
    // transcript. A page opened from disk cannot load the track files; the
    // script copy of the same text is given to a track as a data address.
    var captions = null;
    var chosen = null;
    var generation = 0;  // of the tracks now in the player
    var transcriptBox = byId("transcript");
    var transcriptList = byId("transcript-lines");
    var transcriptKind = byId("transcript-kind");
    var choice = byId("captions-choice");
    var languages = byId("captions-lang");
    var lines = [];
    var currentLine = -1;

    function captionsMode() {
      return store.get("pellucor.captions") === "off" ? "hidden" : "showing";
    }

    // The track of the part in the language the student chose last, else its first.
    function chosenTrack(info) {
      var lang = store.get("pellucor.captionsLang");
      var tracks = info.tracks || [];
      for (var k = 0; k < tracks.length; k++) {
        if (tracks[k].lang === lang) {
          return tracks[k];
        }
      }
      return tracks[0] || null;
    }

    function captionsChanged() {
      if (!captions || captions.parentNode !== page.media) {
        return;
      }
      var mode = captions.track.mode;
      // A language chosen in the player's own menu is the student's choice
      // too; one the player turned on beside the chosen one goes off again.
      var elements = page.media.querySelectorAll("track[kind='captions']");
      for (var k = 0; k < elements.length; k++) {
        if (elements[k] === captions || elements[k].track.mode !== "showing") {
          continue;
        }
        if (mode === "showing") {
          elements[k].track.mode = "disabled";
        } else {
          choose(elements[k].srclang, "showing");
          return;
        }
      }
      if (mode === "disabled") {
        captions.track.mode = "hidden";
      }
      store.set("pellucor.captions", mode === "showing" ? "on" : "off");
    }

    function choose(lang, mode) {
      store.set("pellucor.captionsLang", lang);
      if (mode) {
        store.set("pellucor.captions", mode === "showing" ? "on" : "off");
      }
      setCaptions();
      if (page.captionsLanguageChanged) {
        page.captionsLanguageChanged();
      }
    }

    languages.addEventListener("change", function () { choose(languages.value); });

    // The text of a captions track from its script copy.
    function captionsText(track, done) {
      var texts = window.pellucorCaptions || {};
      if (typeof texts[track.key] === "string") {
        done(texts[track.key]);
        return;
      }
      var script = doc.createElement("script");
      script.src = track.script;
      script.addEventListener("load", function () {
        var text = (window.pellucorCaptions || {})[track.key];
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
      var now = ++generation;
      chosen = chosenTrack(info);
      showTranscript([]);
      showChoice(info);
      if (!chosen) {
        return;
      }
      // Every track goes in at once, its mode set, so that the player does
      // not pick one of its own while others are still loading.
      var elements = info.tracks.map(function (track) {
        var element = doc.createElement("track");
        element.kind = "captions";
        element.label = track.label;
        element.srclang = track.lang;
        if (track === chosen) {
          element.id = "captions";
          captions = element;
          element.addEventListener("load", function () {
            if (captions === element && element.track.cues) {
              showTranscript(cueList(element.track.cues));
            }
          });
        }
        return element;
      });
      function addAll() {
        elements.forEach(function (element) { page.media.appendChild(element); });
        elements.forEach(function (element) {
          element.track.mode = element === captions ? captionsMode() : "disabled";
        });
      }
      if (fromWeb) {
        info.tracks.forEach(function (track, k) { elements[k].src = track.file; });
        addAll();
        return;
      }
      var waiting = info.tracks.length;
      info.tracks.forEach(function (track, k) {
        captionsText(track, function (text) {
          if (now !== generation) {
            return;
          }
          if (text === null) {
            if (track === chosen) {
              page.say("The captions could not be loaded.");
            }
            elements[k] = null;
          } else {
            elements[k].src = "data:text/vtt;charset=utf-8," + encodeURIComponent(text);
          }
          if (--waiting === 0) {
            elements = elements.filter(Boolean);
            addAll();
          }
        });
      });
    }

    // The languages to choose from, where the part has captions in more than one.
    function showChoice(info) {
      var tracks = info.tracks || [];
      choice.hidden = tracks.length < 2;
      languages.textContent = "";
      tracks.forEach(function (track) {
        var option = doc.createElement("option");
        option.value = track.lang;
        option.lang = track.lang;
        option.textContent = track.label;
        option.selected = track === chosen;
        languages.appendChild(option);
      });
    }

    function showTranscript(cues) {
      lines = cues;
      currentLine = -1;
      transcriptList.textContent = "";
      transcriptBox.hidden = !cues.length;
      // Whose captions these are, where a machine made them.
      transcriptKind.hidden = !(chosen && (chosen.automatic || chosen.reviewed));
      var said = transcriptKind.getAttribute(chosen && chosen.reviewed ? "data-reviewed" : "data-automatic");
      if (said) {
        transcriptKind.textContent = said;
      }
      transcriptList.lang = chosen ? chosen.lang : "";
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
    page.chosenTrack = chosenTrack;
    // The start of the first line said after now, so that the transcript
    // moves on at the line's start, not at the next time update.
    page.nextLineStart = function (now) {
      for (var k = 0; k < lines.length; k++) {
        if (lines[k].start > now + 0.05) {
          return lines[k].start;
        }
      }
      return null;
    };
    page.followTranscript = followTranscript;
  };
})(window.Pellucor = window.Pellucor || {});
