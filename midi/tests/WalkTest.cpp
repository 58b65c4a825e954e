#include <gtest/gtest.h>

#include "MidiDoos.h"
#include "TestKit.h"

namespace {

const Walker kWalkers[] = {Walker::Merger, Walker::Relabeller};

std::string Name(Walker w) { return w == Walker::Merger ? "merger" : "relabeller"; }

Midi Image(const std::string& hex, Walker walker, uint8_t runningStatus = 0) {
  Midi m;
  m.image = Hex(hex);
  m.walker = walker;
  m.runningStatus = runningStatus;
  return m;
}

}  // namespace

TEST(ReadVarLen, ValuesAndAdvance) {
  struct Case {
    const char* vlq;
    int32_t value;
  } cases[] = {
      {"00", 0},
      {"7F", 127},
      {"81 00", 128},
      {"FF 7F", 16383},
      {"81 80 00", 16384},
      {"FF FF FF 7F", 268435455},
      {"81 80 80 80 00", 0x10000000},  // more bytes than a MIDI file allows
      {"87 FF FF FF 7F", 0x7FFFFFFF},
  };
  for (Walker w : kWalkers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(w) + " " + c.vlq);
      // a byte before and after: the read starts at pos and stops at the clear bit 7
      Midi m = Image("7F " + std::string(c.vlq) + " 81", w);
      int32_t size = static_cast<int32_t>(m.image.size());
      int32_t pos = 1;
      EXPECT_EQ(m.ReadVarLen(pos), c.value);
      EXPECT_EQ(pos, size - 1);
      pos = 1;
      m.SkipDeltaTime(pos);
      EXPECT_EQ(pos, size - 1);
    }
  }
}

TEST(ReadVarLen, RunningOffTheImageEndsOnePastIt) {
  // continuation bits up to the last byte: the read needs one byte more than the image holds
  for (Walker w : kWalkers) {
    for (const char* vlq : {"FF", "81 FF FF", "80 80 80 80 80 80"}) {
      SCOPED_TRACE(Name(w) + " " + vlq);
      Midi m = Image(vlq, w);
      int32_t size = static_cast<int32_t>(m.image.size());
      CoutCapture out;
      int32_t pos = 0;
      EXPECT_EQ(m.ReadVarLen(pos), 0);
      EXPECT_EQ(pos, size + 1);
      pos = 0;
      m.SkipDeltaTime(pos);
      EXPECT_EQ(pos, size + 1);
      EXPECT_EQ(out.Text(), "");
    }
  }
}

TEST(ReadEvent, EveryKind) {
  struct Case {
    const char* file;
    uint8_t statusBefore;
    const char* event;
    uint8_t statusAfter;
  } cases[] = {
      {"90 3C 40", 0, "90 3C 40", 0x90},
      {"3E 40", 0x90, "90 3E 40", 0x90},  // running status: the status is put back in front
      {"C5 10", 0x90, "C5 10", 0xC5},     // program change: one data byte
      {"11", 0xC5, "C5 11", 0xC5},
      {"D3 7F", 0, "D3 7F", 0xD3},
      {"B0 07 64", 0xC5, "B0 07 64", 0xB0},
      {"E0 00 40", 0, "E0 00 40", 0xE0},
      {"FF 51 03 07 A1 20", 0x90, "FF 51 03 07 A1 20", 0x90},  // meta events keep the status
      {"FF 2F 00", 0x90, "FF 2F 00", 0x90},
      {"FF 06 00", 0, "FF 06 00", 0},
      {"F0 05 7E 7F 09 01 F7", 0x90, "F0 05 7E 7F 09 01 F7", 0x90},
      {"F7 02 01 02", 0x90, "F7 02 01 02", 0x90},
      {"F1 01 55", 0x90, "F1 01 55", 0x90},  // sized like a sysex event
      {"F8", 0x90, "F8", 0x90},
      {"FE", 0, "FE", 0},
  };
  for (Walker w : kWalkers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(w) + " " + c.file);
      Midi m = Image(c.file, w, c.statusBefore);
      int32_t size = static_cast<int32_t>(m.image.size());
      CoutCapture out;
      bytes event = Hex("AA BB CC DD EE FF AA BB CC");  // replaced, not added to
      int32_t pos = 0;
      m.ReadEvent(pos, event);
      EXPECT_EQ(event, Hex(c.event));
      EXPECT_EQ(pos, size);
      EXPECT_EQ(m.runningStatus, c.statusAfter);

      m.runningStatus = c.statusBefore;
      pos = 0;
      EXPECT_TRUE(m.SkipEvent(pos));
      EXPECT_EQ(pos, size);
      EXPECT_EQ(m.runningStatus, c.statusAfter);
      EXPECT_EQ(out.Text(), "");
    }
  }
}

TEST(ReadMetaEvent, TwoByteLength) {
  bytes text = Hex("FF 01 81 00");  // a text of 128 bytes
  text.resize(4 + 128, 'a');
  Midi m;
  m.image = text;
  m.image.push_back(0x00);  // the next delta time
  bytes event;
  int32_t pos = 0;
  m.ReadEvent(pos, event);
  EXPECT_EQ(pos, 132);
  EXPECT_EQ(event, text);
}

TEST(SkipChannelEvent, OneOrTwoDataBytes) {
  struct Case {
    const char* file;
    uint8_t statusBefore;
    bool one;
    int32_t advance;
  } cases[] = {
      {"90 3C 40", 0, false, 3}, {"C0 05", 0, true, 2}, {"DF 05", 0, true, 2},
      {"3C 40", 0xBF, false, 2}, {"10", 0xD0, true, 1}, {"E1 00 40", 0xC0, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Midi m = Image(std::string(c.file) + " 00 00", Walker::Merger, c.statusBefore);
    int32_t pos = 0;
    EXPECT_EQ(m.SkipChannelEvent(pos), c.one);
    EXPECT_EQ(pos, c.advance);
  }
}

TEST(ReadEvent, RunningStatusThroughMetaAndSystemEvents) {
  // delta times and events in turn; the data bytes at the end still belong to note on
  const char* track = R"(
      00 90 3C 40
      00 FF 01 00      # a meta event
      00 F8            # a one-byte system event
      00 F0 01 F7      # a sysex event
      05 3C 00         # running status still 90
  )";
  Midi m = Image(track, Walker::Merger);
  std::vector<std::pair<int32_t, bytes>> read;
  int32_t pos = 0;
  while (pos < static_cast<int32_t>(m.image.size())) {
    int32_t time = m.ReadVarLen(pos);
    bytes event;
    m.ReadEvent(pos, event);
    read.push_back({time, event});
  }
  std::vector<std::pair<int32_t, bytes>> expected = {{0, Hex("90 3C 40")},
                                                     {0, Hex("FF 01 00")},
                                                     {0, Hex("F8")},
                                                     {0, Hex("F0 01 F7")},
                                                     {5, Hex("90 3C 00")}};
  EXPECT_EQ(read, expected);
  EXPECT_EQ(pos, static_cast<int32_t>(m.image.size()));
}

TEST(ReadEvent, StrayDataByteWithoutRunningStatus) {
  for (Walker w : kWalkers) {
    SCOPED_TRACE(Name(w));
    Midi m = Image("3C 90 3C 40", w);
    CoutCapture out;
    bytes event = Hex("FF 2F 00");
    int32_t pos = 0;
    m.ReadEvent(pos, event);
    EXPECT_EQ(pos, 1);
    EXPECT_TRUE(event.empty());
    EXPECT_EQ(m.runningStatus, 0);
    m.ReadEvent(pos, event);  // the event after it is read as usual
    EXPECT_EQ(event, Hex("90 3C 40"));

    m.runningStatus = 0;
    pos = 0;
    EXPECT_FALSE(m.SkipEvent(pos));
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(out.Text(), "");
  }
}

TEST(SkipEvent, FreshlyLoadedFileHasNoRunningStatus) {
  TempDir dir;
  WriteBytes(dir.Path("in.mid"), Hex(R"(
      4D 54 68 64 00 00 00 06 00 00 00 01 00 60
      4D 54 72 6B 00 00 00 04
      3C 00 FF 2F 00   # a data byte where a track's first status belongs
  )"));
  Midi m;
  m.runningStatus = 0x90;  // left over from an earlier walk
  ASSERT_TRUE(m.LoadFromFile(dir.Path("in.mid")));
  int32_t pos = 22;
  EXPECT_FALSE(m.SkipEvent(pos));
  EXPECT_EQ(pos, 23);
}

TEST(SizeExceeded, PastTheLastByte) {
  struct Case {
    int32_t p;
    bool exceeded;
  } cases[] = {{0, false}, {2, false}, {3, true}, {4, true}, {INT32_MAX, true}};
  Midi m = Image("00 FF 2F", Walker::Relabeller);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.p);
    CoutCapture out;
    EXPECT_EQ(m.SizeExceeded(c.p), c.exceeded);
    EXPECT_EQ(out.Text(), c.exceeded ? "MidiFile size exceeded\n" : "");
  }
  Midi empty;
  CoutCapture out;
  EXPECT_TRUE(empty.SizeExceeded(0));
  EXPECT_EQ(out.Text(), "MidiFile size exceeded\n");
}

TEST(Walker, ReadsAtTheImageEnd) {
  // the relabeller stops where it stands with a line; the merger overruns by one byte silently
  for (Walker w : kWalkers) {
    SCOPED_TRACE(Name(w));
    bool guarded = w == Walker::Relabeller;
    std::string line = guarded ? "MidiFile size exceeded\n" : "";
    int32_t after = guarded ? 3 : 4;
    Midi m = Image("00 FF 2F", w);
    CoutCapture out;
    int32_t pos = 3;
    EXPECT_EQ(m.ReadVarLen(pos), 0);
    EXPECT_EQ(pos, after);
    pos = 3;
    m.SkipDeltaTime(pos);
    EXPECT_EQ(pos, after);
    pos = 3;
    EXPECT_FALSE(m.SkipEvent(pos));
    EXPECT_EQ(pos, after);
    pos = 3;
    bytes event = Hex("90 3C 40");
    m.ReadEvent(pos, event);
    EXPECT_TRUE(event.empty());
    EXPECT_EQ(pos, after);
    EXPECT_EQ(out.Text(), line + line + line + line);
  }
}

TEST(Walker, LengthsAtOrPastTheImageEnd) {
  struct Case {
    const char* file;
    int32_t mergerPos;
    int32_t relabellerPos;
    const char* relabellerText;
  } cases[] = {
      // the length itself is missing: the relabeller takes it as 0
      {"FF 01", 3, 2, "MidiFile size exceeded\n"},
      {"F0", 2, 1, "MidiFile size exceeded\n"},
      // the length runs off the image
      {"FF 01 81", 4, 4, ""},
      // the data run past the image: the position says so, the caller compares it with the end
      {"FF 01 05 41", 8, 8, ""},
      {"F0 05 7E 7F", 7, 7, ""},
  };
  for (Walker w : kWalkers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(w) + " " + c.file);
      bool guarded = w == Walker::Relabeller;
      Midi m = Image(c.file, w);
      CoutCapture out;
      int32_t pos = 0;
      EXPECT_TRUE(m.SkipEvent(pos));
      EXPECT_EQ(pos, guarded ? c.relabellerPos : c.mergerPos);
      bytes event;
      pos = 0;
      m.ReadEvent(pos, event);
      EXPECT_EQ(pos, guarded ? c.relabellerPos : c.mergerPos);
      EXPECT_EQ(event, m.image);  // no more than the image holds
      std::string line = guarded ? c.relabellerText : "";
      EXPECT_EQ(out.Text(), line + line);
    }
  }
}
