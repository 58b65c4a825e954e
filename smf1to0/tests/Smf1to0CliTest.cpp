#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "TestKit.h"

namespace {

const std::string kUsage =
    Lines({"SMF1TO0", "", "Converts type 1 to type 0 MidiFile", "", "Syntax: [program] [IMF] [OMF]",
           "", "IMF = name of 1-type MidiFile (Input)", "OMF = name of 0-type MidiFile (Output)"});

// A Standard MIDI File: the header chunk, one track chunk per entry of tracks, then trailing.
bytes Smf(int type, int division, const std::vector<std::string>& tracks,
          const std::string& trailing = "") {
  bytes f = Hex("4D 54 68 64 00 00 00 06");
  for (int v : {type, static_cast<int>(tracks.size()), division}) {
    f.push_back(static_cast<uint8_t>(v >> 8));
    f.push_back(static_cast<uint8_t>(v));
  }
  for (const std::string& text : tracks) {
    bytes t = Hex(text);
    for (uint8_t b : Hex("4D 54 72 6B")) f.push_back(b);
    for (int shift = 24; shift >= 0; shift -= 8)
      f.push_back(static_cast<uint8_t>(t.size() >> shift));
    f.insert(f.end(), t.begin(), t.end());
  }
  for (uint8_t b : Hex(trailing)) f.push_back(b);
  return f;
}

const bytes kTwoTracks =
    Smf(1, 480, {"00 FF 51 03 07 A1 20  00 FF 2F 00", "00 90 3C 40  8F 00 80 3C 00  00 FF 2F 00"});
const bytes kMerged =
    Smf(0, 480, {"00 FF 51 03 07 A1 20  00 FF 0F 00  00 90 3C 40  8F 00 80 3C 00  00 FF 2F 00"});

}  // namespace

TEST(smf1to0, UsageOnWrongArgumentCount) {
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), kTwoTracks);
  for (const lijst& args :
       std::vector<lijst>{{}, {dir.Path("in.mid")}, {dir.Path("in.mid"), dir.Path("out"), "x"}}) {
    SCOPED_TRACE(args.size());
    RunResult r = RunProgram(PROGRAM, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, kUsage);
  }
  EXPECT_EQ(dir.Entries(), lijst{"in.mid"});
}

TEST(smf1to0, MissingInput) {
  TempDir dir;
  WriteText(dir.Path("out"), "keep");
  RunResult r = RunProgram(PROGRAM, {dir.Path("song.mid"), dir.Path("out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path("song.mid") + ": does Not exist\n");
  EXPECT_EQ(ReadText(dir.Path("out")), "keep");
  // a folder is no file
  r = RunProgram(PROGRAM, {dir.Path("."), dir.Path("new")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path(".") + ": does Not exist\n");
  EXPECT_EQ(dir.Entries(), lijst{"out"});
}

TEST(smf1to0, ConvertsFiles) {
  struct Case {
    std::string name;
    bytes input;
    std::string out;
    bytes output;
  } cases[] = {
      {"tempo and note track", kTwoTracks, "", kMerged},
      {"bytes after the last track are ignored",
       Smf(1, 480, {"00 FF 2F 00", "00 C0 01  00 FF 2F 00"}, "00 FF 2F"),
       "# midi bytes (41) < file size (44)\n", Smf(0, 480, {"00 FF 0F 00  00 C0 01  00 FF 2F 00"})},
      {"division kept", Smf(1, 0x7FFF, {"", "10 FF 2F 00"}), "", Smf(0, 0x7FFF, {"10 FF 2F 00"})},
      {"all tracks empty", Smf(1, 96, {"", ""}), "", Smf(0, 96, {"00 FF 2F 00"})},
      {"no End of Track in the latest track",
       Smf(1, 96, {"00 90 3C 40  00 FF 2F 00", "60 90 3C 00"}), "",
       Smf(0, 96, {"00 90 3C 40  00 FF 0F 00  60 90 3C 00  00 FF 2F 00"})},
      {"stray data byte at a track's start",
       Smf(1, 96, {"05 3C  10 90 3C 40  00 FF 2F 00", "00 91 40 40  00 FF 2F 00"}), "",
       Smf(0, 96, {"00 91 40 40  00 FF 0F 00  15 90 3C 40  00 FF 2F 00"})},
      {"delta time over 0FFFFFFF", Smf(1, 96, {"81 80 80 80 00 FF 2F 00", "00 FF 2F 00"}), "",
       Smf(0, 96, {"00 FF 0F 00  FF FF FF 7F FF 0F 00  01 FF 2F 00"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir.Path("in.mid"), c.input);
    WriteText(dir.Path("out.mid"), std::string(1000, 'o'));  // replaced whole
    RunResult r = RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("out.mid")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(ReadBytes(dir.Path("out.mid")), c.output);
    EXPECT_EQ(ReadBytes(dir.Path("in.mid")), c.input);
    EXPECT_EQ(dir.Entries(), (lijst{"in.mid", "out.mid"}));
  }
}

TEST(smf1to0, RefusedInputsWriteNothing) {
  const std::string refused = " is NOT a type 1 MidiFile\n\n" + kUsage;
  struct Case {
    std::string name;
    bytes input;
    std::string out;  // after the input's name when it starts with a blank
  } cases[] = {
      {"type 0", Smf(0, 480, {"00 FF 2F 00"}), refused},
      {"type 2", Smf(2, 480, {"00 FF 2F 00", "00 FF 2F 00"}), refused},
      {"empty file", {}, "No MidiFile Read yet\n"},
      {"header only", Smf(0, 480, {}), "MidiFile <= 14 bytes\n"},
      {"not a MIDI file", Hex("52 49 46 46 00 00 00 06 00 01 00 02 01 E0 00"),
       "RIFF <> \"MThd\" in MF header\n"},
      {"one track in a type 1 file", Smf(1, 480, {"00 FF 2F 00"}),
       "Type 1 and # tracks 1 incompatible\n"},
      {"event past its track's end",
       [] {
         bytes f = Smf(1, 480, {"00 FF 2F 00", "00 FF 2F 00"});
         f[21] = 3;
         return f;
       }(),
       "Any Event error at : 26 > 25\n"},
      {"delta time past its track's end", Smf(1, 480, {"83", "00 FF 2F 00"}),
       "Delta Time error at : 24 > 23\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir.Path("in.mid"), c.input);
    WriteText(dir.Path("old.mid"), "keep");
    for (const std::string& out : {dir.Path("old.mid"), dir.Path("new.mid")}) {
      RunResult r = RunProgram(PROGRAM, {dir.Path("in.mid"), out});
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, c.out[0] == ' ' ? dir.Path("in.mid") + c.out : c.out);
    }
    EXPECT_EQ(ReadText(dir.Path("old.mid")), "keep");
    EXPECT_EQ(dir.Entries(), (lijst{"in.mid", "old.mid"}));
  }
}

TEST(smf1to0, SameNameForInputAndOutput) {
  TempDir dir;
  WriteBytes(dir.Path("song.mid"), kTwoTracks);
  RunResult r = RunProgram(PROGRAM, {dir.Path("song.mid"), dir.Path("song.mid")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("song.mid")), kMerged);
  EXPECT_EQ(dir.Entries(), lijst{"song.mid"});
}

TEST(smf1to0, UnwritableOutputLeavesNothing) {
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), kTwoTracks);
  RunResult r = RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("no/out.mid")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path("no/out.mid") + ": cannot be written\n");
  EXPECT_EQ(dir.Entries(), lijst{"in.mid"});
}

TEST(smf1to0, UnreadableInput) {
  TempDir dir;
  std::string in = UnreadableFile(dir);
  RunResult r = RunProgram(PROGRAM, {in, dir.Path("out.mid")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, in + ": cannot be read\n");
  EXPECT_FALSE(Exists(dir.Path("out.mid")));
}

TEST(smf1to0, MidicsvReadsTheSameEventsAtTheSameTimes) {
  if (!HaveMidicsv()) GTEST_SKIP() << "midicsv is not installed";
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), Smf(1, 480,
                                     {"00 FF 51 03 07 A1 20  00 FF 58 04 04 02 18 08  00 FF 2F 00",
                                      R"(00 FF 03 05 50 69 61 6E 6F   # Piano
                     00 C0 00  00 90 3C 64  83 60 3C 00  00 3E 64  83 60 3E 00  00 FF 2F 00)",
                                      R"(00 FF 05 02 4C 61  00 91 43 50  83 60 81 43 00
                     00 FF 05 02 6C 61  00 91 45 50  83 60 45 00  00 FF 2F 00)"}));
  RunResult r = RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("out.mid")});
  ASSERT_EQ(r.status, 0);
  // the input's events by time, ties in track order; every End of Track but the last becomes
  // the empty meta event
  std::vector<std::pair<int, std::string>> events;
  for (const std::string& record : Midicsv(dir.Path("in.mid"))) {
    size_t a = record.find(", ");
    size_t b = record.find(", ", a + 2);
    std::string rest = record.substr(b + 2);
    if (record.starts_with("0, ") || rest == "Start_track") continue;
    events.push_back({std::stoi(record.substr(a + 2, b - a - 2)),
                      rest == "End_track" ? "Unknown_meta_event, 15, 0" : rest});
  }
  ASSERT_EQ(events.size(), 17u);
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  events.back().second = "End_track";
  lijst want = {"0, 0, Header, 0, 1, 480", "1, 0, Start_track"};
  for (const auto& [time, rest] : events)
    want.push_back("1, " + std::to_string(time) + ", " + rest);
  want.push_back("0, 0, End_of_file");
  EXPECT_EQ(Midicsv(dir.Path("out.mid")), want);
}
