#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestKit.h"

namespace {

const std::string kUsage =
    Lines({"VERSE2CHAN", "", "Convert Lyric to Chantext channel", "",
           "Syntax: [program] [IMF] [OMF] [CH]", "", "IMF = name of Input MidiFile",
           "OMF = name of Output MidiFile", " CH = channel-number [0,15]"});

// A file of the given type and division 120 around the tracks, with "LY" in them made t: the
// type byte of the Lyric events, 05 in an input and 1n after relabelling.
bytes Song(uint16_t type, const lijst& tracks, const std::string& t) {
  lijst filled;
  for (const std::string& track : tracks) filled.push_back(replaceall(track, "LY", t));
  return SmfImage(type, 120, filled);
}

const lijst kTypeOne = {R"(
    00 FF 51 03 07 A1 20        # tempo
    00 FF 01 05 76 65 72 73 65  # text event
    00 FF LY 01 41              # lyric in the tempo track
    00 FF 2F 00)",
                        R"(
    00 99 24 64                 # drums on channel 9
    00 FF LY 00                 # empty lyric
    30 89 24 00
    00 FF 2F 00)",
                        R"(
    00 93 3C 40                 # notes on channel 3
    00 FF LY 03 6C 61 20        # lyric
    00 FF 12 02 6F 6B           # already relabelled to channel 2
    00 FF 06 02 6D 6B           # marker
    30 83 3C 00
    00 FF 2F 00)"};

// The program's command line with channel after the file names.
CommandLine Verse2chan(const std::string& channel) {
  return {PROGRAM, kUsage, ": does Not exist", {channel}};
}

}  // namespace

TEST(verse2chan, SharedCommandLineRules) {
  ExpectCommandLine(Verse2chan("8"), Song(1, kTypeOne, "05"), Song(1, kTypeOne, "18"));
}

TEST(verse2chan, ChannelOutOfRange) {
  // decimal digits only, shown as typed; a value too large for 32 bits does not wrap
  for (const std::string channel :
       {"16", "-1", "ch99", "x", "1x", "", " 3", "+3", "0x3", "4294967296", "99999999999"}) {
    SCOPED_TRACE(channel);
    std::string line = "Channel " + channel + " out of [0,15] range\n";
    ExpectRefused(Verse2chan(channel), Song(1, kTypeOne, "05"), line);
    // the channel is judged before the input is looked for
    EXPECT_EQ(RunProgram(PROGRAM, {"", "", channel}).out, line);
  }
}

TEST(verse2chan, LyricsGetTheChannelType) {
  struct Case {
    std::string name;
    uint16_t type;
    lijst tracks;                // "LY" stands for the type byte of the Lyric events
    std::string channel, lyric;  // the channel given and the type byte it makes
    std::string input = "05";    // the type byte of the Lyric events in the input
  } cases[] = {
      {"type 1, every track", 1, kTypeOne, "0", "10"},
      {"highest channel", 1, kTypeOne, "15", "1F"},
      {"leading zeros", 1, kTypeOne, "007", "17"},
      {"second run with another channel changes nothing", 1, kTypeOne, "11", "14", "14"},
      {"type 2", 2, {"00 FF LY 01 61  00 FF 2F 00", "00 FF LY 01 62  00 FF 2F 00"}, "9", "19"},
      {"type 0",
       0,
       {R"(00 FF 03 04 53 6F 6E 67   # track name
           00 C0 05                  # program change 5: a data byte 05 after a status
           00 FF LY 02 4C 61  00 90 3C 40  60 FF LY 02 6C 61  00 80 3C 00  00 FF 2F 00)"},
       "3",
       "13"},
      {"lyric bytes inside other events stay",
       0,
       {R"(00 F0 05 FF 05 01 61 F7   # sysex whose data holds FF 05 01 61
           00 F7 03 FF 05 00         # escape holding FF 05 00
           00 FF 01 04 FF 05 01 62   # text whose bytes are FF 05 01 62
           00 FF 7F 03 FF 05 00      # sequencer-specific event holding FF 05 00
           FF 05 90 3C 40            # delta time FF 05, then a note
           00 FF LY 03 FF 05 00      # lyric whose text is FF 05 00: only its type changes
           00 FF LY 05 05 05 05 05 05
           00 FF 2F 00)"},
       "12",
       "1C"},
      {"running status stays",
       0,
       {R"(00 90 3C 40  10 3E 40     # running status
           00 FF LY 01 61            # lyric between running-status notes
           10 40 40                  # running status goes on after a meta event
           00 C1 05  00 06           # program change 5, then one data byte in running status
           00 FF LY 01 62  00 FF 2F 00)"},
       "1",
       "11"},
      // the check walks from no running status and carries it from track to track; the
      // relabelling walk must do the same, or the 05 bytes below are read as other events
      {"events are cut as the check cut them",
       1,
       {R"(00 3C                     # a stray data byte: no running status yet
           00 FF LY 01 61  00 90 3C 40)",
        R"(00 3C 00                  # note in running status 90
           FF 05  01 61              # delta time FF 05, note in running status 90)"},
       "6",
       "16"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectConverted(Verse2chan(c.channel), Song(c.type, c.tracks, c.input), "",
                    Song(c.type, c.tracks, c.lyric));
  }
}

TEST(verse2chan, BytesAfterTheLastTrackAreKept) {
  // a track chunk the header does not announce, holding a lyric that stays
  const std::string after = "4D 54 72 6B 00 00 00 04  00 FF 05 00";
  ExpectConverted(Verse2chan("2"), SmfImage(0, 120, {"00 FF 05 01 61  00 FF 2F 00"}, after),
                  "# midi bytes (31) < file size (43)\n",
                  SmfImage(0, 120, {"00 FF 12 01 61  00 FF 2F 00"}, after));
}

TEST(verse2chan, RejectedFilesWriteNothing) {
  // the structure check's lines are all tested with the check; here only that one reaches the
  // user: 4 bytes of track stated as 3
  ExpectRefused(Verse2chan("0"), SmfImage(0, 120, {"00 FF 2F"}, "00"),
                "Event > track size at : 26\n");
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
