#include <gtest/gtest.h>

#include "MidiDoos.h"
#include "TestKit.h"
#include "TextMidi.h"

namespace {

struct Case {
  std::string line;
  std::string hex;
};

void ExpectEncodings(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(EncodeEventLine(c.line), Hex(c.hex));
  }
}

}  // namespace

TEST(EncodeEventLine, ChannelAndSystemLines) {
  ExpectEncodings({
      {"Note-on 0 60 100 (C4)", "90 3C 64"},
      {"N 0 60 200", "90 3C C8"},   // low 8 bits, no range test on data bytes
      {"N 16 60 100", "90 3C 64"},  // channel bits merge into the status
      {"N 32 60 100", "B0 3C 64"},
      {"Aftertouch 0 60 30", "A0 3C 1E"},
      {"A 1 64", "D1 40"},
      {"C 15 $7B 0", "BF 7B 00"},
      {"Program 2 19", "C2 13"},
      {"B 0 0", "E0 00 40"},
      {"B 0 -8192", "E0 00 00"},
      {"B 0 8191", "E0 7F 7F"},
      {"B 0 8192", "E0 00 80"},  // beyond the range: second byte above 7F
      {"H $F0 $7E $7F $09 $01 $F7", "F7 06 F0 7E 7F 09 01 F7"},
      {"H", "F7 00"},
      {"H 256 -1", "F7 02 00 FF"},
      {"O $F8", "F8"},
      {"V 254 3", "FE"},
      // the exact line: the bytes as numbers, lengths put in
      {"X $80 60 64", "80 3C 40"},
      {"X $E0 $EF 64", "E0 EF 40"},  // a data byte above 7F, as some files hold
      {"X $C3 5 (program)", "C3 05"},
      {"X $F0 $7E $7F $09 $01 $F7", "F0 05 7E 7F 09 01 F7"},
      {"X $F7", "F7 00"},
      {"X $FF $05 $61 $5F $62", "FF 05 03 61 5F 62"},
      {"X $FF $2F", "FF 2F 00"},
      {"X $F8", "F8"},
  });
}

TEST(EncodeEventLine, MetaEvents) {
  ExpectEncodings({
      {"Meta $00 258 7", "FF 00 02 01 02"},  // extra arguments ignored
      {"Meta $00 $10000", "FF 00 02 00 00"},
      {"Meta $21 300", "FF 21 01 2C"},
      {"Meta $2F 5", "FF 2F 00"},
      {"Meta $51 $1234567", "FF 51 03 23 45 67"},
      {"Meta $54(SMPTE) 1 2 3 4 5", "FF 54 05 01 02 03 04 05"},
      {"Meta $58(TimeSig) 6 8 24 8", "FF 58 04 06 03 18 08"},
      {"Meta $58 3 6 24 8", "FF 58 04 03 02 18 08"},
      {"Meta $58 2 1 24 8", "FF 58 04 02 00 18 08"},
      {"Meta $58 3 0 24 8", "FF 58 04 03 FF 18 08"},
      {"Meta $59 -7 1", "FF 59 02 F9 01"},
      {"Meta $59 7 0", "FF 59 02 07 00"},
      {"Meta $7F 0 $41 1 2", "FF 7F 04 00 41 01 02"},
      {"Meta $20", "FF 20 00"},
      {"Meta $FF 1", "FF FF 01 01"},
      {"Meta $30 256 -1", "FF 30 02 00 FF"},
  });
}

TEST(EncodeEventLine, TextEvents) {
  ExpectEncodings({
      // quoted text
      {"Meta $01(Text)", "FF 01 00"},
      {"Meta $0F \"\"", "FF 0F 00"},
      {"Meta $03(Name) \"Piano (right)\"", "FF 03 0D 50 69 61 6E 6F 20 28 72 69 67 68 74 29"},
      {"Meta $01 \"7 8\" 9", "FF 01 03 37 20 38"},        // digits in quotes are text
      {"Meta $04 \"a/b_c\"", "FF 04 05 61 2F 62 5F 63"},  // no escapes
      // the third field as text: lyrics and the channel texts 10 to 1F
      {"Meta $05(Lyric) Hel_lo/", "FF 05 08 48 65 6C 20 6C 6F 0D 0A"},
      {"Meta $05(Lyric)", "FF 05 00"},
      {"Meta $05(Lyric) a\tb\t", "FF 05 04 61 09 62 09"},  // tabs in the syllable are text
      {"Meta $12 Hi/there", "FF 12 09 48 69 0D 0A 74 68 65 72 65"},
      {"Meta $1F a\\b", "FF 1F 04 61 0D 0A 62"},
      {"Meta $10 \"q\"", "FF 10 03 22 71 22"},  // quotes are text here
  });
}

TEST(EncodeEventLine, RefusedLinesGiveNothing) {
  for (const std::string line : {
           "",
           "n 0 60 100",  // lower-case kind letter
           "X 1 2",       // no status byte
           "X",
           "X $80 60",  // a channel status with the wrong count of data bytes
           "X $C0 1 2",
           "X $FF",      // no meta type
           "X $F8 1",    // a one-byte event with data
           "X $F0 256",  // not a byte
           "X $F0 -1",
           "1 2 3",
           "N 0 60",
           "N 0 60 100 1",
           "P 1",
           "P 1 2 3",
           "B 0",
           "A 0",
           "A 0 1 2 3",
           "O",
           "V x",
           "Meta",
           "Meta -1",
           "Meta $100",
           "Meta $00",
           "Meta $51",
           "Meta $54 1 2 3 4",
           "Meta $58 1 2 3",
           "Meta $59 1",
           "Meta $59 -8 1",
           "Meta $59 8 0",
           "Meta $03 \"Piano",
           // a text that would not reach the event whole
           "Meta $06 \"a\" \"b\"",
           "Meta $05(Lyric)  love",
           "Meta\t$05(Lyric)\tla",
       }) {
    SCOPED_TRACE(line);
    EXPECT_EQ(EncodeEventLine(line), bytes{});
  }
}

TEST(EncodeEventLine, LongPartsCarryTheirTrueLength) {
  std::string escape200 = "H";
  for (int i = 0; i < 200; i++) escape200 += " 1";
  std::string text300, breaks;
  for (int i = 0; i < 30; i++) text300 += "syllable_" + std::to_string(i % 10);
  for (int i = 0; i < 64; i++) breaks += "\r\n";
  const std::string b127(127, 'b'), b128(128, 'b');
  struct Case {
    std::string line;
    const char* head;
    std::string text;
  } cases[] = {
      {escape200, "F7 81 48", std::string(200, '\x01')},
      {"Meta $05(Lyric) " + text300, "FF 05 82 2C", replaceall(text300, "_", " ")},
      // the boundary of the one-byte length
      {"Meta $01 \"" + b127 + "\"", "FF 01 7F", b127},
      {"Meta $01 \"" + b128 + "\"", "FF 01 81 00", b128},
      {"Meta $05 " + std::string(64, '/'), "FF 05 81 00", breaks},  // a line break is two bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 20));
    bytes event = Hex(c.head);
    event.insert(event.end(), c.text.begin(), c.text.end());
    EXPECT_EQ(EncodeEventLine(c.line), event);
  }
}

// Every kind of line that writes a length, at each boundary of the length field's size: the
// event reads back whole, and its length field says exactly how many data bytes follow.
TEST(EncodeEventLine, LengthFieldAtEveryBoundary) {
  for (size_t length : {0, 127, 128, 16383, 16384, 2097151, 2097152}) {
    const std::string a(length, 'a');
    std::string numbers;
    numbers.reserve(2 * length);
    for (size_t i = 0; i < length; i++) numbers += " 1";
    struct Case {
      std::string line;
      uint8_t data;  // what every data byte is
    } cases[] = {
        {"Meta $05(Lyric) " + a, 'a'}, {"Meta $12 " + a, 'a'}, {"Meta $03 \"" + a + "\"", 'a'},
        {"Meta $7F" + numbers, 1},     {"H" + numbers, 1},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.line.substr(0, 12) + " with " + std::to_string(length) + " data bytes");
      Midi m;
      m.image = EncodeEventLine(c.line);
      int32_t pos = 0;
      bytes back;
      m.ReadEvent(pos, back);
      EXPECT_EQ(back, m.image);
      EXPECT_EQ(pos, static_cast<int32_t>(m.image.size()));
      pos = m.image[0] == 0xFF ? 2 : 1;
      EXPECT_EQ(m.ReadVarLen(pos), static_cast<int32_t>(length));
      EXPECT_EQ(bytes(m.image.begin() + pos, m.image.end()), bytes(length, c.data));
    }
  }
}

TEST(ParseHeader, Table) {
  struct HeaderCase {
    std::string line;
    int32_t type;
    int32_t division;
    std::string message;  // empty when accepted
  } cases[] = {
      {"File 0 (1) 120", 0, 120, ""},
      {"File 2 (7) 65535", 2, 65535, ""},
      {"File 257 (1) 96", 1, 96, ""},     // low 8 bits of the type
      {"File 1 (1) -96", 1, 0xFFA0, ""},  // low 16 bits of the division
      {"File 1 (1) 65537", 1, 1, ""},
      {"File 1 (2) 480 extra 5", 0, 0, "Wrong header: NO #type #ticks"},
      {"File 480", 0, 0, "Wrong header: NO #type #ticks"},
      {"File 3 (1) 96", 0, 0, "Wrong #type of MidiFile"},
      {"File -1 (1) 96", 0, 0, "Wrong #type of MidiFile"},
      {"File 3 0", 0, 0, "Wrong #type of MidiFile"},  // the type is tested first
      {"File 1 (1) 0", 0, 0, "Wrong #ticks in header"},
      {"File 1 (1) 65536", 0, 0, "Wrong #ticks in header"},
      {"file 0 (1) 120", 0, 0, "NO MidiFile header"},
      {" File 0 (1) 120", 0, 0, "NO MidiFile header"},
  };
  for (const HeaderCase& c : cases) {
    // ok is cleared on a failure and left as it was otherwise
    for (bool start : {true, false}) {
      SCOPED_TRACE(c.line + (start ? ", ok set" : ", ok clear"));
      bool ok = start;
      int32_t type = -1;
      int32_t division = -1;
      CoutCapture out;
      ParseHeader(c.line, ok, type, division);
      EXPECT_EQ(ok, start && c.message.empty());
      if (c.message.empty()) {
        EXPECT_EQ(out.Text(), "");
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(division, c.division);
      } else {
        EXPECT_EQ(out.Text(), Lines({c.message}));
      }
    }
  }
}
