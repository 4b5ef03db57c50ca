#!/usr/bin/env python3
"""Scores the slides found in a generated recording against its truth.

  score.py TRUTH EVENTS      the events file slides-from-recording wrote
  score.py TRUTH --cuts FILE the times (one a line) a scene-change detector
                             cut the recording at, each cut a new slide
  score.py TRUTH EVENTS TEXTS  also how well the slide pictures read: TEXTS
                             is the generator's slide-texts.txt, each found
                             slide's OCR text lies beside EVENTS (imgNNN.text)

TRUTH is the generator's output: "START SLIDE" per slide shown, "clip FROM
TO" per video clip (no slide seen). The slides 3, 4 and 5 of its deck are
one slide built up point by point, so a change between them is none.
Prints: true_slides found_slides slides_missed duplicates changes within_1s
median_error spurious_changes, and with TEXTS the share of the words of
4 letters or more of the true slides that the OCR of their pictures found.
"""
import os
import re
import statistics
import sys


def one_slide(shown):
    return 3 if 3 <= shown <= 5 else shown


def read_truth(path):
    shown, clips = [], []
    for line in open(path):
        w = line.split()
        if w and w[0] == "clip":
            clips.append((float(w[1]), float(w[2])))
        elif len(w) == 2:
            slide = one_slide(int(w[1]))
            if not shown or shown[-1][1] != slide:
                shown.append((float(w[0]), slide))
    return shown, clips


def read_events(path):
    found = []
    for line in open(path, encoding="latin-1"):
        m = re.match(r"u (\d+):(\d+):(\d+) \S+ URL\\sld(\d+)\.htm", line)
        if m:
            h, mi, s, page = (int(x) for x in m.groups())
            found.append((h * 3600 + mi * 60 + s, page))
    return found


def shown_at(shown, t):
    slide = shown[0][1]
    for start, s in shown:
        if start <= t:
            slide = s
    return slide


def main():
    shown, clips = read_truth(sys.argv[1])
    if sys.argv[2] == "--cuts":
        cuts = sorted(float(x) for x in open(sys.argv[3]).read().split())
        found = [(0.0, 1)] + [(t, i + 2) for i, t in enumerate(cuts)]
    else:
        found = read_events(sys.argv[2])
    end = max(shown[-1][0], found[-1][0]) + 5
    # Each slide found is the true slide it shows longest (clips left out).
    overlap = {}
    for i, (start, page) in enumerate(found):
        stop = found[i + 1][0] if i + 1 < len(found) else end
        t = start
        while t < stop:
            if not any(a <= t < b for a, b in clips):
                key = (page, shown_at(shown, t))
                overlap[key] = overlap.get(key, 0) + 1
            t += 0.1
    truth_of = {}
    for (page, slide), n in overlap.items():
        if n > overlap.get((page, truth_of.get(page)), 0):
            truth_of[page] = slide
    pages = {p for _, p in found}
    true_slides = {s for _, s in shown}
    mapped = [truth_of[p] for p in pages if p in truth_of]
    missed = len(true_slides - set(mapped))
    duplicates = len(mapped) - len(set(mapped)) + len(pages) - len(mapped)
    # Each true change matched by a change to the slide found for it.
    used, errors = set(), []
    for t, slide in shown[1:]:
        best = None
        for j, (ft, page) in enumerate(found[1:], 1):
            d = abs(ft - t)
            if j not in used and d <= 1.0 and (truth_of.get(page) == slide or sys.argv[2] == "--cuts"):
                if best is None or d < best[0]:
                    best = (d, j)
        if best:
            used.add(best[1])
            errors.append(best[0])
    spurious = len(found) - 1 - len(used)
    read = ""
    if len(sys.argv) > 3:
        read = "%.1f" % (100 * read_share(sys.argv[3], os.path.dirname(sys.argv[2]), truth_of))
    print(len(true_slides), len(pages), missed, duplicates, len(shown) - 1, len(errors),
          "%.2f" % (statistics.median(errors) if errors else 0), spurious, read)


def words(text):
    return [w.lower() for w in re.findall(r"[A-Za-z]{4,}", text)]


def read_share(texts, lecture, truth_of):
    """The share of the long words of each true slide found in the OCR text
    of the slide found for it (the build 3-5 counted as its fullest state)."""
    true_words = {}
    for line in open(texts):
        m = re.match(r"img(\d+)\.gif (.*)", line)
        if m:
            true_words[int(m.group(1))] = words(m.group(2))
    true_words[3] = true_words.get(5, true_words.get(3, []))
    wanted = found = 0
    for page, slide in truth_of.items():
        path = os.path.join(lecture, "img%03d.text" % page)
        seen = set(words(open(path, encoding="utf-8", errors="replace").read())) if os.path.exists(path) else set()
        want = true_words.get(slide, [])
        wanted += len(want)
        found += sum(1 for w in want if w in seen)
    return found / wanted if wanted else 0


main()
