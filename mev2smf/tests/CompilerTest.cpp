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
      {"line of blanks", {"   ", "O 5"}, "00 05"},
      {"largest delta time", {"268435455", "O 5"}, "FF FF FF 7F 05"},
      {"leading zeros", {std::string(254, '0') + "7", "O 5"}, "07 05"},
      {"only comments", {"* a", "* b"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> lines = {"File 0 (1) 96", "Track"};
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    lines.push_back("Meta $2F");
    Compiled r = Compile(Mev(lines));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.image, SmfImage(0, 96, {c.body + " 00 FF 2F 00"}));
  }
}

TEST(CompileMev, PreambleAndTrackCount) {
  Compiled c = Compile(
      "File 0 (9) 96\r\n* notes\r\nName: x\r\n\r\n120\r\nO 4\r\nTempo 120\r\nN 0 60 100\r\n"
      "Track 2\r\nN 0 62 100\r\n\x1AX 1 2\r\n");
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(
      c.out,
      Lines({"Warning in line 1: File 0 (9) 96 (type 0 with 2 tracks: use type 1)",
             "Warning in line 7: Tempo 120 (starts track 1; comments begin with *)",
             "Warning in line 8: N 0 60 100 (the track ends without Meta $2F(TrkEnd): one is "
             "added)",
             "Warning in line 10: N 0 62 100 (the track ends without Meta $2F(TrkEnd): one is "
             "added)"}));
  EXPECT_EQ(c.image, Hex(R"(
      4D 54 68 64 00 00 00 06 00 00 00 02 00 60   # two track lines, whatever (9) says
      4D 54 72 6B 00 00 00 08  00 90 3C 64        # "Tempo 120" starts the first track
                               00 FF 2F 00        # the End of Track added
      4D 54 72 6B 00 00 00 08  00 90 3E 64        # no running status across tracks;
                               00 FF 2F 00        # the text ends at byte 1A
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
  EXPECT_EQ(c.image, SmfImage(0, 96, {body + " 90 3C 64 00 FF 2F 00"}));
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
       Lines({"Error in line 4: X 1 2 (1 is no status byte: X takes $80 to $FF first)",
              "Error in line 5: N 0 60 (Note takes 3 numbers: channel, key, velocity)"})},
      {Mev({"File 1 96", "* pre", "Track", "Meta $03 \"open", "Track", "O", "Meta $51"}),
       Lines({"Error in line 4: Meta $03 \"open (a double quote is not closed)",
              "Error in line 6: O (O takes a byte)",
              "Error in line 7: Meta $51 (Tempo takes 1 number: microseconds a quarter note)"})},
      {Mev({"File 0 96", "Track", "268435456", "O 5", "268435455", "O 5", "Meta $2F"}),
       Lines({"Error in line 3: 268435456 (a time is at most 268435455)"})},
      {Mev({"File 0 96", "Track", std::string(255, '0'), std::string(256, '0'), "O 5", "Meta $2F"}),
       Lines({"Error in line 4: " + std::string(256, '0') +
              " (a time line holds at most 255 digits and blanks)"})},
      {Mev({"File 0 96", "Track", "99999999999", "O 5", "Meta $2F"}),
       Lines({"Error in line 3: 99999999999 (a time is at most 268435455)"})},
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
  for (int i = 0; i < 65535; i++) text += "Track\nMeta $2F\n";
  Compiled c = Compile(text);
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.out, "");
  ASSERT_EQ(c.image.size(), 14u + 65535u * 12u);
  EXPECT_EQ(bytes(c.image.begin() + 10, c.image.begin() + 12), Hex("FF FF"));

  c = Compile(text + "Track\n");
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.out, "Too many tracks: 65536 > 65535\n");
}

// Each line compiled as line 3 of a file of one track that ends after it: the reasons printed
// for it, and the event it makes, the same as before there were warnings ("-": refused). The
// docs' examples add a warning of each kind in whole files.
TEST(CompileMev, LineWarningsAndRefusals) {
  const std::string kAnyBytes = ": write X $FF $05 ... for any bytes";
  struct Case {
    std::string line;
    lijst reasons;
    std::string event;
  } cases[] = {
      // the first word: a spelling of its kind from the docs, or the kind it is read as
      {"NoteOn 15 127 1", {}, "9F 7F 01"},
      {"Note-on 0 0 100 (C4)", {}, "90 00 64"},
      {"Aftertouch 1 64", {}, "D1 40"},
      {"M $21 1", {}, "FF 21 01 01"},
      {"Meta\t$21 1", {}, "FF 21 01 01"},
      {"Pitch 0 200", {"read as Program", "200 is not 0 to 127: byte C8"}, "C0 C8"},
      {"NOTE 0 60 100", {"read as Note"}, "90 3C 64"},
      {"Hex $F8", {"read as H"}, "F7 01 F8"},
      // channels, data bytes and bends at their bounds: what the byte becomes
      {"C 0 7 -1", {"-1 is not 0 to 127: byte FF"}, "B0 07 FF"},
      {"N 17 128 300",
       {"channel 17 is not 0 to 15: status 91", "128 is not 0 to 127: byte 80",
        "300 is not 0 to 127: byte 2C"},
       "91 80 2C"},
      {"B 0 -8193", {"bend -8193 is not -8192 to 8191: bytes 7F FF"}, "E0 7F FF"},
      {"B 0 -8192", {}, "E0 00 00"},
      // a number against letters, one warning a line; remarks, quotes, hexadecimal digits and
      // word texts hold no such numbers
      {"Note 1 C4 E4", {"C4: a number next to letters"}, "91 04 04"},
      {"P 0x10", {"0x10: a number next to letters"}, "C0 0A"},
      {"Note 0 60 100 (C4) \"E4\"", {}, "90 3C 64"},
      {"N 0 $3C $7F", {}, "90 3C 7F"},
      {"Meta $05(Lyric) 2nd", {}, "FF 05 03 32 6E 64"},
      // tempo in microseconds a quarter note, not beats a minute
      {"Meta $51 0", {"0 microseconds a quarter note"}, "FF 51 03 00 00 00"},
      {"Meta $51 10000", {}, "FF 51 03 00 27 10"},
      // texts that would not reach the event whole are refused; the X line carries any bytes
      {"Meta\t$05(Lyric)\tSun", {"a tab is no blank" + kAnyBytes}, "-"},
      {"Meta $03 \"x\" (\"y\")",
       {"a text ends at its second double quote: write X $FF $03 ... for any bytes"},
       "-"},
      // texts that lose nothing are not; a tab in a syllable is kept, as lys2mev writes it
      {"Meta $05(Lyric)", {}, "FF 05 00"},
      {"Meta $05(Lyric) ", {}, "FF 05 00"},
      {"Meta $05(Lyric)\t", {}, "FF 05 00"},
      {"Meta $05(Lyric) a\tb", {}, "FF 05 03 61 09 62"},
      {"Meta $12 \ta", {"a tab at the start or end of the text"}, "FF 12 02 09 61"},
      {"Meta $03 \"x\" (y)", {}, "FF 03 01 78"},
      {"Meta $05(Lyric)\tSun day", {"a tab is no blank" + kAnyBytes}, "-"},
      {"Meta $05(Lyric) Hel lo",
       {"a lyric is one word: write Hel_lo for one syllable with a blank"},
       "-"},
      // every other refused line says why
      {"Note 0 60", {"Note takes 3 numbers: channel, key, velocity"}, "-"},
      {"A 0",
       {"Aftertouch takes 2 or 3 numbers: channel, pressure or channel, key, pressure"},
       "-"},
      {"Meta $58(TimeSig) 3/4", {"3/4 is no number: write 3 4"}, "-"},
      {"note 0 60 100", {"a kind begins with a capital letter"}, "-"},
      {"Q 1", {"Q is no kind letter"}, "-"},
      {"120x", {"a time line has only digits, or a blank after them"}, "-"},
      {"X $90 1", {"X $90 takes 2 data bytes"}, "-"},
      {"X $F8 1", {"X $F8 takes no data"}, "-"},
      {"X \"a", {"a double quote is not closed"}, "-"},
      {"Sysex $7E 256", {"256 is not a byte 0 to 255"}, "-"},
      {"Meta $59 8 0", {"a key signature has -7 to 7 sharps"}, "-"},
      {"Meta -1", {"a meta type is 0 to 255"}, "-"},
      {"Write status",
       {"write Write every status, Write running status or Write running status across meta and "
        "sysex"},
       "-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Compiled r = Compile(Mev({"File 0 (1) 96", "Track #1", c.line, "Meta $2F(TrkEnd)"}));
    bool refused = c.event == "-";
    std::string out;
    for (const std::string& reason : c.reasons) {
      out += (refused ? "Error" : "Warning") + std::string(" in line 3: ") + c.line + " (" +
             reason + ")\n";
    }
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.ok, !refused);
    if (!refused) {
      EXPECT_EQ(r.image, SmfImage(0, 96, {"00 " + c.event + " 00 FF 2F 00"}));
    }
  }
}

// Warnings about the header, time lines and track sections beyond the docs' examples, in line
// order among the errors; a warned file is written as before.
TEST(CompileMev, FileWarnings) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<std::string> out;
    bytes image;  // none when refused
  } cases[] = {
      // an empty section's warning names its track line; comments after the end do not count
      {{"File 1 (2) 96", "Track 1", "Track 2", "X $FF $2F", "* end", ""},
       {"Warning in line 2: Track 1 (the track ends without Meta $2F(TrkEnd): one is added)"},
       SmfImage(1, 96, {"00 FF 2F 00", "00 FF 2F 00"})},
      {{"File 2 (1) 65537", "Track", "1 20", "480 bar 1 beat 2", " 60", "Meta $2F"},
       {"Warning in line 1: File 2 (1) 65537 (division 65537 is not 1 to 32767: bytes 00 01)",
        "Warning in line 3: 1 20 (read as 120 ticks: begin the remark with a letter)"},
       SmfImage(2, 1, {"78 FF 0F 00 83 60 FF 0F 00 3C FF 2F 00"})},
      {{"File 1 (1) 32767", "Track", "Meta $2F"}, {}, SmfImage(1, 32767, {"00 FF 2F 00"})},
      // a section that ends on a refused line gets no warning about its end
      {{"File 1 (2) 96", "Track", "Pitch 0 200", "n 0 60 100", "Tempo", "N 0 60"},
       {"Warning in line 3: Pitch 0 200 (read as Program)",
        "Warning in line 3: Pitch 0 200 (200 is not 0 to 127: byte C8)",
        "Error in line 4: n 0 60 100 (a kind begins with a capital letter)",
        "Warning in line 5: Tempo (starts track 2; comments begin with *)",
        "Error in line 6: N 0 60 (Note takes 3 numbers: channel, key, velocity)"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines[0] + " ... " + c.lines.back());
    Compiled r = Compile(Mev(c.lines));
    EXPECT_EQ(r.out, Lines(c.out));
    EXPECT_EQ(r.ok, !c.image.empty());
    if (!c.image.empty()) {
      EXPECT_EQ(r.image, c.image);
    }
  }
}
