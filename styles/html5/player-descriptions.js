// The part page's audio description: each description of the part (its
// descriptions track) spoken by the browser's speech synthesis as the
// recording reaches it, when the student turns it on (remembered). An
// extended description (its cue identifier says "extended") pauses the
// recording until it is spoken, then plays on. Where the browser cannot
// speak, the description shows as text instead.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).descriptions = function (page) {
    var byId = pellucor.byId;
    var store = pellucor.store;
    var choice = byId("describe-choice");
    var box = byId("describe");
    var shown = byId("description");
    var track = null;
    var said = [];        // the cues described and not yet left
    var waiting = null;   // the utterance an extended description paused for
    var setCaptions = page.setCaptions;

    function on() { return store.get("pellucor.describe") === "on"; }

    function synth() {
      var s = window.speechSynthesis;
      return s && typeof window.SpeechSynthesisUtterance === "function" && typeof s.speak === "function" &&
        (typeof s.getVoices !== "function" || s.getVoices().length > 0) ? s : null;
    }

    function showText(text) {
      shown.textContent = text;
      shown.hidden = !text;
    }

    function resume() {
      if (waiting) {
        waiting = null;
        if (page.media.paused && !page.media.ended) {
          page.play();
        }
      }
    }

    // What is being said stops (after a seek, or turned off).
    function stop() {
      var s = window.speechSynthesis;
      if ((waiting || (s && s.speaking)) && s && typeof s.cancel === "function") {
        s.cancel();
      }
      waiting = null;
    }

    function describe(cue) {
      var text = cue.getCueAsHTML ? cue.getCueAsHTML().textContent : cue.text;
      var extended = /(^|\s)extended(\s|$)/.test(cue.id || "");
      var s = synth();
      if (!s) {
        showText(text);
        return;
      }
      showText("");
      var utterance = new window.SpeechSynthesisUtterance(text);
      utterance.lang = (track && track.language) || doc.documentElement.lang || "en";
      if (extended && !page.media.paused) {
        waiting = utterance;
        page.media.pause();
      }
      function done(ev) {
        if (ev && ev.type === "error" && ev.error !== "interrupted" && ev.error !== "canceled") {
          showText(text);
        }
        if (waiting === utterance) {
          resume();
        }
      }
      utterance.addEventListener("end", done);
      utterance.addEventListener("error", done);
      s.speak(utterance);
    }

    // Each cue the recording, playing, is within is described once, as it
    // enters (again after a seek).
    function check() {
      if (!on() || !track || page.media.paused || page.media.seeking) {
        return;
      }
      var now = Array.prototype.slice.call(track.activeCues || []);
      said = said.filter(function (cue) { return now.indexOf(cue) >= 0; });
      now.forEach(function (cue) {
        if (said.indexOf(cue) < 0) {
          said.push(cue);
          describe(cue);
        }
      });
    }

    function setMode() {
      if (track) {
        track.mode = on() ? "hidden" : "disabled";
      }
      if (!on()) {
        stop();
        showText("");
      }
    }

    function setDescriptions() {
      var old = page.media.querySelectorAll("track[kind='descriptions']");
      for (var k = 0; k < old.length; k++) {
        page.media.removeChild(old[k]);
      }
      stop();
      showText("");
      track = null;
      said = [];
      var info = page.parts[page.part].descriptions;
      choice.hidden = !info;
      if (!info) {
        return;
      }
      var element = doc.createElement("track");
      element.kind = "descriptions";
      element.label = "Audio description";
      element.srclang = doc.documentElement.lang || "en";
      function add(src) {
        element.src = src;
        page.media.appendChild(element);
        track = element.track;
        track.addEventListener("cuechange", check);
        setMode();
      }
      if (page.fromWeb) {
        add(info.file);
        return;
      }
      var part = page.part;
      page.captionsText(info, function (text) {
        if (part !== page.part || text === null) {
          return;
        }
        add("data:text/vtt;charset=utf-8," + encodeURIComponent(text));
      });
    }

    // Some browsers load their voices on the first question.
    if (window.speechSynthesis && typeof window.speechSynthesis.getVoices === "function") {
      window.speechSynthesis.getVoices();
    }
    box.checked = on();
    box.addEventListener("change", function () {
      store.set("pellucor.describe", box.checked ? "on" : "off");
      said = [];
      setMode();
      check();
    });
    doc.addEventListener("seeking", function () {
      stop();
      said = [];
    }, true);
    doc.addEventListener("playing", check, true);

    page.setCaptions = function () {
      setCaptions();
      setDescriptions();
    };
  };
})(window.Pellucor = window.Pellucor || {});
