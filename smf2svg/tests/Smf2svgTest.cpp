// The picture's elements for small songs (which notes, which syllables, where they start),
// and the example song's picture: the one the README shows, drawn by rsvg-convert.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "Picture.h"
#include "TestKit.h"

namespace {

// The notes ("KEY@TICK x=X w=W"), syllables ("TEXT x=X"), breaks and held notes of a picture.
std::string Elements(const std::string& svg) {
  static const std::regex element(
      R"re(<rect class="note" data-key="(\d+)" data-tick="(\d+)" x="([\d.]+)" y="[\d.]+" )re"
      R"re(width="([\d.]+)"|<text class="(syllable|break)" x="([\d.]+)"[^>]*>([^<]*)<)re"
      R"re(|<line class="held" x1="([\d.]+)")re");
  std::string list;
  for (std::sregex_iterator i(svg.begin(), svg.end(), element), end; i != end; ++i) {
    const std::smatch& e = *i;
    std::string item = e[1].matched
                           ? e[1].str() + "@" + e[2].str() + " x=" + e[3].str() + " w=" + e[4].str()
                       : e[5].matched ? e[7].str() + " x=" + e[6].str()
                                      : "held x=" + e[8].str();
    list += (list.empty() ? "" : "; ") + item;
  }
  return list;
}

}  // namespace

TEST(smf2svg, SharedCommandLineRules) {
  const CommandLine cli = {
      PROGRAM,
      Lines({"SMF2SVG", "", "Draws a MidiFile as a piano roll with its lyrics (SVG)", "",
             "Syntax: [program] [--bars N] [--track N] [IMF] [OSF]", "",
             "IMF = name of Input MidiFile", "OSF = name of Output SVG file",
             "--bars N = bars a row [1,64] (default: 4)",
             "--track N = draw only the notes of track N, from 1 (default: every track)"}),
      ": does Not exist",
      {},
      "SVG"};
  Midi m;
  m.image = SmfImage(0, 96, {"00 FF 2F 00"});
  conventions holds;
  std::string svg = Picture(m, holds, drawing{});
  ExpectCommandLine(cli, m.image, bytes(svg.begin(), svg.end()));
}

TEST(smf2svg, ElementsOfSmallSongs) {
  // 96 ticks a quarter note, 48 pixels: half a pixel a tick, from x=44
  struct Case {
    std::string track;
    std::string elements;
  } cases[] = {
      // a chord with its syllable
      {"00 FF 05 02 6C 61 00 90 3C 64 00 40 64 60 80 3C 00 00 40 00",
       "60@0 x=44 w=48; 64@0 x=44 w=48; la x=44"},
      // a held syllable, and a line break after the next
      {"00 FF 05 01 61 00 90 3C 64 60 FF 05 00 00 3E 64 60 FF 05 03 62 0D 0A 00 40 64 "
       "60 80 3C 00 00 3E 00 00 40 00",
       "60@0 x=44 w=144; 62@96 x=92 w=96; 64@192 x=140 w=48; a x=44; held x=92; b x=140; / x=140"},
      // a note never switched off lasts to the track's end; a Latin-1 byte is its character
      {"00 FF 05 01 E9 00 90 3C 64 83 00 FF 01 00", "60@0 x=44 w=192; \xC3\xA9 x=44"},
      {"00 FF 01 01 78", ""},  // no notes: an empty roll
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.track);
    Midi m;
    m.image = SmfImage(0, 96, {c.track + " 00 FF 2F 00"});
    conventions holds;
    bool ok;
    checkfile(m, ok, Guards::AtTrackEnd, holds);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Elements(Picture(m, holds, drawing{})), c.elements);
  }
}

// The picture the README shows is the one the program draws of the example song today, and
// rsvg-convert draws it as a PNG.
TEST(smf2svg, TheExampleSongsPicture) {
  TempDir dir;
  const std::string examples = EXAMPLES;
  ASSERT_EQ(
      RunProgram(SMF2MEV, {examples + "/melody.mid", dir.Path("song.mev"), examples + "/song.lys"})
          .status,
      0);
  ASSERT_EQ(RunProgram(MEV2SMF, {dir.Path("song.mev"), dir.Path("song.mid")}).status, 0);
  ASSERT_EQ(RunProgram(PROGRAM, {dir.Path("song.mid"), dir.Path("song.svg")}).status, 0);
  EXPECT_EQ(ReadText(dir.Path("song.svg")), ReadText(std::string(DOCS) + "/song.svg"));
  if (std::system(("command -v rsvg-convert > '" + dir.Path("which") + "'").c_str()) != 0) {
    GTEST_SKIP() << "no rsvg-convert";
  }
  std::string command = "rsvg-convert '" + dir.Path("song.svg") + "' -o '" + dir.Path("song.png") +
                        "' 2>'" + dir.Path("err") + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.Path("err"));
  EXPECT_TRUE(ReadText(dir.Path("song.png")).starts_with("\x89PNG"));
}
