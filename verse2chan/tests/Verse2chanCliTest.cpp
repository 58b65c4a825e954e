#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestKit.h"

namespace {

const std::string kUsage =
    Lines({"VERSE2CHAN", "", "Convert Lyric to Chantext channel", "",
           "Syntax: [program] [IMF] [OMF] [CH]", "", "IMF = name of Input MidiFile",
           "OMF = name of Output MidiFile", " CH = channel-number [0,15]"});

// A file of the given type, division 120, one track chunk around the annotated hex of each
// track's data.
bytes Smf(uint8_t type, const std::vector<std::string>& tracks) {
  bytes file = Hex("4D 54 68 64  00 00 00 06");
  file.insert(file.end(), {0x00, type, 0x00, static_cast<uint8_t>(tracks.size()), 0x00, 0x78});
  for (const std::string& track : tracks) {
    bytes data = Hex(track);
    uint32_t n = static_cast<uint32_t>(data.size());
    file.insert(file.end(), {0x4D, 0x54, 0x72, 0x6B, static_cast<uint8_t>(n >> 24),
                             static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                             static_cast<uint8_t>(n)});
    file.insert(file.end(), data.begin(), data.end());
  }
  return file;
}

// Files whose Lyric events carry the meta type t (05 in the input, 1n after relabelling).

bytes TypeZero(const std::string& t) {
  return Smf(0, {R"(
    00 FF 03 04 53 6F 6E 67   # track name
    00 C0 05                  # program change 5: a data byte 05 after a status
    00 FF )" + t +
                 R"( 02 4C 61   # lyric
    00 90 3C 40
    60 FF )" + t +
                 R"( 02 6C 61   # lyric
    00 80 3C 00
    00 FF 2F 00
  )"});
}

bytes TypeOne(const std::string& t) {
  return Smf(1, {R"(
    00 FF 51 03 07 A1 20      # tempo
    00 FF 01 05 76 65 72 73 65  # text event
    00 FF )" + t + R"( 01 41      # lyric in the tempo track
    00 FF 2F 00
  )",
                 R"(
    00 99 24 64               # drums on channel 9
    00 FF )" + t + R"( 00         # empty lyric
    30 89 24 00
    00 FF 2F 00
  )",
                 R"(
    00 93 3C 40               # notes on channel 3
    00 FF )" + t + R"( 03 6C 61 20  # lyric
    00 FF 12 02 6F 6B         # already relabelled to channel 2
    00 FF 06 02 6D 6B         # marker
    30 83 3C 00
    00 FF 2F 00
  )"});
}

bytes TypeTwo(const std::string& t) {
  return Smf(2, {"00 FF " + t + " 01 61  00 FF 2F 00", "00 FF " + t + " 01 62  00 FF 2F 00"});
}

// Writes in as the input file and runs the program on it with channel into "out.mid".
RunResult Relabel(const TempDir& dir, const bytes& in, const std::string& channel) {
  WriteBytes(dir.Path("in.mid"), in);
  return RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("out.mid"), channel});
}

}  // namespace

TEST(verse2chan, UsageOnWrongArgumentCount) {
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), TypeZero("05"));
  std::string in = dir.Path("in.mid"), out = dir.Path("out.mid");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {in, out}, {in, out, "3", "4"}}) {
    SCOPED_TRACE(args.size());
    RunResult r = RunProgram(PROGRAM, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, kUsage);
  }
  EXPECT_EQ(dir.Entries(), lijst{"in.mid"});
}

TEST(verse2chan, ChannelOutOfRange) {
  struct Case {
    std::string channel, line;
  } cases[] = {
      {"16", "Channel 16 out of [0,15] range"},
      {"-1", "Channel -1 out of [0,15] range"},
      {"1-5", "Channel -15 out of [0,15] range"},
      {"ch99", "Channel 99 out of [0,15] range"},
  };
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), TypeZero("05"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    RunResult r = RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("out.mid"), c.channel});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, c.line + "\n");
    // the channel is judged before the input is looked for
    r = RunProgram(PROGRAM, {dir.Path("none.mid"), dir.Path("out.mid"), c.channel});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, c.line + "\n");
  }
  EXPECT_EQ(dir.Entries(), lijst{"in.mid"});
}

TEST(verse2chan, MissingInput) {
  TempDir dir;
  WriteText(dir.Path("out.mid"), "keep");
  RunResult r = RunProgram(PROGRAM, {dir.Path("none.mid"), dir.Path("out.mid"), "3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path("none.mid") + ": does Not exist\n");
  EXPECT_EQ(ReadText(dir.Path("out.mid")), "keep");
  // a folder is no file
  r = RunProgram(PROGRAM, {dir.Path("."), dir.Path("new.mid"), "3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path(".") + ": does Not exist\n");
  EXPECT_FALSE(Exists(dir.Path("new.mid")));
}

TEST(verse2chan, LyricsOfEveryTrackGetTheChannelType) {
  struct Case {
    std::string channel, type;
  } channels[] = {{"0", "10"}, {"15", "1F"}, {"9", "19"}, {"x", "10"}, {"ch7", "17"}};
  bytes (*files[])(const std::string&) = {TypeZero, TypeOne, TypeTwo};
  TempDir dir;
  for (auto file : files) {
    for (const Case& c : channels) {
      SCOPED_TRACE("type " + std::to_string(file("05")[9]) + ", channel " + c.channel);
      RunResult r = Relabel(dir, file("05"), c.channel);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(ReadBytes(dir.Path("out.mid")), file(c.type));
    }
  }
}

TEST(verse2chan, FileWithoutLyricsIsCopied) {
  bytes in = Smf(1, {R"(
    00 FF 01 04 74 65 78 74   # text
    00 FF 03 02 54 31         # track name
    00 FF 2F 00
  )",
                     R"(
    00 F0 03 43 12 F7         # sysex
    00 90 3C 40
    10 3E 40                  # running status
    00 FF 15 01 61            # lyric of channel 5 already
    00 FF 2F 00
  )"});
  TempDir dir;
  for (const char* channel : {"0", "15"}) {
    SCOPED_TRACE(channel);
    RunResult r = Relabel(dir, in, channel);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(dir.Path("out.mid")), in);
  }
}

TEST(verse2chan, SecondRunWithAnotherChannelChangesNothing) {
  TempDir dir;
  ASSERT_EQ(Relabel(dir, TypeOne("05"), "4").status, 0);
  ASSERT_EQ(ReadBytes(dir.Path("out.mid")), TypeOne("14"));
  RunResult r = RunProgram(PROGRAM, {dir.Path("out.mid"), dir.Path("again.mid"), "11"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("again.mid")), TypeOne("14"));
}

TEST(verse2chan, LyricBytesInsideOtherEventsStay) {
  auto file =
      [](const std::string& t) {
        return Smf(0, {R"(
      00 F0 05 FF 05 01 61 F7   # sysex whose data holds FF 05 01 61
      00 F7 03 FF 05 00         # escape holding FF 05 00
      00 FF 01 04 FF 05 01 62   # text whose bytes are FF 05 01 62
      00 FF 7F 03 FF 05 00      # sequencer-specific event holding FF 05 00
      FF 05 90 3C 40            # delta time FF 05, then a note
      00 FF )" + t + R"( 03 FF 05 00  # lyric whose text is FF 05 00: only its type changes
      00 FF )" + t + R"( 05 05 05 05 05 05  # lyric of five bytes 05
      00 FF 2F 00
    )"});
      };
  TempDir dir;
  RunResult r = Relabel(dir, file("05"), "12");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("out.mid")), file("1C"));
}

TEST(verse2chan, RunningStatusStays) {
  auto file =
      [](const std::string& t) {
        return Smf(0, {R"(
      00 90 3C 40               # note on, status written
      10 3E 40                  # running status: status left out
      00 FF )" + t + R"( 01 61      # lyric between running-status notes
      10 40 40                  # running status goes on after a meta event
      00 C1 05                  # program change 5
      00 06                     # running status with one data byte
      00 FF )" + t + R"( 01 62
      00 FF 2F 00
    )"});
      };
  TempDir dir;
  RunResult r = Relabel(dir, file("05"), "1");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("out.mid")), file("11"));
}

TEST(verse2chan, EventsAreCutAsTheCheckCutThem) {
  // The check walks from no running status and carries it from track to track; the relabelling
  // walk must do the same, or the 05 bytes below are read as different events.
  auto file = [](const std::string& t) {
    return Smf(1, {R"(
      00 3C                     # a stray data byte: no running status yet
      00 FF )" + t + R"( 01 61      # lyric
      00 90 3C 40               # running status 90 from here on
    )",
                   R"(
      00 3C 00                  # note in running status 90
      FF 05                     # delta time
      01 61                     # note in running status 90
    )"});
  };
  TempDir dir;
  RunResult r = Relabel(dir, file("05"), "6");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("out.mid")), file("16"));
}

TEST(verse2chan, BytesAfterTheLastTrackAreKept) {
  auto file = [](const std::string& t) {
    bytes f = Smf(0, {"00 FF " + t + " 01 61  00 FF 2F 00"});  // ends at 31
    bytes after = Hex(R"(
      4D 54 72 6B 00 00 00 04   # a track chunk the header does not announce
      00 FF 05 00               # holding a lyric that stays
    )");
    f.insert(f.end(), after.begin(), after.end());
    return f;
  };
  TempDir dir;
  RunResult r = Relabel(dir, file("05"), "2");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "# midi bytes (31) < file size (43)\n");
  EXPECT_EQ(ReadBytes(dir.Path("out.mid")), file("12"));
}

TEST(verse2chan, SameNameForInputAndOutput) {
  TempDir dir;
  WriteBytes(dir.Path("song.mid"), TypeOne("05"));
  RunResult r = RunProgram(PROGRAM, {dir.Path("song.mid"), dir.Path("song.mid"), "8"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(dir.Path("song.mid")), TypeOne("18"));
  EXPECT_EQ(dir.Entries(), lijst{"song.mid"});
}

TEST(verse2chan, ReplacesExistingOutputWhole) {
  TempDir dir;
  WriteText(dir.Path("out.mid"), std::string(10000, 'o'));
  EXPECT_EQ(Relabel(dir, TypeZero("05"), "3").status, 0);
  EXPECT_EQ(ReadBytes(dir.Path("out.mid")), TypeZero("13"));
}

TEST(verse2chan, RejectedFilesWriteNothing) {
  struct Case {
    std::string file, line;
  } cases[] = {
      {"", "No MidiFile Read yet"},
      {"4D 54 68 64 00 00 00 06 00 00 00 01 00 78", "MidiFile <= 14 bytes"},
      {"52 49 46 46 00 00 00 06 00 00 00 01 00 78 00", "RIFF <> \"MThd\" in MF header"},
      {"4D 54 68 64 00 00 00 07 00 00 00 01 00 78 00", "Header chunk size not 6"},
      {"4D 54 68 64 00 00 00 06 00 03 00 01 00 78 00", "Error in header: type MF = 3"},
      {"4D 54 68 64 00 00 00 06 00 01 00 01 00 78  4D 54 72 6B 00 00 00 04 00 FF 2F 00",
       "Type 1 and # tracks 1 incompatible"},
      {"4D 54 68 64 00 00 00 06 00 00 00 01 E2 50  4D 54 72 6B 00 00 00 04 00 FF 2F 00",
       "Unsupported (SMPTE) # ticks"},
      {"4D 54 68 64 00 00 00 06 00 00 00 01 00 00  4D 54 72 6B 00 00 00 04 00 FF 2F 00",
       "# ticks must be > 0"},
      {"4D 54 68 64 00 00 00 06 00 00 00 01 00 78  4D 54 72 6C 00 00 00 04 00 FF 2F 00",
       "MTrl <> \"MTrk\" in Track header at byte 14"},
      {R"(4D 54 68 64 00 00 00 06 00 00 00 01 00 78
          4D 54 72 6B 00 00 00 0E   # ends 10 bytes past the file
          00 FF 05 00)",
       "# midi bytes (36) > file size (26)"},
      {R"(4D 54 68 64 00 00 00 06 00 00 00 01 00 78
          4D 54 72 6B 80 00 00 00   # length 80000000 hex
          00 FF 05 00)",
       "# midi bytes (2147483670) > file size (26)"},
      {R"(4D 54 68 64 00 00 00 06 00 01 00 02 00 78   # two tracks announced
          4D 54 72 6B 00 00 00 04 00 FF 05 00)",
       "# midi bytes (34) > file size (26)"},
      {R"(4D 54 68 64 00 00 00 06 00 00 00 01 00 78
          4D 54 72 6B 00 00 00 03   # 4 bytes stated as 3
          00 FF 2F 00)",
       "Event > track size at : 26"},
      {R"(4D 54 68 64 00 00 00 06 00 00 00 01 00 78
          4D 54 72 6B 00 00 00 05   # track ends at 27
          00 FF 05 00
          81 00                     # a delta time that ends at 28)",
       "Time > track size at : 28"},
  };
  TempDir dir;
  WriteText(dir.Path("old.mid"), "keep");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    WriteBytes(dir.Path("in.mid"), Hex(c.file));
    RunResult r = RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("new.mid"), "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, c.line + "\n");
    r = RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("old.mid"), "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, c.line + "\n");
    EXPECT_EQ(dir.Entries(), (lijst{"in.mid", "old.mid"}));
    EXPECT_EQ(ReadText(dir.Path("old.mid")), "keep");
  }
}

TEST(verse2chan, OutputInMissingFolder) {
  TempDir dir;
  RunResult r = Relabel(dir, TypeZero("05"), "0");
  ASSERT_EQ(r.status, 0);
  r = RunProgram(PROGRAM, {dir.Path("in.mid"), dir.Path("no/out.mid"), "0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path("no/out.mid") + ": cannot be written\n");
  EXPECT_EQ(dir.Entries(), (lijst{"in.mid", "out.mid"}));
}

TEST(verse2chan, UnreadableInput) {
  TempDir dir;
  std::string in = UnreadableFile(dir);
  RunResult r = RunProgram(PROGRAM, {in, dir.Path("out.mid"), "0"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, in + ": cannot be read\n");
  EXPECT_FALSE(Exists(dir.Path("out.mid")));
}

TEST(verse2chan, ChainFromLyricSheet) {
  TempDir dir;
  std::string mev = dir.Path("song.mev"), in = dir.Path("song.mid"), out = dir.Path("chan.mid");
  ASSERT_EQ(RunProgram(LYS2MEV, {std::string(EXAMPLES) + "/song.lys", mev}).status, 0);
  ASSERT_EQ(RunProgram(MEV2SMF, {mev, in}).status, 0);
  RunResult r = RunProgram(PROGRAM, {in, out, "5"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  // only type bytes of meta events change, 05 into 15
  bytes before = ReadBytes(in), after = ReadBytes(out);
  ASSERT_EQ(after.size(), before.size());
  int changed = 0;
  for (size_t i = 1; i < before.size(); i++) {
    if (before[i] == after[i]) continue;
    SCOPED_TRACE(i);
    EXPECT_EQ(before[i - 1], 0xFF);
    EXPECT_EQ(before[i], 0x05);
    EXPECT_EQ(after[i], 0x15);
    changed++;
  }
  EXPECT_EQ(before[0], after[0]);
  EXPECT_GT(changed, 0);

  if (!HaveMidicsv()) GTEST_SKIP() << "midicsv is not installed";
  std::vector<std::string> was = Midicsv(in), is = Midicsv(out);
  ASSERT_FALSE(was.empty());
  ASSERT_EQ(is.size(), was.size());
  int lyrics = 0;
  for (size_t i = 0; i < was.size(); i++) {
    SCOPED_TRACE(was[i]);
    size_t k = was[i].find("Lyric_t, \"");
    if (k == std::string::npos) {
      EXPECT_EQ(is[i], was[i]);
      continue;
    }
    // the song's lyrics are plain text, so the quoted field holds the bytes as they are
    std::string text = was[i].substr(k + 10, was[i].size() - k - 11);
    std::string want =
        was[i].substr(0, k) + "Unknown_meta_event, 21, " + std::to_string(text.size());
    for (unsigned char c : text) want += ", " + std::to_string(c);
    EXPECT_EQ(is[i], want);
    lyrics++;
  }
  EXPECT_EQ(lyrics, changed);
}
