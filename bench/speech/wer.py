#!/usr/bin/env python3
"""Word error rate of captions against a reference transcription.

usage: wer.py REFERENCE_TEXT CAPTIONS.vtt
Both are reduced to lower-case words without punctuation; the rate is the
word-level edit distance over the reference's length, printed in percent.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "slide_text"))
from score import distance  # noqa: E402  (the edit distance, here of word lists)


def words(text):
    return re.findall(r"[a-z0-9']+", text.lower())


def cue_text(vtt):
    lines = vtt.splitlines()
    out, in_cue = [], False
    for line in lines:
        if "-->" in line:
            in_cue = True
            continue
        if not line.strip():
            in_cue = False
            continue
        if in_cue:
            out.append(re.sub(r"<[^>]*>", "", line))
    return " ".join(out)


def main():
    ref = words(re.sub(r"</?s>|\([^)]*\)", " ", open(sys.argv[1]).read()))
    hyp = words(cue_text(open(sys.argv[2]).read()))
    print("%.1f" % (100.0 * distance(ref, hyp) / max(len(ref), 1)))


if __name__ == "__main__":
    main()
