#include <gtest/gtest.h>

#include "Compiler.h"
#include "TestKit.h"

namespace {

// The outcome of compiling a MEV text held in memory.
struct Compiled {
  bool ok;
  bytes image;
  std::string out;
};

Compiled Compile(const std::string& text) {
  textreader in;
  in.OpenText(text);
  Midi m;
  CoutCapture out;
  bool ok = CompileMev(in, m);
  return {ok, m.image, out.Text()};
}

// The lines joined with LF line ends.
std::string Mev(const std::vector<std::string>& lines) { return Lines(lines); }

}  // namespace

TEST(IsTimeLine, TableWithTimeStamps) {
  struct Case {
    std::string line;
    bool time;
    std::string stamp;
  } cases[] = {
      {"120", true, "120"},    {" 60", true, " 60"},   {"   ", true, "   "},
      {" la la", true, " "},   {"1 20", true, "1 20"}, {"120 2nd beat", true, "120 2"},
      {"120x", false, ""},     {"x 120", false, ""},   {"\t60", false, ""},  // a tab is no blank
      {"60\tbeat", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(IsTimeLine(c.line), c.time);
    if (c.time) {
      EXPECT_EQ(GetTimeStamp(c.line), c.stamp);
    }
  }
}

TEST(EstimateLineSize, Table) {
  struct Case {
    std::string line;
    int32_t size;
  } cases[] = {
      {"File 0 (1) 120", 14},       {"Track #1", 8}, {"0", 2},       {"1234", 3},      {"12345", 4},
      {"Meta $05(Lyric) Sun_", 21}, {"P 0 1", 3},    {"H 1 2 3", 6}, {"* comment", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(EstimateLineSize(c.line), c.size);
  }
}

TEST(FindTrackStarts, LineNumbersOfTrackLinesAfterCountTracks) {
  // the two passes over one text, as the compiler makes them
  textreader in;
  in.OpenText(Mev({"File 1 96", "* preamble", "Track #1", "0", "Meta $05(Lyric) Sun_",
                   "Tempo line is a track", "Meta $2F", "T", "N 0 60 100"}));
  int32_t tracks = -1;
  int64_t estimate = -1;
  CountTracks(in, tracks, estimate);
  EXPECT_EQ(tracks, 3);
  EXPECT_EQ(estimate, 14 + 4 + 8 + 2 + 21 + 8 + 9 + 8 + 4);
  integers starts(4);
  FindTrackStarts(in, starts);
  EXPECT_EQ(starts, (integers{3, 6, 8, 10}));
}

TEST(CompileMev, TwelveLineExample) {
  Compiled c = Compile(Mev({
      "File 1 (2) 96",
      "Track #1",
      "* tempo and lyrics",
      "0",
      "Meta $51(Tempo) 500000",
      "120",
      "240 bar 2",
      "N 0 60 100",
      "N 0 62 100",
      "Meta $2F(TrkEnd)",
      "Track #2",
      "Meta $2F(TrkEnd)",
  }));
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.out, "");
  EXPECT_EQ(c.image, Hex(R"(
      4D 54 68 64 00 00 00 06 00 01 00 02 00 60   # type 1, 2 tracks, 96 ticks
      4D 54 72 6B 00 00 00 17
      00 FF 51 03 07 A1 20   # 0, tempo
      78                     # 120
      FF 0F 00 81 70         # 240 bar 2
      90 3C 64
      00 3E 64               # running status
      00 FF 2F 00
      4D 54 72 6B 00 00 00 04
      00 FF 2F 00
  )"));
}

TEST(CompileMev, TrackBodies) {
  struct Case {
    std::string name;
    std::vector<std::string> lines;  // after the header line and the track line
    std::string body;
  } cases[] = {
      {"comment and empty line between time lines",
       {"120", "* comment", "", "240", "N 0 60 100"},
       "78 FF 0F 00 81 70 90 3C 64"},
      {"events without time lines", {"O $F8", "O $FA"}, "00 F8 00 FA"},
      {"digits after blanks", {"120 2nd beat", "O 5"}, "89 32 05"},  // 1202
      {"line of blanks", {"   ", "O 5"}, "00 05"},
      {"largest delta time", {"268435455", "O 5"}, "FF FF FF 7F 05"},
      {"leading zeros", {std::string(254, '0') + "7", "O 5"}, "07 05"},
      {"ends with a time line", {"N 0 60 100", "96"}, "00 90 3C 64 60"},
      {"only comments", {"* a", "* b"}, ""},
      {"data byte over 127 keeps its status",
       {"P 1 12", "P 1 200", "P 1 13"},
       "00 C1 0C 00 C1 C8 00 0D"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = {"File 0 (1) 96", "Track"};
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    Compiled r = Compile(Mev(lines));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.image, SmfImage(0, 96, {c.body}));
  }
}

TEST(CompileMev, PreambleAndTrackCount) {
  Compiled c = Compile(
      "File 0 (9) 96\r\n* notes\r\nName: x\r\n\r\n120\r\nO 4\r\nTempo 120\r\nN 0 60 100\r\n"
      "Track 2\r\nN 0 62 100\r\n\x1AX 1 2\r\n");
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.out, "");
  EXPECT_EQ(c.image, Hex(R"(
      4D 54 68 64 00 00 00 06 00 00 00 02 00 60   # two track lines, whatever (9) says
      4D 54 72 6B 00 00 00 04  00 90 3C 64        # "Tempo 120" starts the first track
      4D 54 72 6B 00 00 00 04  00 90 3E 64        # no running status across tracks;
                                                  # the text ends at byte 1A
  )"));
}

TEST(CompileMev, GrowsPastTheEstimate) {
  // each time line after the first costs an empty meta event besides its own byte
  std::vector<std::string> lines = {"File 0 (1) 96", "Track"};
  for (int i = 0; i < 1000; i++) lines.push_back("1");
  lines.push_back("N 0 60 100");
  std::string body = "01";
  for (int i = 1; i < 1000; i++) body += " FF 0F 00 01";
  Compiled c = Compile(Mev(lines));
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.image, SmfImage(0, 96, {body + " 90 3C 64"}));
}

TEST(CompileMev, RefusedTexts) {
  struct Case {
    std::string text;
    std::string out;
  } cases[] = {
      {"", "NO MidiFile header\n"},
      {"\nFile 0 96\nTrack\n", "NO MidiFile header\n"},
      {"File 0 (1) 120\n* no track\nN 0 60 100\n", "NO Tracks found\n"},
      {Mev({"File 0 96", "Track", "0", "X 1 2", "N 0 60", "Meta $2F"}),
       Lines({"Error in line 4: X 1 2", "Error in line 5: N 0 60"})},
      {Mev({"File 1 96", "* pre", "Track", "Meta $03 \"open", "Track", "O", "Meta $51"}),
       Lines({"Error in line 4: Meta $03 \"open", "Error in line 6: O",
              "Error in line 7: Meta $51"})},
      {Mev({"File 0 96", "Track", "268435456", "O 5", "268435455", "O 5"}),
       Lines({"Error in line 3: 268435456"})},
      {Mev({"File 0 96", "Track", std::string(255, '0'), std::string(256, '0'), "O 5"}),
       Lines({"Error in line 4: " + std::string(256, '0')})},
      {Mev({"File 0 96", "Track", "99999999999", "O 5"}), Lines({"Error in line 3: 99999999999"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    Compiled r = Compile(c.text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(CompileMev, TrackCountLimit) {
  std::string text = "File 1 96\n";
  for (int i = 0; i < 65535; i++) text += "T\n";
  Compiled c = Compile(text);
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.out, "");
  ASSERT_EQ(c.image.size(), 14u + 65535u * 8u);
  EXPECT_EQ(bytes(c.image.begin() + 10, c.image.begin() + 12), Hex("FF FF"));

  c = Compile(text + "T\n");
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.out, "Too many tracks: 65536 > 65535\n");
}
