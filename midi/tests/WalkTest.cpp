#include <gtest/gtest.h>

#include "MidiDoos.h"
#include "TestKit.h"

namespace {

const Guards kGuards[] = {Guards::AtTrackEnd, Guards::AtEveryRead};
const std::string kExceeded = "MidiFile size exceeded\n";

std::string Name(Guards w) { return w == Guards::AtTrackEnd ? "merger" : "relabeller"; }

Midi Image(const std::string& hex, uint8_t readStatus = 0) {
  Midi m;
  m.image = Hex(hex);
  m.readStatus = readStatus;
  return m;
}

// What ReadEvent made of the bytes: the event, where it ended, the running status after it and
// the lines printed.
struct Walked {
  bytes event;
  int32_t pos;
  uint8_t status;
  std::string out;
};

// ReadEvent from start, checked against SkipEvent on a fresh image: both end at the same place
// with the same running status and lines, and SkipEvent is true exactly when there is an event.
Walked Walk(const std::string& hex, Guards w, uint8_t status, int32_t start = 0) {
  Walked r{Hex("AA BB CC DD EE FF"), start, 0, ""};  // the event is replaced, not added to
  for (bool skip : {false, true}) {
    Midi m = Image(hex, status);
    CoutCapture out;
    int32_t pos = start;
    if (!skip) {
      m.ReadEvent(r.pos, r.event, w);
      r.status = m.readStatus;
      r.out = out.Text();
      continue;
    }
    EXPECT_EQ(m.SkipEvent(pos, w), !r.event.empty());
    EXPECT_EQ(pos, r.pos);
    EXPECT_EQ(m.readStatus, r.status);
    EXPECT_EQ(out.Text(), r.out);
  }
  return r;
}

}  // namespace

TEST(ReadVarLen, AtOrPastTheImageEnd) {
  // continuation bits up to the last byte: the read needs one byte more than the image holds,
  // and neither walker notices; a read that starts past the last byte is what the relabeller
  // guards, stopping where it stands with a line
  struct Case {
    const char* vlq;
    int32_t start;
    int32_t mergerPos;
    int32_t relabellerPos;
  } cases[] = {{"FF", 0, 2, 2},
               {"81 FF FF", 0, 4, 4},
               {"80 80 80 80 80 80", 0, 7, 7},
               {"00 FF 2F", 3, 4, 3}};
  for (Guards w : kGuards) {
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(w) + " " + c.vlq);
      bool guarded = w == Guards::AtEveryRead;
      Midi m = Image(c.vlq);
      CoutCapture out;
      int32_t pos = c.start;
      EXPECT_EQ(m.ReadVarLen(pos, w), 0);
      EXPECT_EQ(pos, guarded ? c.relabellerPos : c.mergerPos);
      pos = c.start;
      m.SkipDeltaTime(pos, w);
      EXPECT_EQ(pos, guarded ? c.relabellerPos : c.mergerPos);
      bool stopped = guarded && c.relabellerPos == c.start;
      EXPECT_EQ(out.Text(), stopped ? kExceeded + kExceeded : "");
    }
  }
}

TEST(ReadEvent, EveryKind) {
  const std::string text128 = "FF 01 81 00" + std::string(256, 'A');  // 128 bytes AA
  struct Case {
    std::string file;
    uint8_t statusBefore;
    std::string event;
    uint8_t statusAfter;
  } cases[] = {
      {"90 3C 40", 0, "90 3C 40", 0x90},
      {"3E 40", 0x90, "90 3E 40", 0x90},  // running status: the status is put back in front
      {"C5 10", 0x90, "C5 10", 0xC5},     // program change: one data byte
      {"11", 0xC5, "C5 11", 0xC5},
      {"B0 07 64", 0xC5, "B0 07 64", 0xB0},
      {"3C", 0, "", 0},  // a stray data byte while no running status is in force: no event
      {"FF 51 03 07 A1 20", 0x90, "FF 51 03 07 A1 20", 0x90},  // meta events keep the status
      {text128, 0x90, text128, 0x90},                          // a two-byte length
      {"F0 05 7E 7F 09 01 F7", 0x90, "F0 05 7E 7F 09 01 F7", 0x90},
      {"F7 02 01 02", 0x90, "F7 02 01 02", 0x90},
      {"F1 01 55", 0x90, "F1 01 55", 0x90},  // sized like a sysex event
      {"F8", 0x90, "F8", 0x90},
  };
  for (Guards w : kGuards) {
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(w) + " " + c.file.substr(0, 20));
      Walked r = Walk(c.file + " 00", w, c.statusBefore);  // the next delta time follows
      EXPECT_EQ(r.event, Hex(c.event));
      EXPECT_EQ(r.pos, static_cast<int32_t>(Hex(c.file).size()));
      EXPECT_EQ(r.status, c.statusAfter);
      EXPECT_EQ(r.out, "");
    }
  }
}

TEST(ReadEvent, AtOrPastTheImageEnd) {
  struct Case {
    const char* file;
    int32_t start;
    int32_t mergerPos;
    int32_t relabellerPos;
    bool event;  // the bytes start an event, which holds no more than the image does
  } cases[] = {
      // nothing left: the relabeller stops where it stands with a line, the merger overruns
      {"00 FF 2F", 3, 4, 3, false},
      // the length itself is missing: the relabeller takes it as 0, with a line
      {"FF 01", 0, 3, 2, true},
      {"F0", 0, 2, 1, true},
      // the length runs off the image
      {"FF 01 81", 0, 4, 4, true},
      // the data run past the image: the position says so, the caller compares it with the end
      {"FF 01 05 41", 0, 8, 8, true},
      {"F0 05 7E 7F", 0, 7, 7, true},
  };
  for (Guards w : kGuards) {
    for (const Case& c : cases) {
      SCOPED_TRACE(Name(w) + " " + c.file);
      bool guarded = w == Guards::AtEveryRead;
      Walked r = Walk(c.file, w, 0, c.start);
      EXPECT_EQ(r.event, c.event ? Hex(c.file) : bytes{});
      EXPECT_EQ(r.pos, guarded ? c.relabellerPos : c.mergerPos);
      bool stopped = guarded && c.relabellerPos < c.mergerPos;
      EXPECT_EQ(r.out, stopped ? kExceeded : "");
    }
  }
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
    Midi m = Image(std::string(c.file) + " 00 00", c.statusBefore);
    int32_t pos = 0;
    EXPECT_EQ(m.SkipChannelEvent(pos), c.one);
    EXPECT_EQ(pos, c.advance);
  }
}

TEST(SizeExceeded, PastTheLastByte) {
  struct Case {
    std::string image;
    int32_t p;
    bool exceeded;
  } cases[] = {
      {"00 FF 2F", 2, false}, {"00 FF 2F", 3, true}, {"00 FF 2F", INT32_MAX, true}, {"", 0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image + " " + std::to_string(c.p));
    Midi m = Image(c.image);
    CoutCapture out;
    EXPECT_EQ(m.SizeExceeded(c.p), c.exceeded);
    EXPECT_EQ(out.Text(), c.exceeded ? kExceeded : "");
  }
}
