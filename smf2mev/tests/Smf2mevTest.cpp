#include <gtest/gtest.h>

#include <filesystem>

#include "Compiler.h"
#include "Decompiler.h"
#include "FuzzTargets.h"
#include "TestKit.h"
#include "TextMidi.h"

namespace {

const CommandLine kSmf2mev = {
    PROGRAM,
    Lines({"SMF2MEV", "", "Converts MidiFile to Midi Text",
           "and puts the syllables of a Lyricsheet on the notes of a melody", "",
           "Syntax: [program] [options] [IMF] [OTF] [LYS] [TRACK] [CH]", "",
           "IMF = name of Input MidiFile", "OTF = name of Output TextFile (MEV)",
           "LYS = name of Lyricsheet (optional)",
           "TRACK = track of the melody, from 1 (optional; default: the first with notes)",
           "CH = channel of the melody [0,15] (optional; default: every channel)",
           "Options, before IMF, with LYS:",
           "--tolerance TICKS = notes starting closer are one chord (default: a 64th note)",
           "--replace = the lyrics the track holds are left out",
           "--verse N = only verse N of LYS (verses are parted by empty lines)"}),
    ": does Not exist",
    {},
    "MEV",
    3};

bytes Bytes(const std::string& text) { return bytes(text.begin(), text.end()); }

}  // namespace

// Each event in the form that compiles back to exactly its bytes.
TEST(EventLine, FormsThatGiveTheBytesBack) {
  struct Case {
    const char* event;
    const char* line;
  } cases[] = {
      {"90 3C 64", "Note 0 60 100"},
      {"9F 3C 00", "Note 15 60 0"},
      {"90 3C C8", "Note 0 60 200"},  // the low 8 bits of 200 are the byte
      {"A1 3C 1E", "Aftertouch 1 60 30"},
      {"D1 40", "Aftertouch 1 64"},
      {"B0 07 64", "Control 0 7 100"},
      {"C2 13", "Program 2 19"},
      {"E0 00 40", "Bend 0 0"},
      {"E0 00 00", "Bend 0 -8192"},
      {"E0 7F 7F", "Bend 0 8191"},
      {"E0 00 80", "Bend 0 8192"},
      {"E0 EF 40", "X $E0 239 64"},  // a low byte above 7F: no bend gives it
      {"80 3C 40", "Release 0 60 64"},
      {"8F 3C 00", "Release 15 60 0"},
      {"F0 05 7E 7F 09 01 F7", "Sysex $7E $7F $09 $01 $F7"},
      {"F0 00", "Sysex"},
      {"F1 01 55", "X $F1 $55"},
      {"F7 02 01 02", "H $01 $02"},
      {"F8", "O $F8"},
      {"FF 00 02 01 02", "Meta $00(SeqNr) 258"},
      {"FF 00 00", "X $FF $00"},  // a fixed layout of another length
      {"FF 03 05 50 69 61 6E 6F", "Meta $03(Name) \"Piano\""},
      {"FF 01 00", "Meta $01(Text) \"\""},
      {"FF 0F 00", "Meta $0F \"\""},
      // texts their forms cannot carry: the printable runs quoted, a double quote and control
      // bytes (1A ends a MEV file) as numbers
      {"FF 01 03 61 22 62", "X $FF $01 \"a\" $22 \"b\""},
      {"FF 06 02 61 1A", "X $FF $06 \"a\" $1A"},
      {"FF 01 09 46 65 72 74 69 67 20 28 0A", "X $FF $01 \"Fertig (\" $0A"},
      {"FF 05 08 48 65 6C 20 6C 6F 0D 0A", "Meta $05(Lyric) Hel_lo/"},
      {"FF 05 00", "Meta $05(Lyric)"},
      {"FF 05 03 61 5F 62", "X $FF $05 \"a_b\""},  // an underscore stands for a blank
      {"FF 05 02 2F 20", "X $FF $05 \"/ \""},
      {"FF 05 03 61 5C 62", "X $FF $05 \"a\\b\""},
      {"FF 05 02 61 0D", "X $FF $05 \"a\" $0D"},  // a CR without LF
      {"FF 05 01 0D", "X $FF $05 $0D (line break)"},
      {"FF 05 01 0A", "X $FF $05 $0A (new paragraph)"},
      {"FF 05 03 E9 74 E9", "Meta $05(Lyric) \xE9t\xE9"},
      {"FF 12 05 6C 61 20 6C 61", "Meta $12 la_la"},
      {"FF 21 01 01", "Meta $21(Port) 1"},
      {"FF 2F 00", "Meta $2F(TrkEnd)"},
      {"FF 2F 01 00", "X $FF $2F $00"},
      {"FF 51 03 07 A1 20", "Meta $51(Tempo) 500000"},
      {"FF 54 05 01 02 03 04 05", "Meta $54(SMPTE) 1 2 3 4 5"},
      {"FF 58 04 06 03 18 08", "Meta $58(TimeSig) 6 8 24 8"},
      {"FF 58 04 03 FF 18 08", "X $FF $58 $03 $FF $18 $08"},  // no power of two gives FF
      {"FF 59 02 FB 01", "Meta $59(KeySig) -5 1"},
      {"FF 59 02 08 00", "X $FF $59 $08 $00"},  // beyond 7 sharps
      {"FF 7F 04 00 41 01 02", "Meta $7F $00 $41 $01 $02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    EXPECT_EQ(EventLine(Hex(c.event)), c.line);
    EXPECT_EQ(EncodeEventLine(c.line), Hex(c.event));
  }
}

// Every MIDI file the repository holds, and the example song compiled, goes through the round
// trip the smf2mev fuzz target checks.
TEST(Decompile, RoundTripOfEveryFileInTheRepository) {
  std::vector<bytes> files;
  // smf2mev/tests/files holds files written by another program (abc2midi): note offs in
  // running status, karaoke texts, time signatures a tick into the song
  for (const char* folder :
       {"fuzz/corpus", "fuzz/regressions", "examples", "smf2mev/tests/files"}) {
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(SOURCE_DIR) + "/" + folder)) {
      if (entry.path().extension() == ".mid") files.push_back(ReadBytes(entry.path().string()));
    }
  }
  textreader song;
  ASSERT_TRUE(song.Open(std::string(SOURCE_DIR) + "/examples/song.mev"));
  Midi m;
  ASSERT_TRUE(CompileMev(song, m));
  files.push_back(m.image);
  int32_t checked = 0;
  for (const bytes& file : files) {
    EXPECT_EQ(FuzzSmf2mev(file.data(), file.size()), 0);
    Midi f;
    f.image = file;
    CoutCapture quiet;
    bool ok;
    f.CheckFile(ok);
    checked += ok;
  }
  EXPECT_GE(checked, 16);
}

// The text of a file, and the file it compiles into.
std::string DecompiledText(const bytes& file) {
  Midi m;
  m.image = file;
  std::string text;
  Decompile(m, ReadSong(m), [&](const std::string& block) { text += block; });
  return text;
}

bytes Recompiled(const std::string& text) {
  textreader in;
  in.OpenText(text);
  Midi m;
  CoutCapture quiet;
  EXPECT_TRUE(CompileMev(in, m)) << text;
  return m.image;
}

// A file that writes its status bytes in any of the ways, or switches between them, comes back
// byte for byte, with the fewest way lines; so do the files made elsewhere in the repository.
TEST(Decompile, StatusBytesComeBackAsWritten) {
  const std::string every = "Write every status";
  const std::string across = "Write running status across meta and sysex";
  const std::string running = "Write running status";
  struct Case {
    std::vector<std::string> tracks;
    lijst ways;  // the way lines of the text, in order
  } cases[] = {
      {{"00 90 3C 64 60 3C 00 00 F0 01 F7 00 90 3E 64 00 FF 2F 00"}, {}},
      {{"00 90 3C 64 60 90 3C 00 00 C0 05 00 C0 06 00 FF 2F 00"}, {every}},
      {{"00 90 3C 64 00 FF 05 01 61 60 3C 00 00 F8 00 3E 64 00 FF 2F 00"}, {across}},
      // running status, then every status byte, then across a meta event
      {{"00 90 3C 64 60 3C 00 00 90 3E 64 60 90 3E 00 00 90 40 64 00 FF 01 00 00 40 00 "
        "00 FF 2F 00"},
       {every, across}},
      // a first data byte above 7F has its status byte in every way
      {{"00 90 3C 64 00 90 80 64 00 FF 2F 00"}, {}},
      // a way holds to the end of its track only
      {{"00 90 3C 64 60 90 3C 00 00 FF 2F 00", "00 90 3C 64 60 3C 00 00 FF 2F 00"}, {every}},
      {{"00 90 3C 64 60 3C 00 00 FF 2F 00", "00 90 3C 64 60 90 3C 00 60 3C 00 00 FF 2F 00"},
       {every, running}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tracks.back());
    bytes file = SmfImage(1, 96, c.tracks);
    std::string text = DecompiledText(file);
    lijst ways;
    for (size_t at = text.find("\nW"); at != std::string::npos; at = text.find("\nW", at + 1)) {
      ways.push_back(text.substr(at + 1, text.find('\r', at) - at - 1));
    }
    EXPECT_EQ(ways, c.ways) << text;
    EXPECT_EQ(Recompiled(text), file) << text;
  }
  for (const char* name : {"examples/melody.mid", "smf2mev/tests/files/abc2midi-karaoke.mid",
                           "smf2mev/tests/files/abc2midi-karaoke-type0.mid",
                           "smf2mev/tests/files/abc2midi-waltz.mid"}) {
    SCOPED_TRACE(name);
    bytes file = ReadBytes(std::string(SOURCE_DIR) + "/" + name);
    EXPECT_EQ(Recompiled(DecompiledText(file)), file);
  }
}

TEST(smf2mev, SharedCommandLineRules) {
  const bytes file = SmfImage(0, 96, {"00 FF 2F 00"});
  ExpectCommandLine(kSmf2mev, file, Bytes("File 0 (1) 96\r\nTrack #1\r\nMeta $2F(TrkEnd)\r\n"));
}

TEST(smf2mev, FilesAndTheirLines) {
  struct Case {
    bytes file;
    std::string out;
    std::string mev;  // empty when refused
  } cases[] = {
      {SmfImage(1, 480, {"00 FF 03 04 53 6F 6E 67 00 FF 2F 00", "83 60 90 3C 64 00 FF 2F 00"}), "",
       "File 1 (2) 480\r\nTrack #1 Song\r\nMeta $03(Name) \"Song\"\r\nMeta $2F(TrkEnd)\r\n"
       "Track #2\r\n480 bar 1 beat 2\r\nNote 0 60 100\r\nMeta $2F(TrkEnd)\r\n"},
      // a time signature in one track of a type-1 file counts the bars of every track
      {SmfImage(1, 96, {"00 FF 58 04 03 02 18 08 00 FF 2F 00", "82 20 90 3C 64 00 FF 2F 00"}), "",
       "File 1 (2) 96\r\nTrack #1\r\nMeta $58(TimeSig) 3 4 24 8\r\nMeta $2F(TrkEnd)\r\n"
       "Track #2\r\n288 bar 2 beat 1\r\nNote 0 60 100\r\nMeta $2F(TrkEnd)\r\n"},
      {SmfImage(0, 96, {"00 FF 2F 00"}, "58 46 49 48 00 00 00 01 00  7A"),
       "# midi bytes (26) < file size (36)\n"
       "Chunk XFIH at byte 26 left out: MEV holds track chunks only\n",
       "File 0 (1) 96\r\nTrack #1\r\nMeta $2F(TrkEnd)\r\n"},
      {SmfImage(1, 96, {"00 FF 2F 00", "00 FF 2F"}), "Any Event error at : 38 > 37\n", ""},
      // headers the compiler writes that the check refuses: read, with no bars and beats
      // where a division counts no quarter notes
      {SmfImage(0, 96, {"00 FF 2F 00", "00 FF 2F 00"}),
       "Type 0 with 2 tracks: each track is read\n",
       "File 0 (2) 96\r\nTrack #1\r\nMeta $2F(TrkEnd)\r\nTrack #2\r\nMeta $2F(TrkEnd)\r\n"},
      {SmfImage(1, 0xE728, {"60 FF 2F 00"}), "",
       "File 1 (1) $E728 (SMPTE: 25 frames a second, 40 ticks a frame)\r\nTrack #1\r\n96\r\n"
       "Meta $2F(TrkEnd)\r\n"},
      {SmfImage(1, 0, {"60 FF 2F 00"}),
       "# ticks 0: mev2smf needs a division above 0 in the header line\n",
       "File 1 (1) 0\r\nTrack #1\r\n96\r\nMeta $2F(TrkEnd)\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    if (c.mev.empty()) {
      ExpectRefused(kSmf2mev, c.file, c.out);
    } else {
      ExpectConverted(kSmf2mev, c.file, c.out, Bytes(c.mev));
    }
  }
}

// The syllables of a sheet on the notes of a melody: each Lyric line and the line after it.
TEST(smf2mev, SyllablesOnTheMelody) {
  const std::string tempo = "00 FF 2F 00";
  // three notes, at 0, 96 and 192
  const bytes three = SmfImage(
      1, 96, {tempo, "00 90 3C 64 60 3C 00 00 3E 64 60 3E 00 00 40 64 60 40 00 00 FF 2F 00"});
  // at 480 a quarter note: a chord as abc2midi plays it, its notes 10 ticks apart, a strum of
  // 1 to 3 ticks, then a run of 32nds (60 ticks), which stay notes of their own
  const bytes spread = SmfImage(1, 480,
                                {tempo,
                                 "00 90 3C 64 0A 40 64 0A 43 64 83 4C 3C 00 00 40 00 00 43 00 "
                                 "00 3E 64 01 41 64 03 45 64 3C 48 64 3C 4A 64 00 FF 2F 00"});
  const bytes lyric = SmfImage(1, 96, {tempo, "00 FF 05 01 78 00 90 3C 64 60 3C 00 00 FF 2F 00"});
  const std::string few =
      " notes at the end in track 2 have no syllable: the first is at bar 1 beat 2\n";
  struct Case {
    bytes file;
    std::string sheet;
    std::string args;  // F stands for the file names IMF OTF LYS
    int status;
    std::string out;
    std::string placed;  // each lyric placed and the key of the note after it
  } cases[] = {
      // a chord is one onset, a rest none
      {SmfImage(1, 96,
                {tempo,
                 "00 90 3C 64 00 40 64 60 80 3C 00 00 40 00 60 90 3E 64 60 3E 00 "
                 "00 FF 2F 00"}),
       "la_la\n", "F", 0, "", "la_@60 la/@62"},
      {spread, "one two\nthree four", "F", 0, "", "one@60 two/@62 three@72 four/@74"},
      {spread, "a b c", "--tolerance 0 F", 0, "5" + few, "a@60 b@64 c/@67"},
      {three, "Ah * men", "F", 0, "", "Ah@60 men/@64"},  // * holds the syllable before
      {three, "a", "F", 0, "2" + few, "a/@60"},
      {three, "a b c d e", "F", 1,
       "5 syllables for 3 notes in track 2: \"d\" and 1 more have no note; the last note is at "
       "bar 1 beat 3\n",
       ""},
      {lyric, "o", "F 2", 0, "Track 2 already had 1 lyric: they stay\n", "x@-1 o/@60"},
      {lyric, "o", "--replace F", 0, "Track 2: 1 lyric replaced\n", "o/@60"},
      {three, "\na b\n\n  \nc\n\n", "--verse 2 F", 0, "2" + few, "c/@60"},
      {three, "a\n\nb", "--verse 3 F", 1, "Verse 3 out of [1,2] range\n", ""},
      // the melody on one channel of a type-0 file, channel 0 too
      {SmfImage(0, 96, {"00 90 3C 64 00 91 30 64 60 91 30 00 00 32 64 60 90 3C 00 00 FF 2F 00"}),
       "one two", "F 1 1", 0, "", "one@48 two/@50"},
      {SmfImage(0, 96, {"00 91 30 64 60 90 3C 64 00 FF 2F 00"}), "one", "F 1 0", 0, "", "one/@60"},
      // the first of two tracks with notes
      {SmfImage(1, 96, {"00 90 3C 64 00 FF 2F 00", "00 90 3E 64 00 FF 2F 00"}), "one", "F", 0, "",
       "one/@60"},
      {three, "a", "F 3", 1, "Track 3 out of [1,2] range\n", ""},
      {three, "a", "F x", 1, "Track x out of [1,2] range\n", ""},
      {three, "a", "F 1", 1, "Track 1 has no notes\n", ""},
      {three, "a", "F 2 5", 1, "Track 2 has no notes on channel 5\n", ""},
      {three, "a", "F 2 16", 1, "Channel 16 out of [0,15] range\n", ""},
      {three, "a", "F 2 -1", 1, "Channel -1 out of [0,15] range\n", ""},
      {three, "", "--replace F", 2,
       "--tolerance, --replace and --verse go with a lyric sheet (LYS)\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args + ": " + c.sheet);
    TempDir dir;
    WriteBytes(dir.Path("in.mid"), c.file);
    WriteText(dir.Path("words.lys"), c.sheet);
    std::vector<std::string> args;
    for (const std::string& a : splitwords(c.args)) {
      if (a != "F") args.push_back(a);
      if (a == "F") args.insert(args.end(), {dir.Path("in.mid"), dir.Path("out.mev")});
      if (a == "F" && c.status != 2) args.push_back(dir.Path("words.lys"));
    }
    RunResult r = RunProgram(PROGRAM, args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(Exists(dir.Path("out.mev")), c.status == 0);
    // each lyric and the key of the note line after it (-1: another line)
    std::string placed;
    textreader mev;
    std::string line, last;
    if (c.status == 0) {
      ASSERT_TRUE(mev.Open(dir.Path("out.mev")));
    }
    while (mev.ReadLine(line)) {
      if (last.starts_with("Meta $05(Lyric) ")) {
        integers n = ExtractNumbers(line);
        placed += (placed.empty() ? "" : " ") + last.substr(16) + "@" +
                  std::to_string(line.starts_with("Note") ? n[1] : -1);
      }
      last = line;
    }
    EXPECT_EQ(placed, c.placed);
  }
}
