#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

The seeds are small hand-made inputs: valid MIDI files of every type and event kind, MEV lines
and texts, and lyric sheets. Run it again after changing a seed; it replaces the folders whole.
"""

import shutil
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def hexbytes(text):
    """Bytes of annotated hex: pairs of digits, everything after '#' on a line ignored."""
    digits = "".join(line.split("#")[0] for line in text.splitlines()).split()
    return bytes(int(d, 16) for d in digits)


def smf(kind, tracks, division=96, trailing=b""):
    out = b"MThd" + struct.pack(">IHHH", 6, kind, len(tracks), division)
    for track in tracks:
        data = hexbytes(track) if isinstance(track, str) else track
        out += b"MTrk" + struct.pack(">I", len(data)) + data
    return out + trailing


TEMPO = """
    00 FF 51 03 07 A1 20          # tempo 500000
    00 FF 58 04 04 02 18 08       # time signature 4/4
    00 FF 2F 00
"""

MIDI_FILES = {
    "type0-song.mid": smf(0, ["""
        00 FF 03 04 53 6F 6E 67       # track name
        00 C0 05                      # program change: data byte 05
        00 FF 05 03 53 75 6E          # lyric
        00 90 3C 40
        60 FF 05 03 6E 79 20          # lyric with a blank
        00 3C 00                      # running status
        00 3E 40
        60 80 3E 00
        00 FF 2F 00
    """]),
    "type1-two-tracks.mid": smf(1, [TEMPO, """
        00 FF 05 02 4C 61
        00 91 40 50
        30 40 00                      # running status
        00 FF 05 00                   # empty lyric
        00 FF 2F 00
    """]),
    "type1-every-kind.mid": smf(1, [TEMPO, """
        00 F0 05 7E 7F 09 01 F7       # sysex
        00 F7 02 01 02                # escape
        00 F8                         # clock
        00 B2 07 64                   # control change
        00 E2 00 40                   # pitch bend
        00 D2 30                      # channel pressure
        00 A2 3C 20                   # key pressure
        00 FF 01 05 76 65 72 73 65    # text
        00 FF 7F 03 00 00 41          # sequencer specific
        83 60 FF 05 02 6C 61          # lyric after a two-byte delta time
        00 FF 2F 00
    """, """
        00 93 3C 40
        00 FF 05 01 41                # lyric at the same time as another track's
        81 00 83 3C 00
        00 FF 2F 00
    """], division=480),
    "type1-ties-and-empty.mid": smf(1, ["00 FF 2F 00", "", """
        00 90 3C 40
        00 FF 2F 00
    """, "00 FF 05 01 61  00 FF 2F 00"]),
    "type1-no-end-of-track.mid": smf(1, [TEMPO, """
        00 90 3C 40
        60 80 3C 00
    """]),
    "type1-long-gaps.mid": smf(1, ["FF FF FF 7F FF 05 01 61  FF FF FF 7F FF 2F 00",
                                   "FF FF FF 7F 90 3C 40  FF FF FF 7F 80 3C 00  00 FF 2F 00"]),
    "type1-stray-byte.mid": smf(1, ["00 3C  00 FF 2F 00",
                                    "00 90 3C 40  00 3C 00  00 FF 2F 00"]),
    "type1-lyric-bytes-inside.mid": smf(1, [TEMPO, """
        00 F0 04 FF 05 01 61          # FF 05 inside sysex data
        00 FF 01 03 FF 05 00          # and inside a text
        00 FF 05 02 FF 05             # a lyric holding FF 05
        00 FF 2F 00
    """]),
    "type1-trailing-bytes.mid": smf(1, [TEMPO, "00 FF 05 01 61  00 FF 2F 00"],
                                    trailing=b"\x00\x01"),
    "type2-patterns.mid": smf(2, ["00 FF 05 01 61  00 FF 2F 00", "00 FF 05 01 62  00 FF 2F 00"],
                              division=0x7FFF),
    "truncated-event.mid": smf(1, [TEMPO, "00 90 3C"]),
    "not-midi.mid": b"RIFF\x10\x00\x00\x00RMIDdata\x00\x00",
}

EVENT_LINES = [
    "Note 0 60 100", "N 9 $24 $7F", "N 32 60 100", "Aftertouch 0 60 30", "A 1 64",
    "Control 0 7 100", "Program 2 19", "Bend 0 200", "B 0 -8192",
    "H $F0 $7E $7F $09 $01 $F7", "H", "O $F8", "V 254 3",
    "Meta $00(SeqNr) 258", 'Meta $03(Name) "Piano (right)"', "Meta $05(Lyric) Hel_lo/",
    "Meta $05(Lyric)", "Meta $12 Hi/there", "Meta $21(Port) 1", "Meta $2F(TrkEnd)",
    "Meta $51(Tempo) 500000", "Meta $54(SMPTE) 1 2 3 4 5", "Meta $58(TimeSig) 6 8 24 8",
    "Meta $59(KeySig) -3 1", "Meta $20 5", "Meta $7F 0 $41 1 2", 'Meta $01 "open',
    'x "(" 5 ) 6', "x $-5", "x -$10", "x 0x1F", "x 4294967297",
]

MEV_TEXTS = {
    "smallest.mev": "File 0 (1) 120\nTrack #1\nMeta $2F(TrkEnd)\n",
    "two-tracks.mev": """File 1 (2) 96
* preamble
Track #1
* tempo and lyrics
0
Meta $51(Tempo) 500000
120
240 bar 2
Meta $05(Lyric) Sun_
Meta $05(Lyric) ny
Meta $2F(TrkEnd)
Track #2
0
N 0 60 100
96
N 0 60 0
 48
P 1 19
B 1 200
H $F0 $7E $7F $09 $01 $F7
O $F8
Meta $2F(TrkEnd)
""",
    "crlf.mev": "File $1 (2) $1E0\r\nTrack 1\r\n0\r\nMeta $03 \"Piano\"\r\n0\r\n"
                "Meta $2F(TrkEnd)\r\nTrack 2\r\n60\r\nC 0 7 100\r\nMeta $2F(TrkEnd)\r\n",
    "type2-many.mev": "File 2 96\nTrack\nMeta $2F\nTrack\nMeta $2F\nTrack\n\nMeta $2F\n",
    "errors.mev": "File 0 (1) 120\nTrack\nX 1 2\nN 0 60\n99999999999\nMeta $59 8 0\n",
    "no-end.mev": "File 0 (1) 120\nTrack\n0\nN 0 60 100\n10\n20\n",
    "header-only.mev": "File 0 (1) 120\n",
}

LYRIC_SHEETS = {
    "sunny.lys": "Sun ny_morn ing\n",
    "verses.lys": "Twin kle_twin kle_lit tle_star\r\nHow_I_won der_what_you_are\r\n\r\n",
    "odd-blanks.lys": "  two  blanks  _and_ trail \nlast line without end",
    "slashes.lys": "line/break back\\slash (paren) \"quote\" $12 -3\x1a after the end",
}


# Words in both conventions: .kar texts with marks, blanks and headers, and Lyric events with
# breaks, a held note and a tempo change, over notes in running status across them.
KARAOKE_FILES = {
    "kar-texts.mid": smf(1, ["""
        00 FF 01 13 40 4B 4D 49 44 49 20 4B 41 52 41 4F 4B 45 20 46 49 4C 45
        00 FF 2F 00""", """
        00 FF 01 04 2F 48 65 6C       # "/Hel"
        00 90 3C 64
        60 FF 01 02 6C 6F             # "lo"
        00 3E 64                      # running status after a text
        60 FF 01 04 5C 20 6D 79       # "\ my"
        00 80 3C 40
        00 FF 2F 00"""]),
    "lyric-events.mid": smf(1, ["""
        00 FF 03 01 53                # the song's name
        00 FF 51 03 07 A1 20
        81 40 FF 51 03 0F 42 40       # slower after a beat and a half
        00 FF 2F 00""", """
        00 FF 05 02 61 20 00 90 3C 64 # "a "
        60 FF 05 01 0D                # a line break of its own
        00 FF 05 03 62 0D 0A 00 3E 64 # "b" and CR LF
        60 FF 05 00                   # a held note
        00 FF 05 01 0A                # a paragraph
        60 FF 05 01 63 00 80 3C 00
        00 FF 2F 00"""]),
}


def write(target, files):
    folder = HERE / "corpus" / target
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, data in files.items():
        (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def main():
    write("smf1to0", MIDI_FILES)
    write("smf2mev", MIDI_FILES)
    # the first byte is the channel
    write("verse2chan", {f"ch{i % 16}-{name}": bytes([i % 16]) + data
                         for i, (name, data) in enumerate(MIDI_FILES.items())})
    write("eventline", {f"line{i:02}": line for i, line in enumerate(EVENT_LINES)})
    write("mev2smf", MEV_TEXTS)
    write("lys2mev", LYRIC_SHEETS)
    write("words", {**MIDI_FILES, **KARAOKE_FILES})


if __name__ == "__main__":
    main()
