// The part page's bar of the whole lecture: its parts and slides drawn,
// the time playing, a tip naming the slide under the pointer, and going to
// a time by pointer or keyboard.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).bar = function (page) {
    var byId = pellucor.byId;
    var clock = pellucor.clock;
    var entries = page.entries;
    var parts = page.parts;
    var partOrder = page.partOrder;
    var total = page.total;
    var bar = page.bar;

    // --- The bar of the whole lecture ---------------------------------------------
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
      var t = parts[page.part].offset + Math.min(time, parts[page.part].length);
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
      page.goToLectureTime(barTimeAt(ev), !page.media.paused);
    });
    bar.addEventListener("pointercancel", function () { dragging = false; });
    bar.addEventListener("focus", function () { tip(parts[page.part].offset + page.media.currentTime); });
    bar.addEventListener("blur", function () { barTip.hidden = true; });
    bar.addEventListener("keydown", function (ev) {
      var now = parts[page.part].offset + page.shownTime();
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
        page.goToLectureTime(to, !page.media.paused);
        tip(to);
      }
    });

    page.showPosition = showPosition;
  };
})(window.Pellucor = window.Pellucor || {});
