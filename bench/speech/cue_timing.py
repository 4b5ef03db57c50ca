#!/usr/bin/env python3
"""How closely captions start on their words.

usage: cue_timing.py CAPTIONS.vtt WORDS
WORDS holds the engine's words as "START<TAB>END<TAB>TEXT" lines in the
order heard (bench/speech/SpeechWords.cpp prints them). Each cue is matched
to the first word of its text, walking both in order; prints the number of
cues, the share that start within 0.5 s of that word's start, and the
largest distance in seconds.
"""
import re
import sys


def tokens(text):
    return re.findall(r"[a-z0-9']+", text.lower())


def seconds(stamp):
    parts = [float(p) for p in stamp.split(":")]
    return sum(p * 60 ** i for i, p in enumerate(reversed(parts)))


def cues(vtt):
    out, current = [], None
    for line in open(vtt, encoding="utf-8").read().splitlines():
        if "-->" in line:
            current = [seconds(line.split("-->")[0].strip()), []]
            out.append(current)
        elif not line.strip():
            current = None
        elif current is not None:
            current[1] += tokens(re.sub(r"<[^>]*>", "", line))
    return [c for c in out if c[1]]


def main():
    heard = []
    for line in open(sys.argv[2], encoding="utf-8"):
        start, _, text = line.rstrip("\n").split("\t", 2)
        heard += [(float(start), t) for t in tokens(text)]
    at, offsets = 0, []
    for start, words in cues(sys.argv[1]):
        while at < len(heard) and heard[at][1] != words[0]:
            at += 1
        if at == len(heard):
            sys.exit("a cue's words are not among the engine's: " + " ".join(words))
        offsets.append(abs(start - heard[at][0]))
        at += len(words)
    within = sum(1 for o in offsets if o <= 0.5)
    print("%d %.1f %.2f" % (len(offsets), 100.0 * within / max(len(offsets), 1), max(offsets, default=0)))


if __name__ == "__main__":
    main()
