#include <gtest/gtest.h>

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
