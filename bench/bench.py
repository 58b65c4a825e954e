#!/usr/bin/env python3
"""Measures the programs on large generated inputs and on a batch of small files, next to cp
of the same input.

Usage: bench/bench.py [BUILD_FOLDER] [--scale S] [--rounds N] [--only PART[,PART]]
PART is large or small; both run by default. The inputs are generated deterministically into a
temporary folder.
large: with S=1, a 100 MB MEV file, a 200,000-line lyric sheet, a 16-track type-1 file of
2,000,000 events and a 1,000-track file of 1,000,000 events. Each program runs N times (3) in
turns with cp of its input; the table gives the least wall time, throughput, peak memory, and
the ratio to cp's least time; smf2svg draws the 16-track file (its song runs past the 5,000
bars a picture draws). smf2mev is measured on the 16-track file next to Debian's midicsv,
which writes the same file as text too, and mev2smf next to csvmidi compiling the same events as
CSV (made by midicsv from mev2smf's output); those rows are left out, with a note, when they are
not installed.
small: the example song's files in examples/ and, with S=1, 300 generated songs: a type-1 MIDI
file of about 2 KB (a tempo track and a melody with lyrics), its MEV text (written by smf2mev)
and a lyric sheet. Each program runs once per file, one process each, as a batch over a folder
of songs runs them: mev2smf on the MEV files, lys2mev on the lyric sheets, smf1to0, verse2chan
(channel 3) and smf2mev on the MIDI files. A shell script runs the batch N times in turns with
one that copies the same files with cp; the table gives the least wall time of the whole batch,
the time per file, and the ratio to cp's.
Then one line per goal says whether it is met.
"""
import os
import random
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import time


def vlq(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.append(0x80 | (v & 0x7F))
        v >>= 7
    return bytes(reversed(out))


def write_mev(path, megabytes):
    rng = random.Random(1)
    target = megabytes * 1_000_000
    words = ["la_", "la", "sing", "song_", "morn", "ing_", "light", "day/"]
    with open(path, "wb") as f:
        f.write(b"File 1 (4) 480\r\n")
        written = 0
        track = 0
        lines = []
        while written < target:
            if written >= (track * target) // 4 and track < 4:
                track += 1
                if track > 1:
                    lines.append("Meta $2F(TrkEnd)")
                lines.append(f"Track #{track}")
            lines.append(str(rng.choice([0, 0, 60, 120, 240, 480])))
            r = rng.random()
            if r < 0.6:
                lines.append(f"Note {track - 1} {rng.randint(40, 90)} {rng.choice([0, 80, 100])}")
            elif r < 0.8:
                lines.append(f"Meta $05(Lyric) {rng.choice(words)}")
            elif r < 0.9:
                lines.append(f"Control {track - 1} 7 {rng.randint(0, 127)}")
            else:
                lines.append(f"* bar {written}")
            if len(lines) >= 10000:
                chunk = ("\r\n".join(lines) + "\r\n").encode()
                f.write(chunk)
                written += len(chunk)
                lines = []
        lines.append("0")
        lines.append("Meta $2F(TrkEnd)")
        f.write(("\r\n".join(lines) + "\r\n").encode())


def write_sheet(path, count, seed=2):
    rng = random.Random(seed)
    syllables = ["Sun", "ny_", "morn", "ing_", "on_", "the_", "hill", "la", "la_", "land"]
    with open(path, "wb") as f:
        for _ in range(count):
            f.write((" ".join(rng.choice(syllables) for _ in range(8)) + "\r\n").encode())


def write_type1(path, tracks, events):
    rng = random.Random(3)
    per_track = events // tracks
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 1, tracks, 480))
        for t in range(tracks):
            data = bytearray()
            status = 0
            for _ in range(per_track - 1):
                data += vlq(rng.choice([0, 0, 10, 120, 480]))
                r = rng.random()
                if r < 0.85:
                    s = 0x90 | (t % 16)
                    if s != status:
                        data.append(s)
                        status = s
                    data += bytes([rng.randint(40, 90), rng.choice([0, 100])])
                else:
                    text = b"la"
                    data += bytes([0xFF, 0x05, len(text)]) + text
            data += b"\x00\xFF\x2F\x00"
            f.write(b"MTrk" + struct.pack(">I", len(data)) + data)


def write_song(path, seed):
    """A small type-1 file of about 2 KB: a track with the name, tempo and metre, and a melody
    of 80 to 110 notes, each after a volume change and a syllable as a lyric."""
    rng = random.Random(seed)
    syllables = [b"Sun", b"ny_", b"morn", b"ing_", b"on_", b"the_", b"hill", b"la", b"la_", b"land"]
    name = b"Song %d" % seed
    tempo = 60_000_000 // rng.randint(80, 160)
    head = (b"\x00\xFF\x03" + bytes([len(name)]) + name
            + b"\x00\xFF\x51\x03" + tempo.to_bytes(3, "big")
            + b"\x00\xFF\x58\x04\x04\x02\x18\x08"
            + b"\x00\xFF\x2F\x00")
    melody = bytearray(b"\x00\xFF\x03\x06Melody" + b"\x00\xC0" + bytes([rng.randint(0, 127)]))
    gap = 0
    for _ in range(rng.randint(80, 110)):
        text = rng.choice(syllables)
        key = rng.randint(55, 79)
        melody += vlq(gap) + b"\xB0\x07" + bytes([rng.randint(60, 110)])
        melody += b"\x00\xFF\x05" + bytes([len(text)]) + text
        melody += b"\x00\x90" + bytes([key, rng.randint(70, 110)])
        melody += vlq(rng.choice([220, 440, 440, 920])) + b"\x80" + bytes([key, 0])
        gap = rng.choice([20, 40])
    melody += b"\x00\xFF\x2F\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 1, 2, 480))
        for data in (head, melody):
            f.write(b"MTrk" + struct.pack(">I", len(data)) + data)


def write_batch(path, commands):
    """A shell script that runs each command in turn and stops at the first that fails."""
    with open(path, "w") as f:
        f.write("set -e\n")
        for args in commands:
            f.write(" ".join(shlex.quote(a) for a in args) + "\n")


TIME = "/usr/bin/time"


def measure(args):
    """Wall seconds and peak MB of one run. A child forked from this script starts with the
    script's memory, which its peak would count: GNU time, when installed, is a small process
    between them that reports the program's own peak."""
    with tempfile.NamedTemporaryFile(suffix=".peak") as report:
        wrapped = [TIME, "-f", "%M", "-o", report.name] + args if os.path.exists(TIME) else args
        start = time.perf_counter()
        proc = subprocess.Popen(wrapped, stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        seconds = time.perf_counter() - start
        if status != 0:
            sys.exit(f"failed: {' '.join(args)}")
        text = open(report.name).read().split()
        kilobytes = int(text[-1]) if text and wrapped is not args else usage.ru_maxrss
    return seconds, kilobytes / 1024


def best_in_turns(runs, rounds):
    """Runs each argument list of runs in turn, rounds times: the least seconds and peak MB of
    each. One run swings with the machine's load; the best of runs taken in turns does less."""
    best = [(float("inf"), 0.0)] * len(runs)
    for _ in range(rounds):
        for i, args in enumerate(runs):
            seconds, peak = measure(args)
            best[i] = (min(best[i][0], seconds), max(best[i][1], peak))
    return best


def bench_large(prog, work, scale, rounds):
    """The table of the large inputs; returns its goals as (text, met)."""
    mev = os.path.join(work, "big.mev")
    sheet = os.path.join(work, "big.lys")
    wide = os.path.join(work, "16tracks.mid")
    many = os.path.join(work, "1000tracks.mid")
    print("generating large inputs ...", file=sys.stderr)
    write_mev(mev, int(100 * scale))
    write_sheet(sheet, int(200_000 * scale))
    write_type1(wide, 16, int(2_000_000 * scale))
    write_type1(many, 1000, int(1_000_000 * scale))
    rows = [
        ("mev2smf", [prog["mev2smf"], mev, mev + ".mid"], mev, None),
        ("lys2mev", [prog["lys2mev"], sheet, sheet + ".mev"], sheet, None),
        ("smf1to0 16 tracks", [prog["smf1to0"], wide, wide + ".0"], wide, int(2_000_000 * scale)),
        ("smf1to0 1000 tracks", [prog["smf1to0"], many, many + ".0"], many, int(1_000_000 * scale)),
        ("verse2chan", [prog["verse2chan"], wide, wide + ".v", "3"], wide, int(2_000_000 * scale)),
        ("smf2mev", [prog["smf2mev"], wide, wide + ".mev"], wide, int(2_000_000 * scale)),
        ("smf2svg", [prog["smf2svg"], wide, wide + ".svg"], wide, int(2_000_000 * scale)),
    ]
    # other programs on the same events, for comparison: midicsv writes the 16-track file as
    # text, as smf2mev does; csvmidi compiles mev2smf's output, written as CSV by midicsv,
    # as mev2smf compiles the MEV text
    midicsv = shutil.which("midicsv")
    csvmidi = shutil.which("csvmidi")
    if midicsv and csvmidi:
        rows.append(("midicsv", [midicsv, wide, wide + ".csv"], wide, int(2_000_000 * scale)))
        csv = os.path.join(work, "big.csv")
        measure([prog["mev2smf"], mev, mev + ".mid"])
        measure([midicsv, mev + ".mid", csv])
        rows.append(("csvmidi", [csvmidi, csv, csv + ".mid"], csv, None))
    else:
        print("midicsv or csvmidi is not installed (apt-get install midicsv): their rows are"
              " left out", file=sys.stderr)
    print(f"best of {rounds} runs in turns with cp of the same input", file=sys.stderr)
    print(f"{'run':<22}{'input MB':>10}{'seconds':>10}{'MB/s':>10}{'events/s':>12}{'peak MB':>10}"
          f"{'cp s':>8}{'x cp':>8}")
    times = {}
    peaks = {}
    ratios = {}
    for name, args, source, events in rows:
        size = os.path.getsize(source) / 1e6
        (seconds, peak), (cp_seconds, _) = best_in_turns(
            [args, ["cp", source, os.path.join(work, "copy")]], rounds)
        times[name] = seconds
        peaks[name] = (peak, size)
        ratios[name] = seconds / cp_seconds
        rate = f"{events / seconds:,.0f}" if events else "-"
        print(f"{name:<22}{size:>10.1f}{seconds:>10.2f}{size / seconds:>10.1f}{rate:>12}"
              f"{peak:>10.1f}{cp_seconds:>8.3f}{seconds / cp_seconds:>8.1f}")

    goals = []
    for name, limit in (("smf1to0 16 tracks", 10), ("smf1to0 1000 tracks", 15)):
        goals.append((f"{name}: {ratios[name]:.1f} times cp (goal: at most {limit})",
                      ratios[name] <= limit))
        peak, size = peaks[name]
        goals.append((f"{name}: peak {peak:.1f} MB (goal: at most 3 x {size:.1f} + 20 ="
                      f" {3 * size + 20:.1f} MB)", peak <= 3 * size + 20))
    goals.append((f"verse2chan 16 tracks: {ratios['verse2chan']:.1f} times cp (goal: at most 4)",
                  ratios["verse2chan"] <= 4))
    goals.append((f"smf2svg 16 tracks: {times['smf2svg']:.2f} s (goal: seconds, not minutes: at "
                  f"most 10)", times["smf2svg"] <= 10))
    for ours, theirs, limit in (("smf2mev", "midicsv", 0.5), ("mev2smf", "csvmidi", 1 / 3)):
        if theirs in times:
            ratio = times[ours] / times[theirs]
            goals.append((f"{ours} {times[ours]:.2f} s, {theirs} {times[theirs]:.2f} s: {ratio:.2f}"
                          f" times {theirs}'s time (goal: at most {limit:.2f})", ratio <= limit))
    return goals


def bench_small(prog, work, scale, rounds):
    """The table of the small files, one process each; returns its goals as (text, met)."""
    examples = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")
    songs = os.path.join(work, "songs")
    out = os.path.join(work, "songs-out")
    copies = os.path.join(work, "songs-copy")
    for folder in (songs, out, copies):
        os.mkdir(folder)
    print("generating small files ...", file=sys.stderr)
    for name in ("melody.mid", "song.lys", "song.mev"):
        shutil.copy(os.path.join(examples, name), songs)
    for i in range(max(1, int(300 * scale))):
        mid = os.path.join(songs, f"song{i:03}.mid")
        write_song(mid, 100 + i)
        write_sheet(os.path.join(songs, f"song{i:03}.lys"), 6, 100 + i)
        args = [prog["smf2mev"], mid, os.path.join(songs, f"song{i:03}.mev")]
        if subprocess.run(args, stdout=subprocess.DEVNULL).returncode != 0:
            sys.exit(f"failed: {' '.join(args)}")
    files = {ext: sorted(os.path.join(songs, f) for f in os.listdir(songs) if f.endswith(ext))
             for ext in (".mev", ".lys", ".mid")}
    # program, the files it reads, what its outputs' names end with, and its arguments after
    # the input and output
    rows = [
        ("mev2smf", ".mev", ".mid", []),
        ("lys2mev", ".lys", ".mev", []),
        ("smf1to0", ".mid", ".0", []),
        ("verse2chan", ".mid", ".v", ["3"]),
        ("smf2mev", ".mid", ".mev", []),
    ]
    print(f"best of {rounds} runs in turns with cp of the same files, one process per file",
          file=sys.stderr)
    print(f"{'small files':<22}{'files':>10}{'KB/file':>10}{'seconds':>10}{'ms/file':>10}"
          f"{'cp ms/file':>12}{'x cp':>8}")
    goals = []
    for name, ext, out_ext, extra in rows:
        inputs = files[ext]
        script = os.path.join(work, f"{name}.sh")
        write_batch(script, [[prog[name], f, os.path.join(out, os.path.basename(f) + out_ext)]
                             + extra for f in inputs])
        cp_script = os.path.join(work, f"cp-{name}.sh")
        write_batch(cp_script, [["cp", f, os.path.join(copies, os.path.basename(f))]
                                for f in inputs])
        (seconds, _), (cp_seconds, _) = best_in_turns([["sh", script], ["sh", cp_script]], rounds)
        size = sum(os.path.getsize(f) for f in inputs) / len(inputs) / 1e3
        ratio = seconds / cp_seconds
        print(f"{name:<22}{len(inputs):>10}{size:>10.1f}{seconds:>10.2f}"
              f"{1000 * seconds / len(inputs):>10.2f}{1000 * cp_seconds / len(inputs):>12.2f}"
              f"{ratio:>8.2f}")
        goals.append((f"{name} small files: {ratio:.2f} times cp (goal: at most 1.1)",
                      ratio <= 1.1))
    return goals


def main():
    build = "build"
    scale = 1.0
    rounds = 3
    parts = ["large", "small"]
    argv = sys.argv[1:]
    while argv:
        a = argv.pop(0)
        if a == "--scale":
            scale = float(argv.pop(0))
        elif a == "--rounds":
            rounds = int(argv.pop(0))
        elif a == "--only":
            parts = argv.pop(0).split(",")
            if any(p not in ("large", "small") for p in parts):
                sys.exit(__doc__)
        elif a.startswith("-"):
            sys.exit(__doc__)
        else:
            build = a
    names = ["mev2smf", "lys2mev", "smf1to0", "verse2chan", "smf2mev", "smf2svg"]
    prog = {p: os.path.join(build, p, p) for p in names}
    work = tempfile.mkdtemp(prefix="bench-")
    try:
        goals = []
        if "large" in parts:
            goals += bench_large(prog, work, scale, rounds)
        if "small" in parts:
            goals += bench_small(prog, work, scale, rounds)
        for text, met in goals:
            print(f"{text}: {'met' if met else 'NOT met'}")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
