#include <gtest/gtest.h>

#include <random>

#include "Cursor.h"
#include "TestKit.h"
#include "TrackWriter.h"

namespace {

// The events a cursor reads from the first track of image, as "tick hex" (a stray data byte
// as "tick stray hex"), and how it stopped.
struct Read {
  lijst events;
  stopreason stop;
  int32_t pos;
  bool exceeded;
};

Read ReadTrack(const bytes& image, uint8_t status, Guards guards) {
  Midi m;
  m.image = image;
  chunkcursor chunks(m);
  chunk c;
  EXPECT_TRUE(chunks.Next(c));
  trackcursor track(m, c, status, guards);
  trackevent e;
  Read r;
  while (track.Next(e)) {
    r.events.push_back(std::to_string(e.tick) + (e.event.IsEvent() ? "" : " stray") +
                       bytes2hex(e.event.Bytes()));
  }
  EXPECT_FALSE(track.Next(e));  // a stopped cursor stays where it stopped
  r.stop = track.stop;
  r.pos = track.pos;
  r.exceeded = track.exceeded;
  return r;
}

}  // namespace

TEST(trackcursor, EventsAndWhereAndWhyItStops) {
  const auto end = stopreason::End;
  const auto delta = stopreason::DeltaPastEnd;
  const auto event = stopreason::EventPastEnd;
  struct Case {
    std::string data;  // the track's data; the track begins at 22
    std::string trailing;
    uint8_t status;
    Guards guards;
    lijst events;
    stopreason stop;
    int32_t pos;
    bool exceeded;
  } cases[] = {
      {"", "", 0, Guards::AtTrackEnd, {}, end, 22, false},
      {"00 90 3C 40  81 00 3E 40  00 FF 2F 00",
       "",
       0,
       Guards::AtTrackEnd,
       {"0 90 3C 40", "128 90 3E 40", "128 FF 2F 00"},
       end,
       34,
       false},
      // the status the track begins in, a stray data byte, and F1 to F7 sized like sysex
      {"00 3C  04 3D", "", 0xC2, Guards::AtTrackEnd, {"0 C2 3C", "4 C2 3D"}, end, 26, false},
      {"05 3C  00 F1 01 55",
       "",
       0,
       Guards::AtTrackEnd,
       {"5 stray 3C", "5 F1 01 55"},
       end,
       28,
       false},
      // a delta time or event past the track's end: the position it would end at
      {"00 FF 2F 00", "00", 0, Guards::AtTrackEnd, {"0 FF 2F 00"}, end, 26, false},
      {"81", "80 00", 0, Guards::AtTrackEnd, {}, delta, 25, false},
      {"00", "FF 2F 00", 0, Guards::AtTrackEnd, {}, event, 26, false},
      {"00 FF 01 05 41", "", 0, Guards::AtTrackEnd, {}, event, 31, false},
      // at the image's end: an unguarded read overruns by a byte, a guarded one is not made
      {"00 FF 2F 00 60", "", 0, Guards::AtTrackEnd, {"0 FF 2F 00"}, event, 28, false},
      {"00 FF 2F 00 60", "", 0, Guards::AtEveryRead, {"0 FF 2F 00"}, end, 27, true},
      {"00 FF 05", "", 0, Guards::AtEveryRead, {"0 FF 05"}, end, 25, true},
      {"00 FF", "", 0, Guards::AtEveryRead, {}, event, 25, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data + " | " + c.trailing);
    Read r = ReadTrack(SmfImage(0, 96, {c.data}, c.trailing), c.status, c.guards);
    EXPECT_EQ(r.events, c.events);
    EXPECT_EQ(r.stop, c.stop);
    EXPECT_EQ(r.pos, c.pos);
    EXPECT_EQ(r.exceeded, c.exceeded);
  }
}

// Random events written at random ticks by the track writer come back from the cursor as they
// were, at the same ticks: running status, lengths, and gaps longer than a delta time holds.
TEST(trackwriter, TheCursorReadsBackWhatItWrote) {
  std::mt19937 rng(4242);
  auto pick = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
  for (int round = 0; round < 100 && !HasFailure(); round++) {
    SCOPED_TRACE(round);
    gegevens written;
    int64_t tick = 0;
    for (uint32_t i = 0, n = pick(300); i < n; i++) {
      tick += pick(20) == 0 ? int64_t{kMaxDeltaTime} * pick(3) + pick(9) : pick(3) * pick(500);
      bytes e;
      uint32_t kind = pick(6);
      if (kind < 3) {
        uint8_t status = static_cast<uint8_t>(0x80 + 16 * pick(7) + pick(2));
        e = {status, static_cast<uint8_t>(pick(128))};
        if (!HasOneDataByte(status)) e.push_back(static_cast<uint8_t>(pick(128)));
      } else if (kind < 5) {
        e = {static_cast<uint8_t>(kind == 3 ? kSysex : kMeta)};
        if (kind == 4) e.push_back(static_cast<uint8_t>(0x10 + pick(0x60)));  // no FF 0F
        uint32_t length = pick(4) == 0 ? 200 : pick(4);
        appendvarlen(static_cast<int32_t>(length), e);
        for (uint32_t b = 0; b < length; b++) e.push_back(static_cast<uint8_t>(pick(256)));
      } else {
        e = {static_cast<uint8_t>(0xF8 + pick(7))};
      }
      written.push_back({tick, e});
    }
    Midi out;
    trackwriter w(out, 0);
    w.BeginTrack();
    for (const samen& e : written) {
      ASSERT_TRUE(w.EventAt(e.time, {e.event[0], e.event.data() + 1, e.event.size() - 1}));
    }
    ASSERT_TRUE(w.EndTrack());
    w.Finish(0, 1, 96);
    gegevens read;
    Midi copy = out;
    ForEachEvent(copy, Guards::AtTrackEnd, [&](int32_t, const trackevent& e) {
      if (!e.event.IsMeta(kEmptyType)) read.push_back({e.tick, e.event.Bytes()});
    });
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < read.size(); i++) {
      EXPECT_EQ(read[i].time, written[i].time);
      EXPECT_EQ(read[i].event, written[i].event);
    }
    bool ok;
    out.CheckFile(ok);
    EXPECT_TRUE(ok);
  }
}
