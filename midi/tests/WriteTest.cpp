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

TEST(WriteVarLen, BytesAndAdvanceReadBackAndVlqlength) {
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
    int32_t end = static_cast<int32_t>(expected.size());
    EXPECT_EQ(pos, end);
    EXPECT_EQ(vlqlength(c.value), end - 2);
    expected.resize(10, 0xEE);  // the bytes around it stay
    EXPECT_EQ(m.image, expected);
    // both walkers read it back from pos and stop at the clear bit 7
    for (Guards w : {Guards::AtTrackEnd, Guards::AtEveryRead}) {
      pos = 2;
      EXPECT_EQ(m.ReadVarLen(pos, w), c.value);
      EXPECT_EQ(pos, end);
      pos = 2;
      m.SkipDeltaTime(pos, w);
      EXPECT_EQ(pos, end);
    }
  }
}

TEST(WriteHeader, FourteenBytesReadBackAsStored) {
  struct Case {
    uint8_t type;
    uint16_t tracks;
    uint16_t ticks;
    const char* header;
  } cases[] = {
      {1, 3, 480, "4D 54 68 64 00 00 00 06 00 01 00 03 01 E0"},
      {2, 0xFFFF, 0x7FFF, "4D 54 68 64 00 00 00 06 00 02 FF FF 7F FF"},
      // no interpretation when read: SMPTE bit included
      {255, 0x0100, 0xE250, "4D 54 68 64 00 00 00 06 00 FF 01 00 E2 50"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    Midi m;
    m.image.assign(16, 0xEE);  // old bytes in the header are overwritten, those after it kept
    m.WriteHeader(c.type, c.tracks, c.ticks);
    EXPECT_EQ(m.image, Hex(std::string(c.header) + " EE EE"));
    EXPECT_EQ(m.GetMidiType(), c.type);
    EXPECT_EQ(m.GetTrackCount(), c.tracks);
    EXPECT_EQ(m.GetTicks(), c.ticks);
  }
}

TEST(WriteTrackHeader, IdentifierAndBigEndianLength) {
  Midi m;
  m.image.assign(32, 0xEE);
  m.WriteTrackHeader(0x01020304, 2);
  m.WriteTrackHeader(0xFFFFFFFF, 12);
  EXPECT_EQ(bytes(m.image.begin(), m.image.begin() + 22), Hex(R"(
      EE EE  4D 54 72 6B 01 02 03 04
      EE EE  4D 54 72 6B FF FF FF FF   # the bytes around them stay
      EE EE)"));
}

TEST(WriteEvent, RunningStatusStepByStepAndWriteEmptyMeta) {
  struct Case {
    const char* event;
    const char* written;
    uint8_t statusAfter;
  } cases[] = {
      {"90 3C 40", "3C 40", 0x90},     // equal to the status in force
      {"80 3C 00", "80 3C 00", 0x80},  // another status is written and remembered
      {"FF 2F 00", "FF 2F 00", 0xFF},  // a meta event is written whole
      {"80 3C 00", "80 3C 00", 0x80},  // and the next channel event gets its status back
      {"3C 40", "3C 40", 0x80},        // no status byte: copied as it is
      {"F0 03 43 12 F7", "F0 03 43 12 F7", 0xF0},
      {"F8", "F8", 0xF8},  // a one-byte system event
      {"C5 10", "C5 10", 0xC5},
      {"C5 11", "11", 0xC5},     // one data byte in running status
      {"C5 C8", "C5 C8", 0xC5},  // a data byte with bit 7 set would read as a status
      {"C5 12", "12", 0xC5},
      {"", "FF 0F 00", 0xFF},  // WriteEmptyMeta, which ends running status
      {"C5 13", "C5 13", 0xC5},
  };
  Midi m;
  m.image.assign(64, 0);
  m.runningStatus = 0x90;
  int32_t pos = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    int32_t before = pos;
    if (*c.event) {
      m.WriteEvent(Hex(c.event), pos);
    } else {
      m.WriteEmptyMeta(pos);
    }
    bytes written(m.image.begin() + before, m.image.begin() + pos);
    EXPECT_EQ(written, Hex(c.written));
    EXPECT_EQ(m.runningStatus, c.statusAfter);
  }
}

TEST(Midi, WritesTheLayoutOfAFileWhateverTheEstimate) {
  // the same bytes whether the estimate was too large, too small or none at all: an image that
  // grows keeps the bytes written before
  for (size_t estimate : {size_t{100}, size_t{0}, size_t{14}, size_t{23}}) {
    SCOPED_TRACE(estimate);
    Midi m;
    m.image.resize(estimate);
    WriteSmallFile(m);
    EXPECT_EQ(m.image, Hex(kSmallFile));
  }
}

TEST(LoadFromFile, ReadsWholeFileAndResetsRunningStatus) {
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), Hex(kSmallFile));
  WriteBytes(dir.Path("empty.mid"), {});
  struct Case {
    std::string name;
    bytes image;
    uint8_t status;
  } cases[] = {
      {dir.Path("in.mid"), Hex(kSmallFile), 0},
      // nothing is read, so nothing is reset
      {dir.Path("missing.mid"), {}, 0x90},
      {dir.Path("empty.mid"), {}, 0x90},
      {dir.Path(""), {}, 0x90},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Midi m;
    m.image = Hex("4D 54 68 64");
    m.runningStatus = 0x90;
    CoutCapture out;
    EXPECT_TRUE(m.LoadFromFile(c.name));
    EXPECT_EQ(m.image, c.image);
    EXPECT_EQ(m.runningStatus, c.status);
    EXPECT_EQ(out.Text(), "");
  }
}

TEST(SaveToFile, EmptyImageTouchesNothing) {
  TempDir dir;
  WriteBytes(dir.Path("kept.mid"), Hex("01 02 03"));
  Midi m;
  m.image = Hex(kSmallFile);
  EXPECT_TRUE(m.SaveToFile(dir.Path("out.mid")));
  EXPECT_EQ(ReadBytes(dir.Path("out.mid")), Hex(kSmallFile));
  m.image.resize(0);  // a writer cut the image to nothing
  EXPECT_TRUE(m.SaveToFile(dir.Path("kept.mid")));
  EXPECT_TRUE(m.SaveToFile(dir.Path("new.mid")));
  EXPECT_EQ(ReadBytes(dir.Path("kept.mid")), Hex("01 02 03"));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"kept.mid", "out.mid"}));
}
