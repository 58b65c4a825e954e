#include <gtest/gtest.h>

#include "TestKit.h"
#include "Timing.h"

TEST(barcounter, BarsAndBeatsFromTimeSignatures) {
  // 96 ticks a quarter note: 4/4 up to tick 384 (bar 2); 6/8 from 480, a beat into bar 2, which
  // starts bar 3 there; 3/4 from 768, at the end of a 6/8 bar; 2/4 from 1104, 48 ticks (less
  // than a beat) into bar 5, which it takes over
  barcounter bars({{480, 6, 3}, {768, 3, 2}, {800, 0, 2}, {1104, 2, 2}}, 96);
  struct Case {
    int64_t tick;
    std::string place;
  } cases[] = {
      {0, "bar 1 beat 1"},        {95, "bar 1 beat 1 +95"},  {96, "bar 1 beat 2"},
      {384, "bar 2 beat 1"},      {479, "bar 2 beat 1 +95"}, {480, "bar 3 beat 1"},
      {528, "bar 3 beat 2"},      {767, "bar 3 beat 6 +47"}, {768, "bar 4 beat 1"},
      {1007, "bar 4 beat 3 +47"},  // the 0/4 signature at 800 counts no beats: passed over
      {1103, "bar 5 beat 1 +47"}, {1104, "bar 5 beat 1"},    {1296, "bar 6 beat 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tick);
    char place[80];
    EXPECT_EQ(std::string(place, bars.PutPlace(place, c.tick)), c.place);
  }
}

// Times from a tempo map, against times worked out by hand: tempo changes in two tracks (one
// inside what would be a line), the slowest tempo over 2^42 ticks, and SMPTE divisions.
TEST(tempomap, TimesWorkedOutByHand) {
  auto file = [](uint16_t type, uint16_t division, const std::vector<std::string>& tracks) {
    Midi m;
    m.image = SmfImage(type, division, tracks);
    return m;
  };
  // 480 a quarter: 500000 us to tick 960, 250000 (track 2) to 1440, 1000000 (track 1) after
  const Midi two =
      file(1, 480, {"8B 20 FF 51 03 0F 42 40 00 FF 2F 00", "87 40 FF 51 03 03 D0 90 00 FF 2F 00"});
  const Midi own = file(2, 480, {"00 FF 2F 00", "00 FF 51 03 0F 42 40 00 FF 2F 00"});
  // 2^42 ticks at FF FF FF microseconds, division 1, in 2^14 delta times of 2^28
  std::string longest = "00 FF 51 03 FF FF FF";
  for (int i = 0; i < 16384; i++) longest += " 81 80 80 80 00 FF 0F 00";
  const Midi slow = file(0, 1, {longest + " 00 FF 2F 00"});
  struct Case {
    const Midi* m;
    int32_t track;
    int64_t tick;
    int64_t units;
    int64_t time;
  } cases[] = {
      {&two, -1, 480, 1000, 500},    // a beat at 120 a minute
      {&two, -1, 1200, 1000, 1125},  // 1000 ms, then 240 ticks at 250000
      {&two, -1, 1920, 100, 225},    // 1.25 s, then a beat at 60 a minute
      {&two, -1, 1, 1000, 1},        // 1.0417 ms, rounded
      {&own, 1, 480, 1000, 1000},    // a type-2 track's own tempo
      {&own, 0, 480, 1000, 500},     // the other track has none
      // 2^42 * (2^24 - 1) us = 73786971896791.695 s, past 2^64 us
      {&slow, -1, int64_t{1} << 42, 1, 73786971896792},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tick);
    EXPECT_EQ(tempomap(*c.m, c.track).Time(c.tick, c.units), c.time);
  }
  // 25 frames a second, 40 ticks a frame: 1000 ticks a second; 29.97 frames (-29), 100 a frame
  EXPECT_EQ(tempomap(file(1, 0xE728, {"00 FF 2F 00"})).Time(1500, 1000), 1500);
  EXPECT_EQ(tempomap(file(1, 0xE364, {"00 FF 2F 00"})).Time(2997, 1000), 1000);
  EXPECT_FALSE(tempomap(file(1, 0xE700, {"00 FF 2F 00"})).Counts());
}
