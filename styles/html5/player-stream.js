// The part page's adaptive streaming: over http(s), a part with an HLS
// playlist plays from it, through hls.js (loaded only then) where the
// browser has Media Source Extensions, else natively where it plays HLS
// itself, with a choice of quality (Auto and each height) beside the
// speed. From disk, or where neither can play it, the progressive copy as
// before; a stream that fails falls back to the copy at the same time.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).stream = function (page) {
    var byId = pellucor.byId;
    var store = pellucor.store;
    var qualityBox = byId("quality");
    var player = null;  // the hls.js player of the part playing, if any
    var loading = null;

    function library() {
      if (!loading) {
        loading = new Promise(function (resolve, reject) {
          if (window.Hls) {
            resolve(window.Hls);
            return;
          }
          var script = doc.createElement("script");
          script.src = "hls.min.js";
          script.onload = function () { return window.Hls ? resolve(window.Hls) : reject(new Error("no hls.js")); };
          script.onerror = function () { reject(new Error("hls.js did not load")); };
          doc.head.appendChild(script);
        });
      }
      return loading;
    }

    function hideQualities() {
      if (qualityBox) {
        qualityBox.textContent = "";
        qualityBox.parentNode.hidden = true;
      }
    }

    function option(value, text) {
      var o = doc.createElement("option");
      o.value = String(value);
      o.textContent = text;
      qualityBox.appendChild(o);
    }

    // Auto, then each height from the highest.
    function showQualities(levels) {
      hideQualities();
      if (!qualityBox || levels.length < 2) {
        return;
      }
      option(-1, "Auto");
      var order = levels.map(function (l, i) { return i; });
      order.sort(function (a, b) { return levels[b].height - levels[a].height; });
      order.forEach(function (i) { option(i, levels[i].height + "p"); });
      var wanted = parseInt(store.get("pellucor.quality"), 10);
      var chosen = order.filter(function (i) { return levels[i].height === wanted; })[0];
      qualityBox.value = chosen === undefined ? "-1" : String(chosen);
      if (chosen !== undefined) {
        // From the start: a switch now would lose the time asked for.
        player.loadLevel = chosen;
      }
      qualityBox.parentNode.hidden = false;
    }

    if (qualityBox) {
      qualityBox.addEventListener("change", function () {
        if (!player) {
          return;
        }
        var level = parseInt(qualityBox.value, 10);
        // hls.js keeps the time and replaces what it buffered.
        player.currentLevel = level;
        store.set("pellucor.quality", level < 0 ? "" : String(player.levels[level].height));
      });
    }

    function progressive(media, copy) {
      media.removeAttribute("data-streaming");
      media.src = copy;
      media.load();
    }

    // Plays the part's recording from its playlist where it can, else
    // from its copy.
    page.setSource = function (copy, playlist) {
      if (player) {
        player.destroy();
        player = null;
      }
      hideQualities();
      var media = page.media;
      if (!playlist || !page.fromWeb) {
        progressive(media, copy);
        return;
      }
      var mse = window.MediaSource || window.ManagedMediaSource;
      if (!mse) {
        if (media.canPlayType("application/vnd.apple.mpegurl")) {
          media.setAttribute("data-streaming", "native");
          media.src = playlist;
          media.load();
        } else {
          progressive(media, copy);
        }
        return;
      }
      // Nothing of the copy loads meanwhile (a browser may load its
      // metadata although asked not to), so that a time asked for waits
      // for the stream.
      var was = media.currentTime;
      media.removeAttribute("src");
      media.load();
      library().then(function (Hls) {
        if (page.media !== media || !Hls.isSupported()) {
          throw new Error("HLS cannot play here");
        }
        // From the time asked for (a link's, a resumed part's): hls.js
        // would otherwise go back to where the element was when attached.
        var start = page.pendingSeek !== null ? page.pendingSeek : was > 0 ? was : -1;
        if (was > 0 && page.pendingSeek === null) {
          page.pendingSeek = was;
        }
        var hls = new Hls({ enableWebVTT: false, enableIMSC1: false, enableCEA708Captions: false,
          startPosition: start });
        player = hls;
        hls.on(Hls.Events.MANIFEST_PARSED, function (event, data) {
          if (player === hls) {
            showQualities(data.levels);
          }
        });
        hls.on(Hls.Events.ERROR, function (event, data) {
          if (!data.fatal || player !== hls) {
            return;
          }
          // Played on from the copy, where it was.
          var at = media.currentTime;
          hls.destroy();
          player = null;
          hideQualities();
          page.pendingSeek = at;
          progressive(media, copy);
        });
        media.setAttribute("data-streaming", "hls.js");
        hls.loadSource(playlist);
        hls.attachMedia(media);
      }).catch(function () {
        if (page.media === media && !player) {
          progressive(media, copy);
        }
      });
    };
  };
})(window.Pellucor = window.Pellucor || {});
