// The part page's search over titles, the slides' words, notes and
// captions: results as the student types, each taking the click.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).search = function (page) {
    var byId = pellucor.byId;
    var clock = pellucor.clock;
    var fold = pellucor.fold;
    var parseCues = pellucor.parseCues;
    var entries = page.entries;
    var parts = page.parts;
    var partOrder = page.partOrder;

    // --- Search over titles, slide words, notes and captions -------------------------
    var searchBox = byId("search");
    var results = byId("results");
    var searchCount = byId("search-count");
    var searchIndex = null;
    var captionIndex = [];
    var captionsAsked = false;

    // A template's text with each line break a space: "terms of" at the
    // end of one line and "this" at the start of the next are two words.
    function textOf(template) {
      if (!template) {
        return "";
      }
      var content = template.content.cloneNode(true);
      content.querySelectorAll("br").forEach(function (br) { br.replaceWith(" "); });
      return content.textContent;
    }

    // Each slide's words and notes are searched as one text; the words
    // come first, as the slide shows them.
    function buildIndex() {
      searchIndex = entries.map(function (e) {
        var words = textOf(e.words);
        var notes = textOf(e.notes);
        var text = (words + " " + notes).replace(/\s+/g, " ").trim();
        return { entry: e, title: fold(e.title), notes: text, folded: fold(text) };
      });
    }

    // Reads the captions of every part once, then searches again.
    function indexCaptions() {
      captionsAsked = true;
      partOrder.forEach(function (info) {
        var track = page.chosenTrack(info);
        if (!track) {
          return;
        }
        page.captionsText(track, function (text) {
          if (text === null) {
            return;
          }
          parseCues(text, function (cues) {
            // The results are made again only if the new cues add to them:
            // a list redrawn under the pointer loses the click.
            var words = searchWords();
            var adds = false;
            cues.forEach(function (c) {
              var cue = { part: info.number, start: c.start, text: c.text, folded: fold(c.text) };
              captionIndex.push(cue);
              adds = adds || (words.length > 0 && saysAll(cue, words));
            });
            captionIndex.sort(function (a, b) {
              return (parts[a.part].offset + a.start) - (parts[b.part].offset + b.start);
            });
            if (adds) {
              search();
            }
          });
        });
      });
    }

    function plural(n, one) { return n + " " + one + (n === 1 ? "" : "s"); }

    function searchWords() { return fold(searchBox.value).split(/\s+/).filter(Boolean); }

    function saysAll(cue, words) {
      return words.every(function (w) { return cue.folded.indexOf(w) >= 0; });
    }

    function search() {
      var words = searchWords();
      results.textContent = "";
      if (!words.length) {
        searchCount.textContent = "";
        return;
      }
      if (!searchIndex) {
        buildIndex();
      }
      if (!captionsAsked) {
        indexCaptions();
      }
      var hits = searchIndex.filter(function (s) {
        return words.every(function (w) { return s.title.indexOf(w) >= 0 || s.folded.indexOf(w) >= 0; });
      });
      hits.sort(function (a, b) {
        var at = a.title.indexOf(words[0]) >= 0 ? 0 : 1;
        var bt = b.title.indexOf(words[0]) >= 0 ? 0 : 1;
        return at - bt || a.entry.index - b.entry.index;
      });
      var said = captionIndex.filter(function (c) { return saysAll(c, words); });
      searchCount.textContent = !hits.length && !said.length ? "No slide or caption found." :
        plural(hits.length, "slide") + " and " + plural(said.length, "caption") + " found.";
      hits.slice(0, 50).forEach(function (s) {
        var e = s.entry;
        var inNotes = words.filter(function (w) { return s.folded.indexOf(w) >= 0; })[0];
        var item = resultItem(e.page, e.title, "Slide " + e.number + ", part " + e.part + ", at " + clock(e.start),
          s.notes ? snippet(s.notes, s.folded, inNotes) : null, e.img);
        item.setAttribute("data-slide", e.number);
        results.appendChild(item);
      });
      said.slice(0, 50).forEach(function (c) {
        var item = resultItem(parts[c.part].page + "#t=" + c.start.toFixed(1), "Part " + c.part + " at " + clock(c.start),
          "Captions", snippet(c.text, c.folded, words[0]));
        item.setAttribute("data-part", c.part);
        item.setAttribute("data-time", String(c.start));
        results.appendChild(item);
      });
    }

    // Captions in another language chosen: their words are searched instead.
    page.captionsLanguageChanged = function () {
      captionIndex = [];
      captionsAsked = false;
      search();
    };

    searchBox.closest("section").hidden = false;
    searchBox.addEventListener("input", search);
    searchBox.addEventListener("keydown", function (ev) {
      var first = results.querySelector("li a");
      if (ev.key === "Enter" && first) {
        ev.preventDefault();
        first.click();
      }
    });
  };

  // A search result's words around the first place where the (folded)
  // word is found, the word marked: a paragraph of its own.
  function snippet(text, folded, word) {
    var words = doc.createElement("p");
    words.className = "snippet";
    var at = word ? folded.indexOf(word) : -1;
    if (at < 0) {
      words.textContent = text.slice(0, 120);
      return words;
    }
    var from = Math.max(0, at - 50);
    var to = Math.min(text.length, at + word.length + 70);
    words.appendChild(doc.createTextNode((from > 0 ? "\u2026" : "") + text.slice(from, at)));
    var mark = doc.createElement("mark");
    mark.textContent = text.slice(at, at + word.length);
    words.appendChild(mark);
    words.appendChild(doc.createTextNode(text.slice(at + word.length, to) + (to < text.length ? "\u2026" : "")));
    return words;
  }

  // A search result: its picture (where it has one), its link named by its
  // heading alone, then where it is and its words, each a paragraph, so that
  // a screen reader reads them apart. The whole item takes the click.
  function resultItem(href, heading, where, text, picture) {
    var item = doc.createElement("li");
    if (picture) {
      var thumb = item.appendChild(doc.createElement("img"));
      thumb.src = picture;
      thumb.alt = "";
      thumb.loading = "lazy";
    }
    var hit = item.appendChild(doc.createElement("div"));
    hit.className = "hit";
    var anchor = hit.appendChild(doc.createElement("a"));
    anchor.href = href;
    anchor.appendChild(doc.createElement("strong")).textContent = heading;
    var place = hit.appendChild(doc.createElement("p"));
    place.className = "time";
    place.textContent = where;
    if (text) {
      hit.appendChild(text);
    }
    return item;
  }
})(window.Pellucor = window.Pellucor || {});
