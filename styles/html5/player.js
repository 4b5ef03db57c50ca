// Keeps the slide in step with the recording: the contents list carries
// every slide's start time, part, picture and page; the slide shown is the
// last one of this page's part whose start time has been reached.
(function () {
  "use strict";
  var media = document.getElementById("media");
  var slide = document.getElementById("slide");
  var title = document.getElementById("slide-title");
  var number = document.getElementById("slide-number");
  var page = document.getElementById("slide-page");
  var part = document.body.getAttribute("data-part");
  var items = Array.prototype.slice.call(document.querySelectorAll("#toc li"));

  function seconds(text) {
    var fields = String(text).split(":");
    var total = 0;
    for (var i = 0; i < fields.length; i++) {
      total = total * 60 + (parseFloat(fields[i]) || 0);
    }
    return total;
  }

  var entries = items.map(function (li) {
    return {
      li: li,
      part: li.getAttribute("data-part"),
      start: seconds(li.getAttribute("data-start")),
      img: li.getAttribute("data-img"),
      page: li.getAttribute("data-page"),
      number: li.getAttribute("data-slide"),
      link: li.querySelector("a")
    };
  });
  var local = entries.filter(function (e) { return e.part === part; });
  var current = null;

  function show(entry) {
    if (!entry || entry === current) {
      return;
    }
    current = entry;
    if (entry.img) {
      slide.src = entry.img;
    }
    slide.setAttribute("data-shown", entry.number);
    title.textContent = entry.link.textContent;
    number.textContent = entry.number;
    page.href = entry.page;
    entries.forEach(function (e) { e.li.classList.toggle("current", e === entry); });
  }

  function entryAt(time) {
    var found = local.length ? local[0] : null;
    local.forEach(function (e) {
      if (e.start <= time + 0.05) {
        found = e;
      }
    });
    return found;
  }

  function sync() {
    show(entryAt(media.currentTime));
  }

  function go(entry) {
    if (!entry) {
      return;
    }
    if (entry.part !== part) {
      window.location.href = entry.link.getAttribute("href");
      return;
    }
    media.currentTime = entry.start;
    show(entry);
    var playing = media.play();
    if (playing && playing.catch) {
      playing.catch(function () {});
    }
  }

  function step(delta) {
    var at = entries.indexOf(current || local[0]);
    go(entries[at + delta]);
  }

  if (!media) {
    return;
  }
  media.addEventListener("timeupdate", sync);
  media.addEventListener("seeked", sync);
  if (media.textTracks && media.textTracks.length) {
    var track = media.textTracks[0];
    track.mode = "hidden";
    track.addEventListener("cuechange", function () {
      var cue = track.activeCues && track.activeCues[0];
      if (!cue) {
        return;
      }
      var address = cue.text.split("/").pop();
      local.forEach(function (e) {
        if (e.page === address && e.start <= media.currentTime + 0.05) {
          show(e);
        }
      });
    });
  }
  entries.forEach(function (e) {
    e.link.addEventListener("click", function (event) {
      if (e.part === part) {
        event.preventDefault();
        go(e);
      }
    });
  });
  document.getElementById("prev").addEventListener("click", function () { step(-1); });
  document.getElementById("next").addEventListener("click", function () { step(1); });

  // A start time in the address ("#t=00:01:10") seeks there once the
  // recording is ready.
  var wanted = /[#&]t=([0-9:.]+)/.exec(window.location.hash);
  function seekWanted() {
    if (wanted) {
      media.currentTime = seconds(wanted[1]);
      wanted = null;
    }
  }
  if (media.readyState >= 1) {
    seekWanted();
  } else {
    media.addEventListener("loadedmetadata", seekWanted);
  }
})();
