#!/usr/bin/env python3
"""Compares two folders written by record-transcripts.py, card by card.

  compare-transcripts.py BEFORE_DIR AFTER_DIR [-v] [--after-only]

Each card session of a test after is matched with one of the same image before whose
lines are the same in order (sessions are matched as a set: which process or reader
number a card had is not compared; neither are the power-off and power-on events,
which pcscd makes on its own clock). A line
that differs only where a card or host draws random values (a command with the same
header and length, an answer with the same length and status word) counts as
"random"; a session without such a match counts as "different" and is printed. Exit status 1 when anything differs. With
--after-only only the tests recorded in AFTER_DIR are compared (a part of the suite).
"""
import collections
import os
import re
import sys


def cards(path):
    """The card sessions of a file by image: {image: [lines of one card, ...]}.

    A card's tag is its image name with "#n" (n-th card of a process) or, for a cardsim
    process, the image path with "@pid"; neither says the same across runs, so cards
    are grouped by image name and matched as a set."""
    by_tag = collections.OrderedDict()
    with open(path, errors="replace") as f:
        for line in f:
            tag, _, rest = line.rstrip("\n").partition(" ")
            # pcscd powers an idle card down and up on its own clock: not the library's doing.
            if rest in ("* power off", "* power on"):
                continue
            by_tag.setdefault(tag, []).append(rest)
    by_image = collections.OrderedDict()
    for tag, lines in by_tag.items():
        image = re.split(r"[#@]", os.path.basename(tag))[0]
        if image.startswith("vn-"):
            # Images a test writes to a temporary file: their names hold a process id
            # and a random part.
            image = re.sub(r"-[A-Za-z0-9]{6}(?=\.card$)", "", re.sub(r"-[0-9]+(?=-)", "", image))
        by_image.setdefault(image, []).append(lines)
    return by_image


def same_session(a, b):
    if a == b:
        return "identical"
    if len(a) == len(b) and all(x == y or same_but_random(x, y) for x, y in zip(a, b)):
        return "random"
    return None


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
            # A test added or removed by the change: listed, not compared.
            side = "before" if os.path.exists(pa) else "after"
            print(f"{name}: only {side}")
            totals["only " + side] += 1
            continue
        ca, cb = cards(pa), cards(pb)
        for image in sorted(set(ca) | set(cb)):
            left = list(ca.get(image, []))
            for sb in cb.get(image, []):
                totals["sessions"] += 1
                totals["commands"] += sum(1 for l in sb if l.startswith("> "))
                kinds = [same_session(sa, sb) for sa in left]
                pick = next((i for i, k in enumerate(kinds) if k == "identical"), None)
                if pick is None:
                    pick = next((i for i, k in enumerate(kinds) if k == "random"), None)
                if pick is not None:
                    totals[kinds[pick]] += 1
                    del left[pick]
                    continue
                totals["different"] += 1
                print(f"{name} {image}: a card of {len(sb)} lines has no match before")
                if verbose and left:
                    near = min(left, key=lambda sa: abs(len(sa) - len(sb)))
                    for i, (x, y) in enumerate(zip(near, sb)):
                        if x != y and not same_but_random(x, y):
                            print(f"  line {i}: {x[:80]}\n       -> {y[:80]}")
                            break
            for sa in left:
                totals["different"] += 1
                print(f"{name} {image}: a card of {len(sa)} lines before has no match after")
    print(f"{totals['sessions']} card sessions, {totals['commands']} commands: "
          f"{totals['identical']} identical, {totals['random']} identical but for random values, "
          f"{totals['different']} different; tests only before: {totals['only before']}, "
          f"only after: {totals['only after']}")
    return 1 if totals["different"] else 0


if __name__ == "__main__":
    sys.exit(main())
