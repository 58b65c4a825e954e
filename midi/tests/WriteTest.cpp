#include <gtest/gtest.h>

#include "MidiDoos.h"
#include "TestKit.h"

namespace {

// A header and one track of three events, as the writers lay a file out.
const char* kSmallFile = R"(
    4D 54 68 64 00 00 00 06   # MThd, header length 6
    00 00 00 01 00 60         # type 0, 1 track, 96 ticks
    4D 54 72 6B 00 00 00 0B   # MTrk, 11 bytes of data
    00 90 3C 40               # note on
    60    3C 00               # running status: status left out
    00 FF 2F 00               # End of Track
)";

// Writes kSmallFile's bytes into m from position 0, the image sized by the caller.
void WriteSmallFile(Midi& m) {
  m.WriteHeader(0, 1, 96);
  int32_t pos = 14;
  int32_t start = pos + 8;
  pos = start;
  gegevens events = {{0, {0x90, 0x3C, 0x40}}, {96, {0x90, 0x3C, 0x00}}, {0, {0xFF, 0x2F, 0x00}}};
  for (const samen& e : events) {
    m.WriteVarLen(e.time, pos);
    m.WriteEvent(e.event, pos);
  }
  m.WriteTrackHeader(static_cast<uint32_t>(pos - start), start - 8);
  m.image.resize(pos);
}

}  // namespace

TEST(WriteVarLen, BytesAndAdvance) {
  struct Case {
    int32_t value;
    const char* vlq;
  } cases[] = {
      {0, "00"},
      {127, "7F"},
      {128, "81 00"},
      {0x3FFF, "FF 7F"},
      {0x4000, "81 80 00"},
      {0x1FFFFF, "FF FF 7F"},
      {0x200000, "81 80 80 00"},
      {0x0FFFFFFF, "FF FF FF 7F"},
      {0x10000000, "81 80 80 80 00"},  // one byte more than a MIDI file allows, written anyway
      {0x7FFFFFFF, "87 FF FF FF 7F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Midi m;
    m.image.assign(10, 0xEE);
    int32_t pos = 2;
    m.WriteVarLen(c.value, pos);
    bytes expected = Hex("EE EE " + std::string(c.vlq));
    EXPECT_EQ(pos, static_cast<int32_t>(expected.size()));
    expected.resize(10, 0xEE);  // the bytes around it stay
    EXPECT_EQ(m.image, expected);
  }
}

TEST(WriteHeader, FourteenBytes) {
  struct Case {
    uint8_t type;
    uint16_t tracks;
    uint16_t ticks;
    const char* header;
  } cases[] = {
      {0, 1, 96, "4D 54 68 64 00 00 00 06 00 00 00 01 00 60"},
      {1, 3, 480, "4D 54 68 64 00 00 00 06 00 01 00 03 01 E0"},
      {2, 0xFFFF, 0x7FFF, "4D 54 68 64 00 00 00 06 00 02 FF FF 7F FF"},
      {255, 0x0100, 0xE250, "4D 54 68 64 00 00 00 06 00 FF 01 00 E2 50"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    Midi m;
    m.image.assign(16, 0xEE);  // old bytes in the header are overwritten, those after it kept
    m.WriteHeader(c.type, c.tracks, c.ticks);
    EXPECT_EQ(m.image, Hex(std::string(c.header) + " EE EE"));
  }
}

TEST(WriteTrackHeader, IdentifierAndBigEndianLength) {
  struct Case {
    uint32_t length;
    const char* chunk;
  } cases[] = {
      {4, "4D 54 72 6B 00 00 00 04"},
      {0x01020304, "4D 54 72 6B 01 02 03 04"},
      {0xFFFFFFFF, "4D 54 72 6B FF FF FF FF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chunk);
    Midi m;
    m.image.assign(24, 0xEE);
    m.WriteTrackHeader(c.length, 14);
    bytes expected(14, 0xEE);
    for (uint8_t b : Hex(c.chunk)) expected.push_back(b);
    expected.resize(24, 0xEE);
    EXPECT_EQ(m.image, expected);
  }
}

TEST(WriteEvent, RunningStatusStepByStep) {
  struct Case {
    const char* event;
    const char* written;
    uint8_t statusAfter;
  } cases[] = {
      {"90 3C 40", "3C 40", 0x90},     // equal to the status in force
      {"80 3C 00", "80 3C 00", 0x80},  // another status is written and remembered
      {"80 3E 00", "3E 00", 0x80},
      {"FF 2F 00", "FF 2F 00", 0xFF},  // a meta event is written whole
      {"80 3C 00", "80 3C 00", 0x80},  // and the next channel event gets its status back
      {"3C 40", "3C 40", 0x80},        // no status byte: copied as it is
      {"F0 03 43 12 F7", "F0 03 43 12 F7", 0xF0},
      {"F8", "F8", 0xF8},  // a one-byte system event
      {"C5 10", "C5 10", 0xC5},
      {"C5 11", "11", 0xC5},  // one data byte in running status
      {"C5 C8", "C5 C8", 0xC5},        // a data byte with bit 7 set would read as a status
      {"C5 12", "12", 0xC5},
  };
  Midi m;
  m.image.assign(64, 0);
  m.runningStatus = 0x90;
  int32_t pos = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    int32_t before = pos;
    m.WriteEvent(Hex(c.event), pos);
    bytes written(m.image.begin() + before, m.image.begin() + pos);
    EXPECT_EQ(written, Hex(c.written));
    EXPECT_EQ(m.runningStatus, c.statusAfter);
  }
}

TEST(WriteEmptyMeta, EndsRunningStatus) {
  Midi m;
  m.image.assign(9, 0);
  int32_t pos = 0;
  m.WriteEvent(Hex("90 3C 40"), pos);
  m.WriteEmptyMeta(pos);
  EXPECT_EQ(m.runningStatus, 0xFF);
  m.WriteEvent(Hex("90 3C 00"), pos);
  EXPECT_EQ(pos, 9);
  EXPECT_EQ(m.image, Hex(R"(
    90 3C 40
    FF 0F 00   # the empty meta event
    90 3C 00   # status written again after it
  )"));
}

TEST(Midi, WritesTheLayoutOfAFile) {
  Midi m;
  m.image.resize(100);
  WriteSmallFile(m);
  EXPECT_EQ(m.image, Hex(kSmallFile));
}

TEST(Midi, ShortImageGrowsToWhatIsWritten) {
  // the same bytes whether the estimate was too small or there was none at all
  for (size_t estimate : {size_t{0}, size_t{14}, size_t{23}}) {
    SCOPED_TRACE(estimate);
    Midi m;
    m.image.resize(estimate);
    WriteSmallFile(m);
    EXPECT_EQ(m.image, Hex(kSmallFile));
  }
  // one write past the end keeps the bytes before it
  Midi m;
  m.image = Hex("11 22");
  int32_t pos = 1;
  m.WriteVarLen(0x4000, pos);
  EXPECT_EQ(pos, 4);
  ASSERT_GE(m.image.size(), 4u);
  EXPECT_EQ(bytes(m.image.begin(), m.image.begin() + 4), Hex("11 81 80 00"));
}

TEST(LoadFromFile, ReadsWholeFileAndResetsRunningStatus) {
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), Hex(kSmallFile));
  Midi m;
  m.runningStatus = 0x90;
  CoutCapture out;
  EXPECT_TRUE(m.LoadFromFile(dir.Path("in.mid")));
  EXPECT_EQ(m.image, Hex(kSmallFile));
  EXPECT_EQ(m.runningStatus, 0);
  EXPECT_EQ(out.Text(), "");
}

TEST(LoadFromFile, MissingEmptyOrFolderGivesEmptyImage) {
  TempDir dir;
  WriteBytes(dir.Path("empty.mid"), {});
  for (const std::string& name : {dir.Path("missing.mid"), dir.Path("empty.mid"), dir.Path("")}) {
    SCOPED_TRACE(name);
    Midi m;
    m.image = Hex("4D 54 68 64");
    m.runningStatus = 0x90;
    CoutCapture out;
    EXPECT_TRUE(m.LoadFromFile(name));
    EXPECT_TRUE(m.image.empty());
    EXPECT_EQ(m.runningStatus, 0x90);  // nothing was read, so nothing is reset
    EXPECT_EQ(out.Text(), "");
  }
}

TEST(SaveToFile, WritesImageReplacingLongerFile) {
  TempDir dir;
  std::string name = dir.Path("out.mid");
  WriteBytes(name, bytes(100, 0xEE));
  Midi m;
  m.image = Hex(kSmallFile);
  EXPECT_TRUE(m.SaveToFile(name));
  EXPECT_EQ(ReadBytes(name), Hex(kSmallFile));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.mid"});  // no temporary file left
}

TEST(SaveToFile, EmptyImageTouchesNothing) {
  TempDir dir;
  std::string kept = dir.Path("kept.mid");
  WriteBytes(kept, Hex("01 02 03"));
  Midi m;
  m.image = Hex(kSmallFile);
  m.image.resize(0);  // a writer cut the image to nothing
  EXPECT_TRUE(m.SaveToFile(kept));
  EXPECT_TRUE(m.SaveToFile(dir.Path("new.mid")));
  EXPECT_EQ(ReadBytes(kept), Hex("01 02 03"));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"kept.mid"});
}

TEST(SaveToFile, MissingFolderFails) {
  TempDir dir;
  Midi m;
  m.image = Hex(kSmallFile);
  EXPECT_FALSE(m.SaveToFile(dir.Path("no/such/folder.mid")));
  EXPECT_TRUE(dir.Entries().empty());
}

TEST(Midi, HeaderFieldsAsStored) {
  struct Case {
    const char* fields;  // bytes 8 to 13
    int32_t type;
    int32_t tracks;
    int32_t ticks;
  } cases[] = {
      {"00 00 00 01 00 60", 0, 1, 96},
      {"00 01 00 03 01 E0", 1, 3, 480},
      {"01 00 FF FF E2 50", 256, 65535, 0xE250},  // no interpretation: SMPTE bit included
      {"FF FF 80 00 FF FF", 65535, 32768, 65535},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    Midi m;
    m.image = Hex("4D 54 68 64 00 00 00 06 " + std::string(c.fields));
    EXPECT_EQ(m.GetMidiType(), c.type);
    EXPECT_EQ(m.GetTrackCount(), c.tracks);
    EXPECT_EQ(m.GetTicks(), c.ticks);
  }
}
