#!/usr/bin/env python3
"""Compares two folders written by record-transcripts.py, card by card.

  compare-transcripts.py BEFORE_DIR AFTER_DIR [-v] [--after-only]

The lines of each card (its tag: image name and "#n") are compared in order. A line
that differs only where a card or host draws random values (a command with the same
header and length, an answer with the same length and status word) counts as
"random"; any other difference, a card only on one side, or a different number of
lines counts as "different" and is printed. Exit status 1 when anything differs. With
--after-only only the tests recorded in AFTER_DIR are compared (a part of the suite).
"""
import collections
import os
import sys


def cards(path):
    by_tag = collections.OrderedDict()
    with open(path, errors="replace") as f:
        for line in f:
            tag, _, rest = line.rstrip("\n").partition(" ")
            by_tag.setdefault(tag, []).append(rest)
    return by_tag


def same_but_random(a, b):
    if a[:1] != b[:1] or len(a) != len(b):
        return False
    if a.startswith("> "):
        return a[:10] == b[:10]  # CLA INS P1 P2
    if a.startswith("< "):
        return a[-4:] == b[-4:]  # status word
    return False


def main():
    before, after = sys.argv[1], sys.argv[2]
    verbose = "-v" in sys.argv[3:]
    dirs = (after,) if "--after-only" in sys.argv[3:] else (before, after)
    names = sorted({n for d in dirs for n in os.listdir(d) if n.endswith(".rec")})
    totals = collections.Counter()
    for name in names:
        pa, pb = os.path.join(before, name), os.path.join(after, name)
        if not (os.path.exists(pa) and os.path.exists(pb)):
            print(f"{name}: only {'before' if os.path.exists(pa) else 'after'}")
            totals["different"] += 1
            continue
        ca, cb = cards(pa), cards(pb)
        for tag in sorted(set(ca) | set(cb)):
            la, lb = ca.get(tag, []), cb.get(tag, [])
            totals["sessions"] += 1
            totals["commands"] += sum(1 for l in la if l.startswith("> "))
            if la == lb:
                totals["identical"] += 1
                continue
            if len(la) == len(lb) and all(x == y or same_but_random(x, y) for x, y in zip(la, lb)):
                totals["random"] += 1
                continue
            totals["different"] += 1
            print(f"{name} {tag}: {len(la)} lines before, {len(lb)} after")
            if verbose:
                for i, (x, y) in enumerate(zip(la, lb)):
                    if x != y and not same_but_random(x, y):
                        print(f"  line {i}: {x[:80]}\n       -> {y[:80]}")
                        break
    print(f"{totals['sessions']} card sessions, {totals['commands']} commands: "
          f"{totals['identical']} identical, {totals['random']} identical but for random values, "
          f"{totals['different']} different")
    return 1 if totals["different"] else 0


if __name__ == "__main__":
    sys.exit(main())
