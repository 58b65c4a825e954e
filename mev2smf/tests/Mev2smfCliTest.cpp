#include <gtest/gtest.h>

#include "TestKit.h"

namespace {

const std::string kUsage =
    Lines({"MEV2SMF", "", "Converts TextFile to MidiFile", "Time Differences, Note differences", "",
           "Syntax: [program] [--strict] [ITF] [OMF]", "", "ITF = name of Input TextFile",
           "Text behind timestamp allowed", "OMF = name of Output MidiFile",
           "--strict = a warning counts as an error"});

const CommandLine kMev2smf = {PROGRAM, kUsage, " not found.", {}};

// MEV text with CR LF line ends, as the suite writes it.
std::string Mev(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Compares an independent decoding of the MIDI file with the records expected. Goes last in a
// test: without the decoder the test ends here as skipped.
void ExpectMidicsv(const std::string& name, const std::vector<std::string>& records) {
  if (!HaveMidicsv()) GTEST_SKIP() << "midicsv not installed: decoding of " << name << " skipped";
  EXPECT_EQ(Midicsv(name), records);
}

}  // namespace

TEST(mev2smf, SharedCommandLineRules) {
  std::string mev = Mev({"File 0 (1) 120", "Track #1", "Meta $2F(TrkEnd)"});
  ExpectCommandLine(kMev2smf, bytes(mev.begin(), mev.end()), Hex(R"(
      4D 54 68 64 00 00 00 06 00 00 00 01 00 78
      4D 54 72 6B 00 00 00 04 00 FF 2F 00
  )"));
}

TEST(mev2smf, RefusedInputsWriteNothing) {
  // the compiler's lines are all tested with it; here only that they reach the user, warnings
  // and errors in line order
  struct Case {
    std::string text;
    std::string out;
  } cases[] = {
      {"", "NO MidiFile header\n"},
      {Mev({"File 0 (1) 120", "Track #1", "0", "X 1 2", "120", "Meta $05(Lyric) la", "Track #2",
            "n 0 60 100", "Meta $2F(TrkEnd)"}),
       Lines({"Warning in line 1: File 0 (1) 120 (type 0 with 2 tracks: use type 1)",
              "Error in line 4: X 1 2 (1 is no status byte: X takes $80 to $FF first)",
              "Warning in line 6: Meta $05(Lyric) la (the track ends without Meta $2F(TrkEnd): one "
              "is added)",
              "Error in line 8: n 0 60 100 (a kind begins with a capital letter)"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    ExpectRefused(kMev2smf, bytes(c.text.begin(), c.text.end()), c.out);
  }
}

TEST(mev2smf, StrictMakesWarningsErrors) {
  // --strict before the file names: a warned file is not written, and a file with errors ends
  // as ever; the warned file without --strict is in the bad-input matrix
  const std::string warnings =
      Lines({"Warning in line 3: Pitch 0 200 (read as Program)",
             "Warning in line 3: Pitch 0 200 (200 is not 0 to 127: byte C8)"});
  struct Case {
    std::vector<std::string> lines;  // between the track line and the end of the track
    int status;
    std::string out;
  } cases[] = {
      {{"Pitch 0 200"}, 1, warnings + "2 warnings with --strict: nothing written\n"},
      {{"Ntoe 0 60 100"},
       1,
       Lines({"Warning in line 3: Ntoe 0 60 100 (read as Note)",
              "1 warning with --strict: nothing written"})},
      {{"Pitch 0 200", "N 0 60"},
       1,
       warnings + "Error in line 4: N 0 60 (Note takes 3 numbers: channel, key, velocity)\n"},
      {{"Program 0 100"}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines[0]);
    std::vector<std::string> lines = {"File 0 (1) 120", "Track #1"};
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    lines.push_back("Meta $2F(TrkEnd)");
    TempDir dir;
    WriteText(dir.Path("in.mev"), Mev(lines));
    WriteText(dir.Path("out.mid"), "MThd");  // an output of its kind, replaced only on success
    RunResult r = RunProgram(PROGRAM, {"--strict", dir.Path("in.mev"), dir.Path("out.mid")});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    const bytes kept = {'M', 'T', 'h', 'd'};
    EXPECT_EQ(ReadBytes(dir.Path("out.mid")),
              c.status == 0 ? SmfImage(0, 120, {"00 C0 64 00 FF 2F 00"}) : kept);
  }
}

TEST(mev2smf, SongWithEveryKindOfEvent) {
  TempDir dir;
  WriteText(dir.Path("song.mev"), Mev({"File 1 (2) 480",
                                       "Voice parts follow",
                                       "Track #1 conductor",
                                       "Meta $03(Name) \"Song (demo)\"",
                                       "Meta $51(Tempo) 500000",
                                       "Meta $58(TimeSig) 6 8 24 8",
                                       "Meta $59(KeySig) -3 1",
                                       "Meta $21(Port) 1",
                                       "Meta $54(SMPTE) 1 2 3 4 5",
                                       "Meta $7F 0 $41 1 2",
                                       "1920 bar 2",
                                       "Meta $06 \"Verse\"",
                                       "Meta $2F(TrkEnd)",
                                       "Track #2 melody",
                                       "* intro",
                                       "Program 0 19",
                                       "Control 0 7 100",
                                       "0",
                                       "Meta $05(Lyric) Hel_lo/",
                                       "Note 0 60 100",
                                       "240",
                                       "240",
                                       "A 0 60 30",
                                       "A 0 64",
                                       "Bend 0 200",
                                       "Note 0 60 0",
                                       "Note 0 62 100",
                                       "480",
                                       "N 0 62 0",
                                       "H $F0 $7E $7F $09 $01 $F7",
                                       "Meta $2F(TrkEnd)"}));
  RunResult r = RunProgram(PROGRAM, {dir.Path("song.mev"), dir.Path("song.mid")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("song.mid")), Hex(R"(
      4D 54 68 64 00 00 00 06 00 01 00 02 01 E0
      4D 54 72 6B 00 00 00 48
      00 FF 03 0B 53 6F 6E 67 20 28 64 65 6D 6F 29
      00 FF 51 03 07 A1 20
      00 FF 58 04 06 03 18 08
      00 FF 59 02 FD 01
      00 FF 21 01 01
      00 FF 54 05 01 02 03 04 05
      00 FF 7F 04 00 41 01 02
      8F 00 FF 06 05 56 65 72 73 65
      00 FF 2F 00
      4D 54 72 6B 00 00 00 40
      00 C0 13
      00 B0 07 64
      00 FF 05 08 48 65 6C 20 6C 6F 0D 0A
      00 90 3C 64
      81 70 FF 0F 00 81 70 A0 3C 1E
      00 D0 40
      00 E0 48 41
      00 90 3C 00
      00 3E 64
      83 60 3E 00
      00 F7 06 F0 7E 7F 09 01 F7
      00 FF 2F 00
  )"));
  ExpectMidicsv(dir.Path("song.mid"),
                {
                    "0, 0, Header, 1, 2, 480",
                    "1, 0, Start_track",
                    "1, 0, Title_t, \"Song (demo)\"",
                    "1, 0, Tempo, 500000",
                    "1, 0, Time_signature, 6, 3, 24, 8",
                    "1, 0, Key_signature, -3, \"minor\"",
                    "1, 0, MIDI_port, 1",
                    "1, 0, SMPTE_offset, 1, 2, 3, 4, 5",
                    "1, 0, Sequencer_specific, 4, 0, 65, 1, 2",
                    "1, 1920, Marker_t, \"Verse\"",
                    "1, 1920, End_track",
                    "2, 0, Start_track",
                    "2, 0, Program_c, 0, 19",
                    "2, 0, Control_c, 0, 7, 100",
                    "2, 0, Lyric_t, \"Hel lo\\015\\012\"",
                    "2, 0, Note_on_c, 0, 60, 100",
                    "2, 240, Unknown_meta_event, 15, 0",
                    "2, 480, Poly_aftertouch_c, 0, 60, 30",
                    "2, 480, Channel_aftertouch_c, 0, 64",
                    "2, 480, Pitch_bend_c, 0, 8392",
                    "2, 480, Note_on_c, 0, 60, 0",
                    "2, 480, Note_on_c, 0, 62, 100",
                    "2, 960, Note_on_c, 0, 62, 0",
                    "2, 960, System_exclusive_packet, 6, 240, 126, 127, 9, 1, 247",
                    "2, 960, End_track",
                    "0, 0, End_of_file",
                });
}

TEST(mev2smf, ChainFromLyricSheet) {
  TempDir dir;
  WriteText(dir.Path("song.lys"), "Sun ny_morn ing\r\n");
  RunResult r = RunProgram(LYS2MEV, {dir.Path("song.lys"), dir.Path("song.mev")});
  ASSERT_EQ(r.status, 0);
  r = RunProgram(PROGRAM, {dir.Path("song.mev"), dir.Path("song.mid")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("song.mid")), Hex(R"(
      4D 54 68 64 00 00 00 06 00 00 00 01 00 78
      4D 54 72 6B 00 00 00 25
      00 FF 05 03 53 75 6E      # Sun
      00 FF 05 03 6E 79 20      # ny_
      00 FF 05 04 6D 6F 72 6E   # morn
      00 FF 05 03 69 6E 67      # ing
      00 FF 05 00
      00 FF 2F 00
  )"));
  ExpectMidicsv(dir.Path("song.mid"),
                {"0, 0, Header, 0, 1, 120", "1, 0, Start_track", "1, 0, Lyric_t, \"Sun\"",
                 "1, 0, Lyric_t, \"ny \"", "1, 0, Lyric_t, \"morn\"", "1, 0, Lyric_t, \"ing\"",
                 "1, 0, Lyric_t, \"\"", "1, 0, End_track", "0, 0, End_of_file"});
}
