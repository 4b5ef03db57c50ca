// The part page's thumbnails and contents: the strip of thumbnails made
// from the contents a few dozen at a time, their pictures as they come near
// view, the current slide's marked, the contents entries shown once the
// player runs, and lists scrolled to their current item.
(function (pellucor) {
  "use strict";
  var doc = document;

  (pellucor.pieces = pellucor.pieces || {}).contents = function (page) {
    var idle = pellucor.idle;
    var entries = page.entries;
    var slide = page.slide;
    var thumbs = page.thumbs;
    var toc = page.toc;
    var reduced = page.reduced;

    // A thumbnail's picture, made once: near the current slide, or when it
    // comes near the strip's view.
    function thumbPicture(entry) {
      if (!entry || !entry.thumb || entry.thumb.querySelector("img")) {
        return;
      }
      if (picturesHeld) {
        picturesHeld.push(entry);
        return;
      }
      var img = doc.createElement("img");
      img.alt = entry.title;
      img.decoding = "async";
      img.src = entry.img;
      entry.thumb.insertBefore(img, entry.thumb.firstChild);
    }
    // While the slide's own picture is on its way, the strip's pictures and
    // the recording wait for it: on a slow connection they would hold it up.
    var picturesHeld = [];

    function releasePictures() {
      if (picturesHeld) {
        var held = picturesHeld;
        picturesHeld = null;
        idle(function () { somePictures(held); });
        if (page.media.preload === "none") {
          page.media.preload = "metadata";
        }
      }
    }

    if (slide && !slide.complete) {
      slide.addEventListener("load", releasePictures, { once: true });
      slide.addEventListener("error", releasePictures, { once: true });
    } else {
      window.requestAnimationFrame(releasePictures);
    }
    // The pictures of the thumbnails in the strip's view and a view's width
    // either side, as it scrolls (the thumbnails are all of one width).
    var picturesAsked = false;

    function stripPictures() {
      picturesAsked = false;
      var first = thumbs.firstElementChild;
      var second = first && first.nextElementSibling;
      if (!second) {
        return;
      }
      var pitch = second.offsetLeft - first.offsetLeft;
      var shown = Math.ceil(thumbs.clientWidth / pitch);
      var from = Math.floor(thumbs.scrollLeft / pitch) - shown;
      for (var k = Math.max(0, from); k < stripMade && k < from + 3 * shown; k++) {
        thumbPicture(entries[k]);
      }
    }

    if (thumbs) {
      thumbs.addEventListener("scroll", function () {
        if (!picturesAsked) {
          picturesAsked = true;
          window.requestAnimationFrame(stripPictures);
        }
      }, { passive: true });
    }

    // The current slide's thumbnail is marked, and is the strip's one stop
    // in the focus order.
    function markThumb(entry, on, focus) {
      if (!entry.thumb) {
        return;
      }
      if (on) {
        entry.thumb.setAttribute("aria-current", "true");
      } else {
        entry.thumb.removeAttribute("aria-current");
      }
      entry.thumb.tabIndex = on ? 0 : -1;
      if (focus) {
        entry.thumb.focus({ preventScroll: true });
      }
    }

    // The strip, made from the contents a few dozen thumbnails per task,
    // the first at once and the rest when the browser is idle: a long
    // lecture's hundreds of thumbnails in one go would hold up its page.
    var stripMade = 0;

    function makeStrip() {
      if (!thumbs) {
        return;
      }
      var from = stripMade;
      var to = Math.min(entries.length, from + (from ? 20 : 60));
      var fragment = doc.createDocumentFragment();
      for (var k = from; k < to; k++) {
        var e = entries[k];
        var item = doc.createElement("li");
        item.setAttribute("data-slide", e.number);
        e.thumb = doc.createElement("a");
        e.thumb.href = e.page;
        e.thumb.tabIndex = -1;
        e.thumb.appendChild(doc.createElement("span")).textContent = e.number;
        item.appendChild(e.thumb);
        fragment.appendChild(item);
      }
      thumbs.appendChild(fragment);
      stripMade = to;
      if (page.current && page.current.index >= from && page.current.index < to) {
        markThumb(page.current, true, false);
        picturesAround(page.current.index);
        if (from) {
          window.requestAnimationFrame(function () { reveal(page.current.thumb, thumbs, 1); });
        }
      }
      if (to < entries.length) {
        idle(makeStrip);
      }
    }

    // Thumbnails' pictures a few per task: each picture asked for costs the
    // page a little while it starts, and a score of them at once would hold
    // it up.
    function somePictures(wanted) {
      wanted.splice(0, 4).forEach(thumbPicture);
      if (wanted.length) {
        idle(function () { somePictures(wanted); });
      }
    }

    // The pictures of the thumbnails either side of a slide, nearest first.
    function picturesAround(index) {
      var wanted = [entries[index]];
      for (var d = 1; d <= 10; d++) {
        wanted.push(entries[index + d], entries[index - d]);
      }
      somePictures(wanted);
    }

    // Scrolls a list so that the element is in view, never the page. Only
    // a short way glides: a long glide would pass (and load the pictures
    // of) every thumbnail between. Lists not laid out before are placed by
    // their estimated size: once they are laid out, the element is looked
    // for again (a few times at most), and then jumped to.
    function reveal(element, box, tries) {
      if (!element || !box || (box.scrollHeight <= box.clientHeight && box.scrollWidth <= box.clientWidth)) {
        return;
      }
      tries = tries || 0;
      var b = box.getBoundingClientRect();
      var r = element.getBoundingClientRect();
      var dx = r.left < b.left || r.right > b.right ? r.left + r.width / 2 - (b.left + b.width / 2) : 0;
      var dy = r.top < b.top || r.bottom > b.bottom ? r.top + r.height / 2 - (b.top + b.height / 2) : 0;
      if (!dx && !dy) {
        return;
      }
      var glide = !reduced && !tries && Math.abs(dx) <= 2 * b.width && Math.abs(dy) <= 2 * b.height;
      box.scrollBy({ left: dx, top: dy, behavior: glide ? "smooth" : "instant" });
      if (tries < 3) {
        var again = function () { reveal(element, box, tries + 1); };
        if (glide) {
          window.setTimeout(again, 800);
        } else {
          window.requestAnimationFrame(function () { window.requestAnimationFrame(again); });
        }
      }
    }

    // The contents entries are left out of layout while the page starts,
    // and shown a score per task once the player runs: a long lecture's
    // hundreds at once would hold up its page. Then the current slide's
    // entry is brought into view (asking where an entry is before would lay
    // them all out at once); before the page shows a slide (asked only to
    // play), when it first does.
    var contentsMade = 0;

    function showContents() {
      var to = Math.min(entries.length, contentsMade + 20);
      for (; contentsMade < to; contentsMade++) {
        entries[contentsMade].li.classList.add("shown");
      }
      if (to < entries.length) {
        idle(showContents);
        return;
      }
      page.contentsShown = true;
      if (page.current) {
        window.requestAnimationFrame(function () { reveal(page.current.li, toc, 1); });
      }
    }

    page.markThumb = markThumb;
    page.picturesAround = picturesAround;
    page.reveal = reveal;
    page.makeStrip = makeStrip;
    page.showContents = showContents;
  };
})(window.Pellucor = window.Pellucor || {});
