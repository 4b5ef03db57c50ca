// The launcher of a lecture packaged for a learning platform (SCORM 1.2 or
// 2004), loaded by the package's index.htm. Inside a platform it keeps the
// one session the platform allows, while the lecture's pages come and go
// in a frame of its own: it finds the platform's API, opens the lecture
// where the student stopped (the lesson location, such as
// "part2.htm#t=75"), follows what plays (which part, where, which stretches
// of it were played), stores the place, reports the lecture completed once
// every part has been played to 90% of its length, commits now and then,
// and finishes when the platform closes it. Outside a platform (no API) it
// opens the lecture's own first page, which works as it always did.
(function () {
  "use strict";

  var me = document.currentScript;
  var version = me.getAttribute("data-version");
  var contents = me.getAttribute("data-contents");
  var pages = (me.getAttribute("data-parts") || "").split(" ").filter(Boolean);
  var DONE = 0.9;
  var COMMIT_EVERY = 30000;

  // Opened again inside its own frame (the lecture's pages link to
  // index.htm): the lecture's first page instead.
  try {
    if (window.parent !== window && window.parent.pellucorScormHost) {
      window.location.replace(contents + window.location.hash);
      return;
    }
  } catch (e) { /* a frame of another origin: not ours */ }

  function findIn(win, name) {
    for (var depth = 0; win && depth < 12; depth++) {
      try {
        if (win[name]) {
          return win[name];
        }
      } catch (e) { /* another origin */ }
      if (win.parent === win) {
        break;
      }
      win = win.parent;
    }
    return null;
  }

  var name = version === "1.2" ? "API" : "API_1484_11";
  var api = findIn(window, name) || (window.opener ? findIn(window.opener, name) : null);
  if (!api) {
    window.location.replace(contents + window.location.hash);
    return;
  }
  window.pellucorScormHost = true;

  var scorm12 = version === "1.2";
  var F = scorm12
    ? { init: "LMSInitialize", get: "LMSGetValue", set: "LMSSetValue", commit: "LMSCommit", finish: "LMSFinish",
        location: "cmi.core.lesson_location", status: "cmi.core.lesson_status", exit: "cmi.core.exit",
        time: "cmi.core.session_time", suspend: "cmi.suspend_data" }
    : { init: "Initialize", get: "GetValue", set: "SetValue", commit: "Commit", finish: "Terminate",
        location: "cmi.location", status: "cmi.completion_status", exit: "cmi.exit",
        time: "cmi.session_time", suspend: "cmi.suspend_data" };

  function call(fn, a, b) {
    try {
      return b === undefined ? api[fn](a) : api[fn](a, b);
    } catch (e) {
      return "false";
    }
  }
  function get(element) { return String(call(F.get, element) || ""); }
  function set(element, value) { return call(F.set, element, String(value)); }

  var began = Date.now();
  call(F.init, "");
  var completed = get(F.status) === "completed";
  if (!completed) {
    set(F.status, "incomplete");
  }

  // What was played of each part: its length and merged [from, to]
  // stretches in seconds, kept in the suspend data as
  // "1=130:0-75,80-120|2=95:0-30".
  var played = {};
  var lengths = {};
  get(F.suspend).split("|").forEach(function (entry) {
    var m = /^(\d+)=([\d.]+):(.*)$/.exec(entry);
    if (m) {
      lengths[m[1]] = Number(m[2]);
      played[m[1]] = m[3].split(",").map(function (r) {
        return r.split("-").map(Number);
      }).filter(function (r) { return r.length === 2 && r[1] >= r[0]; });
    }
  });

  function addStretch(part, from, to) {
    var list = (played[part] || []).concat([[Math.floor(from), Math.ceil(to)]]).sort(function (a, b) { return a[0] - b[0]; });
    var merged = [];
    list.forEach(function (r) {
      var last = merged[merged.length - 1];
      if (last && r[0] <= last[1] + 1) {
        last[1] = Math.max(last[1], r[1]);
      } else {
        merged.push([r[0], r[1]]);
      }
    });
    played[part] = merged;
  }

  function playedShare(part) {
    var length = lengths[part];
    if (!length) {
      return 0;
    }
    var sum = 0;
    (played[part] || []).forEach(function (r) { sum += Math.min(r[1], length) - Math.min(r[0], length); });
    return sum / length;
  }

  function suspendData() {
    var text = Object.keys(played).map(function (part) {
      return part + "=" + Math.round(lengths[part] || 0) + ":" +
        played[part].map(function (r) { return r[0] + "-" + r[1]; }).join(",");
    }).join("|");
    return text.length <= 4000 ? text : "";
  }

  // The frame with the lecture, where the student stopped.
  var frame = document.createElement("iframe");
  frame.title = document.title;
  frame.setAttribute("allow", "fullscreen; autoplay");
  frame.setAttribute("allowfullscreen", "");
  var place = get(F.location);
  frame.src = /^[\w.-]+\.html?(#[\w=&.:]*)?$/.test(place) ? place : contents;

  var dirty = false;
  var lastLocation = place;
  var lastCommit = Date.now();

  function commit() {
    set(F.suspend, suspendData());
    call(F.commit, "");
    dirty = false;
    lastCommit = Date.now();
  }

  // What plays in the frame now: its part, page and media element.
  function playing() {
    try {
      var doc = frame.contentDocument;
      var media = doc && (doc.getElementById("media") || doc.querySelector("video, audio"));
      if (!media) {
        return null;
      }
      var page = frame.contentWindow.location.pathname.split("/").pop();
      var part = (doc.body && doc.body.getAttribute("data-part")) || String(pages.indexOf(page) + 1 || 1);
      return { media: media, part: part, page: pages[Number(part) - 1] || page };
    } catch (e) {
      return null;  // the frame shows a page of another origin
    }
  }

  function follow() {
    var now = playing();
    if (!now) {
      return;
    }
    var media = now.media;
    if (isFinite(media.duration) && media.duration > 0) {
      lengths[now.part] = media.duration;
    }
    for (var i = 0; i < media.played.length; i++) {
      addStretch(now.part, media.played.start(i), media.played.end(i));
    }
    var location = now.page + "#t=" + Math.floor(media.currentTime);
    if (location !== lastLocation) {
      set(F.location, location);
      lastLocation = location;
      dirty = true;
    }
    if (!completed && pages.length && pages.every(function (p, i) {
      return playedShare(String(i + 1)) >= DONE;
    })) {
      completed = true;
      set(F.status, "completed");
      if (!scorm12) {
        set("cmi.progress_measure", "1");
      }
      commit();
    } else if (dirty && Date.now() - lastCommit >= COMMIT_EVERY) {
      commit();
    }
  }

  function sessionTime() {
    var t = (Date.now() - began) / 1000;
    var h = Math.floor(t / 3600);
    var m = Math.floor(t / 60) % 60;
    var s = (t % 60).toFixed(2);
    if (scorm12) {
      return (h < 10 ? "000" : h < 100 ? "00" : h < 1000 ? "0" : "") + h + ":" + (m < 10 ? "0" : "") + m + ":" +
        (Number(s) < 10 ? "0" : "") + s;
    }
    return "PT" + h + "H" + m + "M" + s + "S";
  }

  var finished = false;
  function finish() {
    if (finished) {
      return;
    }
    finished = true;
    follow();
    set(F.exit, completed ? (scorm12 ? "" : "normal") : "suspend");
    set(F.time, sessionTime());
    commit();
    call(F.finish, "");
  }

  // Besides once a second, what played is taken whenever playing stops and
  // before a page of the lecture goes, so that no stretch is lost.
  frame.addEventListener("load", function () {
    try {
      var win = frame.contentWindow;
      win.addEventListener("pagehide", follow);
      ["pause", "ended", "seeking", "emptied"].forEach(function (type) {
        win.document.addEventListener(type, follow, true);
      });
    } catch (e) { /* a page of another origin */ }
  });

  window.pellucorScorm = { follow: follow, finish: finish, playedShare: playedShare };
  var timer = setInterval(follow, 1000);
  window.addEventListener("pagehide", function () { clearInterval(timer); finish(); });
  window.addEventListener("beforeunload", finish);

  function start() {
    document.body.appendChild(frame);
  }
  if (document.body) {
    start();
  } else {
    document.addEventListener("DOMContentLoaded", start);
  }
})();
