#!/usr/bin/env python3
"""Takes every MIDI file of the folders given through smf2mev and back through mev2smf, and
counts what comes back: byte for byte, or with the same events at the same ticks only, and
how many of the MEV lines smf2mev writes are X lines (with a table of what they hold).

Usage: bench/roundtrip.py BUILD_FOLDER FOLDER... [--list]
A file smf2mev refuses is counted apart. --list names each file that does not come back byte
for byte, and why as far as the script can tell.
"""
import collections
import os
import subprocess
import sys
import tempfile


def run(args):
    return subprocess.run(args, capture_output=True)


def vlq(data, pos):
    """The value and end of a variable-length quantity, and whether it took its fewest bytes."""
    value = 0
    start = pos
    while pos < len(data):
        b = data[pos]
        pos += 1
        value = value << 7 | (b & 0x7F)
        if not b & 0x80:
            break
    return value, pos, not (pos - start > 1 and data[start] == 0x80)


def why_differs(data):
    """What a file holds that MEV gives back only event for event."""
    reasons = set()
    tracks = int.from_bytes(data[10:12], "big")
    pos = 14
    for _ in range(tracks):
        length = int.from_bytes(data[pos + 4:pos + 8], "big")
        end = pos + 8 + length
        pos += 8
        status = 0
        last = None
        while pos < end:
            delta, pos, fewest = vlq(data, pos)
            if not fewest:
                reasons.add("a delta time in more bytes than it needs")
            if delta > 0x0FFFFFFF:
                reasons.add("a delta time above 0FFFFFFF")
            if pos >= end:
                break
            b = data[pos]
            last = b
            if b < 0x80:
                if status == 0:
                    pos += 1
                    continue
                pos += 1 if status >> 4 in (0xC, 0xD) else 2
            elif b < 0xF0:
                status = b
                pos += 2 if b >> 4 in (0xC, 0xD) else 3
            elif b in (0xF0, 0xF7, 0xFF):
                pos += 2 if b == 0xFF else 1
                n, after, fewest = vlq(data, pos)
                if not fewest:
                    reasons.add("a length in more bytes than it needs")
                if b == 0xFF:
                    last = (0xFF, data[pos - 1], n)
                pos = after + n
            else:
                pos += 1
        if last != (0xFF, 0x2F, 0):
            reasons.add("a track without End of Track last")
        pos = end
    if pos < len(data):
        reasons.add("bytes after the last track")
    return reasons or {"unknown"}


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    listing = "--list" in sys.argv
    if len(args) < 2:
        sys.exit(__doc__)
    build = args[0]
    smf2mev = os.path.join(build, "smf2mev", "smf2mev")
    mev2smf = os.path.join(build, "mev2smf", "mev2smf")
    files = []
    for folder in args[1:]:
        for root, _, names in os.walk(folder):
            for name in sorted(names):
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    if f.read(4) == b"MThd":
                        files.append(path)
    counts = collections.Counter()
    x_kinds = collections.Counter()
    x_examples = {}
    lines = 0
    x_lines = 0
    why = collections.Counter()
    with tempfile.TemporaryDirectory() as tmp:
        mev = os.path.join(tmp, "f.mev")
        back = os.path.join(tmp, "f.mid")
        for path in files:
            if run([smf2mev, path, mev]).returncode != 0:
                counts["refused by smf2mev"] += 1
                continue
            with open(mev, "rb") as f:
                text = f.read().split(b"\r\n")
            lines += len(text) - 1
            for line in text:
                if line.startswith(b"X "):
                    x_lines += 1
                    kind = b" ".join(line.split(b" ")[1:3]).decode("latin-1")
                    x_kinds[kind] += 1
                    x_examples.setdefault(kind, line.decode("latin-1")[:100])
            if run([mev2smf, mev, back]).returncode != 0:
                counts["refused by mev2smf"] += 1
                continue
            with open(path, "rb") as f:
                original = f.read()
            with open(back, "rb") as f:
                again = f.read()
            if original == again:
                counts["byte for byte"] += 1
                continue
            counts["not byte for byte"] += 1
            reasons = why_differs(original)
            for r in reasons:
                why[r] += 1
            if listing:
                print(f"{path}: {'; '.join(sorted(reasons))}")
    print(f"{len(files)} MIDI files")
    for k, v in sorted(counts.items()):
        print(f"  {k}: {v}")
    for k, v in why.most_common():
        print(f"    {k}: {v}")
    share = 100.0 * x_lines / lines if lines else 0
    print(f"{lines} MEV lines, {x_lines} X lines ({share:.3f}%)")
    for k, v in x_kinds.most_common():
        print(f"  {v:7d}  {x_examples[k]}")


if __name__ == "__main__":
    main()
