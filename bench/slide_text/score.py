#!/usr/bin/env python3
"""Scores slide text read by OCR against the words each slide truly holds.

  score.py OCR_DIR TRUTH_DIR
OCR_DIR holds imgNNN.text files as `pellucor slide-text` writes them; each
slide's truth is TRUTH_DIR/imgNNN.text (as slide import writes it from the
presentation) or TRUTH_DIR/imgNNN.txt (plain words). Prints, over all
slides: the character error rate (edit distance of the texts with runs of
white space as one blank, over the true length) and the share of the true
words of four or more letters that OCR found (as words, in any case); then
that share slide by slide: how many slides keep less than 75% of their
words, and the slide that keeps the fewest.
"""
import os
import re
import sys


def body(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if text.startswith("# Pellucor slide text"):
        text = text.split("\n\n", 1)[1] if "\n\n" in text.replace("\r\n", "\n") else ""
        text = text.replace("\r\n", "\n")
    return " ".join(text.split())


def distance(a, b):
    prev = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        cur = [i]
        for j, cb in enumerate(b, 1):
            cur.append(min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ca != cb)))
        prev = cur
    return prev[-1]


def words(text):
    return [w.lower() for w in re.findall(r"[^\W\d_]{4,}", text)]


def main(ocr_dir, truth_dir):
    errors = chars = found = wanted = slides = 0
    worst = []
    shares = []
    for name in sorted(os.listdir(truth_dir)):
        stem, ext = os.path.splitext(name)
        if ext not in (".text", ".txt") or not stem.startswith("img"):
            continue
        truth = body(os.path.join(truth_dir, name))
        ocr_file = os.path.join(ocr_dir, stem + ".text")
        got = body(ocr_file) if os.path.exists(ocr_file) else ""
        d = distance(got, truth)
        errors += d
        chars += len(truth)
        have = set(words(got))
        w = words(truth)
        got_words = sum(1 for x in w if x in have)
        found += got_words
        wanted += len(w)
        if w:
            shares.append((got_words / len(w), stem))
        slides += 1
        worst.append((d / max(1, len(truth)), stem))
    worst.sort(reverse=True)
    cer = 100.0 * errors / max(1, chars)
    recall = 100.0 * found / max(1, wanted)
    print("%d slides, %d characters: CER %.2f%%, words of 4+ letters found %.1f%%  (worst: %s)"
          % (slides, chars, cer, recall, ", ".join("%s %.0f%%" % (s, 100 * c) for c, s in worst[:3])))
    if shares:
        share, stem = min(shares)
        print("    slide by slide: %d of %d keep under 75%% of their words; the fewest: %s %.0f%%"
              % (sum(1 for s, _ in shares if s < 0.75), len(shares), stem, 100 * share))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
