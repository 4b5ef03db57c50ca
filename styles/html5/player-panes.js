// The part page's full screen (the slide, or the slide and the video side
// by side) and its panes: their order and the video pane's width, remembered.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).panes = function (page) {
    var byId = pellucor.byId;
    var store = pellucor.store;
    var slideFrame = page.slideFrame;
    var main = page.main;
    var splitter = page.splitter;

    // --- Full screen: the slide, or the slide and the video side by side ------------
    var fullSlide = byId("fullscreen-slide");
    var fullBoth = byId("fullscreen-both");

    function fullScreen(element) {
      if (doc.fullscreenElement) {
        var same = doc.fullscreenElement === element;
        doc.exitFullscreen();
        if (same) {
          return;
        }
      }
      if (element.requestFullscreen) {
        element.requestFullscreen().catch(function () { page.say("Full screen is not allowed here."); });
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

    page.fullScreen = fullScreen;
  };
})(window.Pellucor = window.Pellucor || {});
