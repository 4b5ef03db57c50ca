// The course page's search over every lecture. The index is a set of
// script files in the course folder, each handing its data to
// PellucorCourse.chunk (a page opened from disk may load scripts but not
// fetch files): the root (every segment's lectures and the first word of
// each of its chunks), the chunks of words of slide titles, the slides'
// own words and notes, the chunks of words of captions (loaded only when
// the slides do not fill the first page of hits, or when asked), and one
// small file per
// lecture with its slides for showing a hit.
//
// Words are folded as the program folds them when it builds the index:
// decomposed, accents dropped, lower case, "ß" as "ss". Each word typed is
// found as the start of a word once it has three characters (two: the
// whole word). A slide is a hit when every word is in its title, on the
// slide or in its notes;
// a caption when every word is in one cue. Hits are listed by lecture in
// the order of the page (newest first), each linking to its part and time.
(function () {
  "use strict";

  var body = document.body;
  var base = body.getAttribute("data-index");
  var rootName = body.getAttribute("data-root");
  var box = document.querySelector("section.search");
  var input = document.getElementById("search");
  var statusLine = document.getElementById("search-status");
  var results = document.getElementById("results");
  var moreButton = document.getElementById("more");
  var saidButton = document.getElementById("said");
  var PAGE = 20;       // lectures shown at a time
  var PER_LECTURE = 8; // hits shown per lecture

  // --- Loading chunks ------------------------------------------------------------------
  var chunks = {};
  var waiting = {};
  var course = window.PellucorCourse = {
    chunk: function (name, data) {
      chunks[name] = data;
      var w = waiting[name];
      delete waiting[name];
      (w || []).forEach(function (p) { p.resolve(data); });
    },
    loaded: [],  // the chunks loaded, in order
    lastQuery: null,  // {text, ms, hits, lectures, said} of the last search shown
  };

  function load(name) {
    if (chunks[name]) {
      return Promise.resolve(chunks[name]);
    }
    return new Promise(function (resolve, reject) {
      var first = !waiting[name];
      (waiting[name] = waiting[name] || []).push({ resolve: resolve, reject: reject });
      if (!first) {
        return;
      }
      var script = document.createElement("script");
      script.src = base + name + ".js";
      script.async = true;
      var fail = function () {
        var w = waiting[name];
        delete waiting[name];
        (w || []).forEach(function (p) { p.reject(new Error("The search index file " + script.src + " cannot be loaded")); });
      };
      script.onerror = fail;
      script.onload = function () { if (!chunks[name]) { fail(); } };
      course.loaded.push(name);
      document.head.appendChild(script);
    });
  }

  // --- Words ---------------------------------------------------------------------------
  var LETTERS = /[\p{L}\p{N}]+/gu;
  function terms(text) {
    var folded = text.normalize("NFKD").replace(/\p{Mn}/gu, "").toLowerCase().replace(/ß/g, "ss").replace(/ς/g, "σ");
    var out = [];
    (folded.match(LETTERS) || []).forEach(function (w) {
      var chars = Array.from(w);
      if (chars.length >= 2) {
        out.push(chars.slice(0, 32).join(""));
      }
    });
    return out;
  }

  var DIGITS = "0123456789abcdefghijklmnopqrstuvGHIJKLMNOPQRSTUVWXYZ_-wxyzABCDEF";
  var VALUE = {};
  for (var d = 0; d < DIGITS.length; d++) {
    VALUE[DIGITS.charAt(d)] = d;
  }
  function numbers(text) {
    var out = [];
    var v = 0;
    for (var i = 0; i < text.length; i++) {
      var x = VALUE[text.charAt(i)];
      if (x >= 32) {
        v = v * 32 + (x - 32);
      } else {
        out.push(v * 32 + x);
        v = 0;
      }
    }
    return out;
  }

  // A chunk as two sorted lists: its words and their postings.
  var tables = {};
  function table(name) {
    if (!tables[name]) {
      var words = [];
      var posts = [];
      chunks[name][0].split("\n").forEach(function (line) {
        var tab = line.indexOf("\t");
        if (tab > 0) {
          words.push(line.slice(0, tab));
          posts.push(line.slice(tab + 1));
        }
      });
      tables[name] = { words: words, posts: posts };
    }
    return tables[name];
  }

  function firstAtLeast(list, word) {
    var lo = 0;
    var hi = list.length;
    while (lo < hi) {
      var mid = (lo + hi) >> 1;
      if (list[mid] < word) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  }

  function matches(word, term) {
    return Array.from(term).length >= 3 ? word.lastIndexOf(term, 0) === 0 : word === term;
  }

  // The chunks of one segment that may hold words matching term.
  function chunksFor(prefix, keys, term) {
    if (!keys.length) {
      return [];
    }
    var at = firstAtLeast(keys, term);
    var start = at < keys.length && keys[at] === term ? at : Math.max(0, at - 1);
    var names = [prefix + start];
    for (var j = start + 1; j < keys.length && matches(keys[j], term); j++) {
      names.push(prefix + j);
    }
    return names;
  }

  // Every posting text of the words matching term in the named chunks.
  function postingsOf(names, term) {
    var out = [];
    names.forEach(function (name) {
      var t = table(name);
      for (var i = firstAtLeast(t.words, term); i < t.words.length && matches(t.words[i], term); i++) {
        out.push(t.posts[i]);
      }
    });
    return out;
  }

  // --- Searching -----------------------------------------------------------------------
  // Slides: a map doc -> where (bits: 1 title, 2 notes, 4 the slide's
  // words) for one term.
  function slideHits(texts) {
    var docs = new Map();
    texts.forEach(function (text) {
      var doc = 0;
      numbers(text).forEach(function (v) {
        doc += Math.floor(v / 8);
        docs.set(doc, (docs.get(doc) || 0) | (v % 8));
      });
    });
    return docs;
  }

  // Captions: a set of "lecture,part,second" for one term.
  function captionHits(texts) {
    var keys = new Set();
    texts.forEach(function (text) {
      var n = numbers(text);
      var lecture = 0;
      for (var i = 0; i < n.length;) {
        lecture += n[i];
        var part = n[i + 1];
        var count = n[i + 2];
        var second = 0;
        for (var k = 0; k < count; k++) {
          second += n[i + 3 + k];
          keys.add(lecture + "," + part + "," + second);
        }
        i += 3 + count;
      }
    });
    return keys;
  }

  function intersect(sets) {
    sets.sort(function (a, b) { return a.size - b.size; });
    var out = sets[0];
    sets.slice(1).forEach(function (s) {
      var next = out instanceof Map ? new Map() : new Set();
      out.forEach(function (v, k) {
        if (s.has(k)) {
          if (next instanceof Map) {
            next.set(k, v | s.get(k));
          } else {
            next.add(k);
          }
        }
      });
      out = next;
    });
    return out;
  }

  // Hits of one segment: {lecture, index (the slide's place) or part and second, where}.
  function searchSegment(seg, words, said) {
    var prefix = (said ? "c" : "s") + seg.id + "-";
    var keys = said ? seg.captionKeys : seg.keys;
    var names = [];
    words.forEach(function (w) { names = names.concat(chunksFor(prefix, keys, w)); });
    return Promise.all(names.map(load)).then(function () {
      var sets = words.map(function (w) {
        var texts = postingsOf(chunksFor(prefix, keys, w), w);
        return said ? captionHits(texts) : slideHits(texts);
      });
      var found = intersect(sets);
      var hits = [];
      if (said) {
        found.forEach(function (k) {
          var f = k.split(",").map(Number);
          var id = seg.lectures[f[0]];
          if (id >= 0) {
            hits.push({ lecture: id, part: f[1], second: f[2], where: "said" });
          }
        });
      } else {
        var starts = [0];
        seg.slides.forEach(function (n, i) { starts.push(starts[i] + n); });
        found.forEach(function (where, doc) {
          var l = firstAtLeast(starts, doc + 1) - 1;
          var id = seg.lectures[l];
          if (id >= 0) {
            hits.push({ lecture: id, index: doc - starts[l], where: where & 1 ? "title" : where & 4 ? "slide" : "notes" });
          }
        });
      }
      return hits;
    });
  }

  // --- Showing hits --------------------------------------------------------------------
  var lectures = {};  // id -> {title, href, date, order}
  Array.prototype.forEach.call(document.querySelectorAll("li.lecture"), function (li, order) {
    var id = li.getAttribute("data-lecture");
    if (id !== "-1") {
      var time = li.querySelector("time");
      lectures[id] = {
        title: li.querySelector("a.title").textContent,
        href: li.getAttribute("data-href"),
        date: time ? time.textContent : "",
        order: order,
      };
    }
  });

  function clock(t) {
    t = Math.max(0, Math.floor(t));
    var h = Math.floor(t / 3600);
    var m = Math.floor(t / 60) % 60;
    var s = t % 60;
    return (h ? h + ":" + (m < 10 ? "0" : "") + m : m) + ":" + (s < 10 ? "0" : "") + s;
  }

  function el(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) {
      e.className = cls;
    }
    if (text !== undefined) {
      e.textContent = text;
    }
    return e;
  }

  var WHERE = { title: "in the slide title", slide: "on the slide", notes: "in the notes", said: "said" };

  // One hit as {href, part, time, title} from its lecture's slide list.
  function placeOf(hit, info) {
    var slides = info.slides;
    var page = function (part) {
      var p = info.parts.filter(function (x) { return x[0] === part; })[0];
      return p ? p[1] : "index.htm";
    };
    if (hit.index !== undefined) {
      var s = slides[hit.index] || [0, 1, 0, ""];
      return { part: s[1], time: s[2], title: s[3], page: page(s[1]) };
    }
    var title = "";
    slides.forEach(function (s) {
      if (s[1] === hit.part && s[2] <= hit.second) {
        title = s[3];
      }
    });
    return { part: hit.part, time: hit.second, title: title, page: page(hit.part) };
  }

  function renderLecture(id, hits) {
    var lec = lectures[id];
    var info = chunks["l" + id];
    var li = el("li", "hit-lecture");
    var head = el("h3");
    var link = el("a", null, lec.title);
    link.href = lec.href + "index.htm";
    head.appendChild(link);
    if (lec.date) {
      head.appendChild(document.createTextNode(" "));
      head.appendChild(el("span", "date", lec.date));
    }
    li.appendChild(head);
    var list = el("ol", "hits");
    hits.slice(0, PER_LECTURE).forEach(function (hit) {
      var at = placeOf(hit, info);
      var item = el("li");
      var a = el("a", "hit", "Part " + at.part + " at " + clock(at.time) + (at.title ? ": " + at.title : ""));
      a.href = lec.href + at.page + "#t=" + Math.floor(at.time);
      item.appendChild(a);
      item.appendChild(document.createTextNode(" "));
      item.appendChild(el("span", "where", WHERE[hit.where]));
      list.appendChild(item);
    });
    li.appendChild(list);
    if (hits.length > PER_LECTURE) {
      li.appendChild(el("p", "more-hits", "and " + (hits.length - PER_LECTURE) + " more in this lecture"));
    }
    return li;
  }

  var current = 0;  // the search under way; older ones are dropped
  var shown = { groups: [], count: 0 };

  function showPage(seq) {
    var groups = shown.groups.slice(shown.count, shown.count + PAGE);
    return Promise.all(groups.map(function (g) { return load("l" + g.id); })).then(function () {
      if (seq !== current) {
        return;
      }
      groups.forEach(function (g) { results.appendChild(renderLecture(g.id, g.hits)); });
      shown.count += groups.length;
      moreButton.hidden = shown.count >= shown.groups.length;
    });
  }

  function group(hits) {
    var byLecture = {};
    hits.forEach(function (h) { (byLecture[h.lecture] = byLecture[h.lecture] || []).push(h); });
    var rank = { title: 0, slide: 1, notes: 2, said: 3 };
    return Object.keys(byLecture).filter(function (id) { return lectures[id]; }).map(function (id) {
      var list = byLecture[id].sort(function (a, b) {
        return rank[a.where] - rank[b.where] || (a.index || 0) - (b.index || 0) ||
          (a.part || 0) - (b.part || 0) || (a.second || 0) - (b.second || 0);
      });
      return { id: id, hits: list };
    }).sort(function (a, b) { return lectures[a.id].order - lectures[b.id].order; });
  }

  function search(text, withSaid) {
    var seq = ++current;
    var began = performance.now();
    var words = terms(text);
    results.textContent = "";
    moreButton.hidden = true;
    saidButton.hidden = true;
    if (!words.length) {
      statusLine.textContent = text.trim() ? "Type at least two letters of a word." : "";
      course.lastQuery = null;
      return Promise.resolve();
    }
    statusLine.textContent = "Searching...";
    return load(rootName).then(function (root) {
      var run = function (said) {
        return Promise.all(root.segments.map(function (seg) { return searchSegment(seg, words, said); }))
          .then(function (lists) { return [].concat.apply([], lists); });
      };
      return run(false).then(function (hits) {
        var lecturesHit = group(hits).length;
        if (withSaid || lecturesHit < PAGE) {
          return run(true).then(function (said) { return { hits: hits.concat(said), said: true }; });
        }
        return { hits: hits, said: false };
      }).then(function (found) {
        if (seq !== current) {
          return;
        }
        shown = { groups: group(found.hits), count: 0 };
        var n = found.hits.filter(function (h) { return lectures[h.lecture]; }).length;
        statusLine.textContent = n ? n + (n === 1 ? " hit in " : " hits in ") + shown.groups.length +
          (shown.groups.length === 1 ? " lecture" : " lectures") : "Nothing found for \u201c" + text.trim() + "\u201d.";
        saidButton.hidden = found.said;
        return showPage(seq).then(function () {
          if (seq === current) {
            course.lastQuery = { text: text, ms: performance.now() - began, hits: n, lectures: shown.groups.length, said: found.said };
          }
        });
      });
    }).catch(function (e) {
      if (seq === current) {
        statusLine.textContent = e.message;
      }
    });
  }
  course.search = search;

  input.addEventListener("input", function () { search(input.value, false); });
  moreButton.addEventListener("click", function () { showPage(current); });
  saidButton.addEventListener("click", function () { search(input.value, true); });
  box.hidden = false;

  var asked = /(?:^#|&)q=([^&]*)/.exec(location.hash);
  if (asked) {
    try {
      input.value = decodeURIComponent(asked[1].replace(/\+/g, " "));
    } catch (e) {
      input.value = asked[1];
    }
    search(input.value, false);
  }
})();
