// The part page's keyboard: the keys to play, move and change speed, and
// the dialog listing them.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).keys = function (page) {
    var byId = pellucor.byId;
    var plainKey = pellucor.plainKey;
    var slideFrame = page.slideFrame;
    var bar = page.bar;
    var splitter = page.splitter;
    var keysDialog = byId("keys");
    var keysButton = byId("keys-button");

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
        page.step(-1);
        break;
      case "ArrowRight":
        page.step(1);
        break;
      case " ":
        // On a button or link the space bar presses it.
        if (tag === "BUTTON" || tag === "A" || tag === "SUMMARY") {
          handled = false;
        } else {
          page.toggle();
        }
        break;
      case "k":
      case "K":
        page.toggle();
        break;
      case "j":
      case "J":
        page.seek(page.media.currentTime - 10);
        break;
      case "l":
      case "L":
        page.seek(page.media.currentTime + 10);
        break;
      case "<":
        page.changeSpeed(-1);
        break;
      case ">":
        page.changeSpeed(1);
        break;
      case "f":
      case "F":
        if (doc.fullscreenEnabled) {
          page.fullScreen(slideFrame);
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
  };
})(window.Pellucor = window.Pellucor || {});
