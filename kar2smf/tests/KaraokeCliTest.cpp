// kar2smf and smf2kar as programs: the rules every program shares, a .kar made by abc2midi
// (tests/files/song.kar, from song.abc) read by midicsv as the outside reference, and the files
// each refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestKit.h"

namespace {

const CommandLine kKar2smf = {
    KAR2SMF,
    Lines({"KAR2SMF", "", "Converts the karaoke texts of a MidiFile (.kar) to Lyric events", "",
           "Syntax: [program] [--both] [IMF] [OMF]", "", "IMF = name of Input MidiFile (.kar)",
           "OMF = name of Output MidiFile", "--both = the karaoke texts stay as well"}),
    ": does Not exist",
    {}};
const CommandLine kSmf2kar = {
    SMF2KAR,
    Lines({"SMF2KAR", "", "Converts the Lyric events of a MidiFile to karaoke texts (.kar)", "",
           "Syntax: [program] [--both] [IMF] [OMF]", "", "IMF = name of Input MidiFile",
           "OMF = name of Output MidiFile (.kar)", "--both = the Lyric events stay as well"}),
    ": does Not exist",
    {}};

const bytes kKar = SmfImage(0, 96, {"00 FF 01 02 2F 61 60 FF 01 02 20 62 00 FF 2F 00"});
const bytes kLyrics = SmfImage(0, 96, {"00 FF 05 02 61 20 60 FF 05 01 62 00 FF 2F 00"});

// The lines midicsv prints for name's texts and Lyric events.
std::string Words(const std::string& name) {
  std::string out;
  FILE* p = popen(("midicsv '" + name + "' 2>&1").c_str(), "r");
  char line[512];
  while (p && fgets(line, sizeof line, p)) {
    std::string l = line;
    if (l.find("Text_t") != std::string::npos || l.find("Lyric_t") != std::string::npos) out += l;
  }
  if (p) pclose(p);
  return out;
}

}  // namespace

TEST(kar2smf, SharedCommandLineRules) { ExpectCommandLine(kKar2smf, kKar, kLyrics); }

TEST(smf2kar, SharedCommandLineRules) {
  ExpectCommandLine(
      kSmf2kar, kLyrics,
      SmfImage(0, 96,
               {"00 FF 01 13 40 4B 4D 49 44 49 20 4B 41 52 41 4F 4B 45 20 46 49 4C 45 "
                "00 FF 01 06 40 56 30 31 30 30 00 FF 01 02 2F 61 60 FF 01 02 20 62 "
                "00 FF 2F 00"}));
}

// abc2midi's .kar: its words as Lyric events at the same ticks, read back by midicsv, and
// smf2kar gives back its texts with the headers a .kar reader looks for added
TEST(kar2smf, AFileOfAbc2midi) {
  TempDir dir;
  const std::string kar = std::string(FILES) + "/song.kar";
  ASSERT_EQ(RunProgram(KAR2SMF, {kar, dir.Path("song.mid")}).status, 0);
  EXPECT_EQ(Words(dir.Path("song.mid")), Lines({"1, 1, Text_t, \"@KMIDI KARAOKE FILE\"",
                                                "1, 1, Text_t, \"@ITest Song\"",
                                                "1, 1, Text_t, \"note track\"",
                                                "2, 0, Text_t, \"notes/lyric track\"",
                                                "2, 1, Lyric_t, \"Hel\"",
                                                "2, 481, Lyric_t, \"lo \"",
                                                "2, 961, Lyric_t, \"my \"",
                                                "2, 1441, Lyric_t, \"dear, \"",
                                                "2, 1921, Lyric_t, \"how \"",
                                                "2, 2401, Lyric_t, \"are \"",
                                                "2, 2881, Lyric_t, \"you \"",
                                                "2, 3361, Lyric_t, \"to\"",
                                                "2, 3841, Lyric_t, \"day \"",
                                                "2, 5761, Lyric_t, \"\\012\"",
                                                "2, 5761, Lyric_t, \"Sing \"",
                                                "2, 6241, Lyric_t, \"a\"",
                                                "2, 6721, Lyric_t, \"long \"",
                                                "2, 7201, Lyric_t, \"with \"",
                                                "2, 7681, Lyric_t, \"me \"",
                                                "2, 8161, Lyric_t, \"and \"",
                                                "2, 8641, Lyric_t, \"stay \"",
                                                "2, 9121, Lyric_t, \"a\"",
                                                "2, 9601, Lyric_t, \"while\""}));
  ASSERT_EQ(RunProgram(SMF2KAR, {dir.Path("song.mid"), dir.Path("back.kar")}).status, 0);
  std::string back = Words(kar);
  back.insert(0, "1, 0, Text_t, \"@V0100\"\n");
  back.insert(back.find("2, 0, "), "2, 0, Text_t, \"@TTest Song\"\n");
  EXPECT_EQ(Words(dir.Path("back.kar")), back);
}

TEST(kar2smf, RefusedFiles) {
  struct Case {
    const CommandLine& cli;
    bytes file;
    std::string out;
  } cases[] = {
      {kKar2smf, kLyrics, "No karaoke texts in <in>\n"},
      {kSmf2kar, kKar, "No lyrics in <in>\n"},
      {kKar2smf, SmfImage(0, 96, {"00 FF 01 01 2F 00 FF 05 01 62 00 FF 2F 00"}),
       "<in> holds Lyric events already: --both adds these to them\n"},
      {kSmf2kar, SmfImage(0, 96, {"00 FF 01 01 2F 00 FF 05 01 62 00 FF 2F 00"}),
       "<in> holds karaoke texts already: --both adds these to them\n"},
  };
  for (const Case& c : cases) ExpectRefused(c.cli, c.file, c.out);
}
