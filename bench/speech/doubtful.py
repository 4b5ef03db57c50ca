#!/usr/bin/env python3
"""How well the captions' word confidences point at the engine's mistakes.

usage: doubtful.py REFERENCE_TEXT CAPTIONS.vtt [THRESHOLD]
The captions' words (with the confidences of their "NOTE Confidence:"
notes) are aligned with the reference; a word substituted or inserted is
wrong. Prints four figures: the percentage of the wrong words among the
least confident fifth of all words, the most a fifth could hold (less than
100 where more than a fifth of the words are wrong), the percentage of all
words below THRESHOLD percent (the editor's doubtful words; default 60)
and the percentage of the wrong words among those.
"""
import re
import sys

from wer import words


def caption_words(vtt):
    """(word, confidence) of every cue's words, in order."""
    out, marks, in_cue, note = [], None, False, None
    for line in vtt.splitlines():
        line = line.strip()
        if line.startswith("NOTE Confidence:"):
            note = [int(m.rstrip("+")) for m in line.split(":", 1)[1].split()]
            continue
        if "-->" in line:
            in_cue, marks, cue = True, note, []
            note = None
            continue
        if not line:
            if in_cue:
                flush(out, cue, marks)
            in_cue = False
            continue
        if in_cue:
            cue.extend(re.sub(r"<[^>]*>", "", line).split())
    if in_cue:
        flush(out, cue, marks)
    return out


def flush(out, cue, marks):
    if marks is None or len(marks) != len(cue):
        marks = [100] * len(cue)
    for word, confidence in zip(cue, marks):
        for w in words(word):
            out.append((w, confidence))


def wrong_flags(ref, hyp):
    """For each hypothesis word, whether the alignment with ref has it wrong."""
    n, m = len(ref), len(hyp)
    d = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(n + 1):
        d[i][0] = i
    for j in range(m + 1):
        d[0][j] = j
    for i in range(1, n + 1):
        for j in range(1, m + 1):
            d[i][j] = min(d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (ref[i - 1] != hyp[j - 1]))
    wrong = [False] * m
    i, j = n, m
    while j > 0:
        if i > 0 and d[i][j] == d[i - 1][j - 1] + (ref[i - 1] != hyp[j - 1]):
            wrong[j - 1] = ref[i - 1] != hyp[j - 1]
            i, j = i - 1, j - 1
        elif d[i][j] == d[i][j - 1] + 1:
            wrong[j - 1] = True  # inserted
            j -= 1
        else:
            i -= 1
    return wrong


def main():
    ref = words(re.sub(r"</?s>|\([^)]*\)", " ", open(sys.argv[1]).read()))
    threshold = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    hyp = caption_words(open(sys.argv[2]).read())
    wrong = wrong_flags(ref, [w for w, _ in hyp])
    order = sorted(range(len(hyp)), key=lambda k: (hyp[k][1], k))
    fifth = set(order[:(len(hyp) + 4) // 5])
    below = {k for k in range(len(hyp)) if hyp[k][1] < threshold}
    errors = [k for k in range(len(hyp)) if wrong[k]]
    share = lambda marked: 100.0 * sum(1 for k in errors if k in marked) / max(len(errors), 1)  # noqa: E731
    best = 100.0 * min(len(fifth), len(errors)) / max(len(errors), 1)
    print("%.1f %.1f %.1f %.1f" % (share(fifth), best, 100.0 * len(below) / max(len(hyp), 1), share(below)))


if __name__ == "__main__":
    main()
