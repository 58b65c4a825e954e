#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <thread>

#include "Merger.h"
#include "TestKit.h"
#include "TrackWriter.h"

namespace {

// True when image passes the structure check without printing a line.
bool Accepted(const bytes& image) {
  CoutCapture out;
  Midi m;
  m.image = image;
  bool ok;
  m.CheckFile(ok);
  return ok && out.Text().empty();
}

// What smf1to0 makes of image: checked, collected, repaired and written.
bytes Convert(const bytes& image) {
  Midi in;
  in.image = image;
  bool ok;
  {
    CoutCapture quiet;  // the trailing-bytes note
    in.CheckFile(ok);
  }
  EXPECT_TRUE(ok);
  gegevens merged = CollectEvents(in);
  RepairEndOfTrack(merged);
  Midi out;
  EXPECT_TRUE(WriteType0(merged, in.GetTicks(), out));
  return out.image;
}

// Events as "time hex" lines, readable when a comparison fails.
lijst Show(const gegevens& events) {
  lijst lines;
  for (const samen& e : events) lines.push_back(std::to_string(e.time) + bytes2hex(e.event));
  return lines;
}

// The inverse of Show: "time hex" lines as events.
gegevens Events(const lijst& lines) {
  gegevens events;
  for (const std::string& line : lines) {
    size_t blank = line.find(' ');
    events.push_back({std::stoi(line.substr(0, blank)), Hex(line.substr(blank))});
  }
  return events;
}

// The events of every track with absolute times, read by a fresh walk from position 14.
std::vector<lijst> Decode(const bytes& image) {
  Midi m;
  m.image = image;
  std::vector<lijst> tracks;
  int32_t pos = 14;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) {
    int32_t length;
    bool ok;
    m.ReadTrackHeader(pos, length, ok);
    gegevens events;
    int64_t time = 0;
    for (int32_t end = pos + length; pos < end;) {
      time += m.ReadVarLen(pos);
      bytes event;
      m.ReadEvent(pos, event);
      if (!event.empty()) events.push_back({static_cast<int32_t>(time), event});
    }
    tracks.push_back(Show(events));
  }
  return tracks;
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  while (n-- > 0) r += s;
  return r;
}

}  // namespace

TEST(CollectEvents, EventsWithAbsoluteTimes) {
  struct Case {
    std::string data;
    std::string before;  // a track before it, for the running status it leaves
    lijst events;
  } cases[] = {
      // a data byte while no running status is in force makes no event; its delta time counts
      {"05 3C  10 90 3C 40", "", {"21 90 3C 40"}},
      {"05 3C  10 90 3C 40", "00 C0 01", {"0 C0 01", "5 C0 3C", "21 90 3C 40"}},
      // a delta time is unsigned, and times go on past 7FFFFFFF and FFFFFFFF hex
      {"88 80 80 80 00 FF 01 00  00 FF 2F 00", "", {"2147483648 FF 01 00", "2147483648 FF 2F 00"}},
      {Repeat("FF FF FF 7F F8 ", 8) + "07 F8  01 F8",
       "",
       {"268435455 F8", "536870910 F8", "805306365 F8", "1073741820 F8", "1342177275 F8",
        "1610612730 F8", "1879048185 F8", "2147483640 F8", "2147483647 F8", "2147483648 F8"}},
      {"8F FF FF FF 7F F8  8F FF FF FF 7F F8", "", {"4294967295 F8", "8589934590 F8"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    Midi m;
    m.image = c.before.empty() ? SmfImage(1, 96, {c.data}) : SmfImage(1, 96, {c.before, c.data});
    EXPECT_EQ(Show(CollectEvents(m)), c.events);
  }
}

TEST(CollectEvents, TracksMergeByTimeThenTrack) {
  struct Case {
    std::string name;
    lijst tracks;        // the data of each track chunk
    std::string output;  // the data of the single output track
  } cases[] = {
      {"ties: track 0 first, each track in its own order",
       {"00 90 3C 40  60 80 3C 00  00 FF 2F 00", "00 C1 05  00 91 40 40  60 81 40 00  00 FF 2F 00"},
       R"(00 90 3C 40   # track 0
          00 C1 05      # track 1
          00 91 40 40
          60 80 3C 00   # track 0
          00 FF 0F 00   # its End of Track
          00 81 40 00   # track 1
          00 FF 2F 00)"},
      {"running status across former tracks",
       {"00 90 3C 40  10 3C 00  00 FF 2F 00", "08 90 40 40  10 FF 01 01 41  00 40 00  00 FF 2F 00"},
       R"(00 90 3C 40
          08    40 40     # track 1 shares track 0's status
          08    3C 00     # and back
          00 FF 0F 00
          08 FF 01 01 41
          00 90 40 00     # status written again after a meta event
          00 FF 2F 00)"},
      {"track data begins in the previous track's running status",
       {"00 90 3C 40  00 FF 2F 00", "00 3E 40  00 C1 05  00 FF 2F 00"},
       "00 90 3C 40  00 FF 0F 00  00 90 3E 40  00 C1 05  00 FF 2F 00"},
      // inputs the merge mends
      {"latest track has no End of Track",
       {"00 90 3C 40  00 FF 2F 00", "83 60 90 3C 00"},
       "00 90 3C 40  00 FF 0F 00  83 60 90 3C 00  00 FF 2F 00"},
      {"all tracks empty", {"", "", ""}, "00 FF 2F 00"},
      // the check leaves running status 91 behind; collecting starts again from none
      {"stray data byte at the first track's start",
       {"05 3C  10 90 3C 40  00 FF 2F 00", "00 91 40 40  00 FF 2F 00"},
       "00 91 40 40  00 FF 0F 00  15 90 3C 40  00 FF 2F 00"},
      {"stray data byte at a later track's start",
       {"00 FF 2F 00", "00 3C  00 C1 05  00 FF 2F 00"},
       "00 FF 0F 00  00 C1 05  00 FF 2F 00"},
      {"times past 7FFFFFFF hex, carried by empty meta events",
       {"88 80 80 80 00 FF 2F 00", "00 FF 2F 00"},
       "00 FF 0F 00" + Repeat(" FF FF FF 7F FF 0F 00", 8) + " 08 FF 2F 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bytes out = Convert(SmfImage(1, 480, c.tracks));
    EXPECT_EQ(out, SmfImage(0, 480, {c.output}));
    EXPECT_TRUE(Accepted(out));
  }
}

TEST(RepairEndOfTrack, OneEndOfTrackLast) {
  struct Case {
    std::string name;
    lijst merged, repaired;
  } cases[] = {
      {"nothing", {}, {"0 FF 2F 00"}},
      {"three on one tick",
       {"9 FF 2F 00", "9 FF 2F 00", "9 FF 2F 00"},
       {"9 FF 0F 00", "9 FF 0F 00", "9 FF 2F 00"}},
      {"note last", {"0 FF 2F 00", "5 90 3C 40"}, {"0 FF 0F 00", "5 90 3C 40", "5 FF 2F 00"}},
      {"empty meta event last", {"3 90 3C 40", "7 FF 0F 00"}, {"3 90 3C 40", "7 FF 2F 00"}},
      {"End of Track with data is another event",
       {"4 FF 2F 01 00"},
       {"4 FF 2F 01 00", "4 FF 2F 00"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gegevens merged = Events(c.merged);
    RepairEndOfTrack(merged);
    EXPECT_EQ(Show(merged), c.repaired);
  }
}

TEST(WriteType0, DivisionAndDeltaTimes) {
  struct Case {
    std::string name;
    int ticks;
    lijst merged;
    std::string track;
  } cases[] = {
      {"the first delta time is the first time", 1, {"200 FF 2F 00"}, "81 48 FF 2F 00"},
      {"largest delta time in one piece", 0x7FFF, {"268435455 FF 2F 00"}, "FF FF FF 7F FF 2F 00"},
      {"one tick more takes an empty meta event",
       480,
       {"0 90 3C 40", "268435456 90 3C 00", "268435456 FF 2F 00"},
       "00 90 3C 40  FF FF FF 7F FF 0F 00  01 90 3C 00  00 FF 2F 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Midi out;
    EXPECT_TRUE(WriteType0(Events(c.merged), c.ticks, out));
    EXPECT_EQ(out.image, SmfImage(0, c.ticks, {c.track}));
  }
}

namespace {

// A random type-1 file and the events of each track as written, with absolute times.
struct Generated {
  bytes image;
  std::vector<lijst> tracks;
};

bytes Vlq(uint32_t v) {
  bytes out{static_cast<uint8_t>(v & 0x7F)};
  while (v >>= 7) out.insert(out.begin(), static_cast<uint8_t>((v & 0x7F) | 0x80));
  return out;
}

Generated Generate(std::mt19937& rng) {
  auto pick = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
  auto data = [&pick](bytes& e, uint32_t n) {
    for (uint32_t i = 0; i < n; i++) e.push_back(static_cast<uint8_t>(pick(128)));
  };
  Generated g;
  lijst chunks;
  uint8_t status = 0;  // the reader's running status, carried from track to track
  for (uint32_t k = 0, count = 2 + pick(7); k < count; k++) {
    bytes chunk;
    gegevens events;
    uint32_t n = pick(10) == 0 ? 0 : 1 + pick(40);
    bool endOfTrack = n > 0 && pick(8) != 0;
    int32_t time = 0;
    for (uint32_t i = 0; i < n + endOfTrack; i++) {
      uint32_t delta = pick(3) == 0 ? 0 : pick(10) == 0 ? pick(100000) : pick(200);
      bytes e;
      bool withStatus = true;
      uint32_t kind = i == n ? 99 : pick(14);
      if (kind < 7) {
        uint8_t s =
            status && pick(2) ? status : static_cast<uint8_t>(0x80 + 16 * pick(7) + pick(16));
        e.push_back(s);
        data(e, (s >> 4) == 0xC || (s >> 4) == 0xD ? 1 : 2);
        withStatus = s != status || pick(3) == 0;
        status = s;
      } else if (kind == 7) {
        e = Hex("FF 51 03");
        data(e, 3);
      } else if (kind == 8) {
        uint32_t length = pick(10) == 0 ? 130 : pick(6);
        e = {0xFF, 0x01};
        for (uint8_t b : Vlq(length)) e.push_back(b);
        data(e, length);
      } else if (kind == 9 || kind == 10) {
        uint32_t length = 1 + pick(5);
        e = {static_cast<uint8_t>(kind == 9 ? 0xF0 : 0xF7), static_cast<uint8_t>(length)};
        data(e, length - 1);
        e.push_back(0xF7);
      } else if (kind == 11) {
        e = {static_cast<uint8_t>(0xF8 + pick(7))};
      } else if (kind == 12) {
        e = pick(2) ? Hex("FF 0F 00") : Hex("FF 06 00");
      } else {
        e = Hex("FF 2F 00");  // also in the middle of a track
      }
      time += delta;
      for (uint8_t b : Vlq(delta)) chunk.push_back(b);
      chunk.insert(chunk.end(), e.begin() + (withStatus ? 0 : 1), e.end());
      events.push_back({time, e});
    }
    chunks.push_back(bytes2hex(chunk));
    g.tracks.push_back(Show(events));
  }
  g.image = SmfImage(1, static_cast<uint16_t>(1 + pick(0x7FFF)), chunks);
  return g;
}

}  // namespace

TEST(CollectEvents, RandomFilesKeepEveryEventInTrackOrder) {
  std::mt19937 rng(1021);
  for (int file = 0; file < 200 && !HasFailure(); file++) {
    SCOPED_TRACE("file " + std::to_string(file));
    Generated g = Generate(rng);
    ASSERT_TRUE(Accepted(g.image));
    ASSERT_EQ(Decode(g.image), g.tracks);
    bytes out = Convert(g.image);
    EXPECT_TRUE(Accepted(out));
    // type 0, one track, the input's division
    EXPECT_EQ(bytes(out.begin(), out.begin() + 14),
              Hex("4D 54 68 64 00 00 00 06 00 00 00 01 " + bytes2hex({g.image[12], g.image[13]})));

    // expected: every event by time, ties in track order, each track in its own order; then
    // every End of Track an empty meta event and one End of Track last
    gegevens all;
    for (const lijst& track : g.tracks) {
      for (samen& e : Events(track)) {
        if (e.event == Hex("FF 2F 00")) e.event = Hex("FF 0F 00");
        all.push_back(e);
      }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const samen& a, const samen& b) { return a.time < b.time; });
    if (all.empty() || all.back().event != Hex("FF 0F 00")) {
      all.push_back({all.empty() ? 0 : all.back().time, {}});
    }
    all.back().event = Hex("FF 2F 00");
    EXPECT_EQ(Decode(out), std::vector<lijst>{Show(all)});
  }
}

TEST(MergeToType0, SameBytesAsCollectRepairWrite) {
  std::mt19937 rng(2718);
  for (int file = 0; file < 200 && !HasFailure(); file++) {
    SCOPED_TRACE("file " + std::to_string(file));
    Generated g = Generate(rng);
    Midi in;
    in.image = g.image;
    Midi out;
    EXPECT_EQ(MergeToType0(in, out), mergeend::Merged);
    EXPECT_EQ(bytes2hex(out.image), bytes2hex(Convert(g.image)));
  }
}

TEST(MergeToType0, WrittenAsItGoesSameAsInMemory) {
  // big enough for several blocks, ending in either End of Track: merged, or added
  std::string notes = Repeat("05 90 3C 40  05 3C 00  ", 20000);
  struct Case {
    std::string name;
    lijst tracks;
  } cases[] = {
      {"ends in the last track's End of Track", {notes + "00 FF 2F 00", notes + "00 FF 2F 00"}},
      {"End of Track added", {notes + "00 FF 2F 00", notes}},
  };
  for (const Case& c : cases) {
    for (bool fifo : {false, true}) {  // a file written as it goes, or one written at the end
      SCOPED_TRACE(c.name + (fifo ? ", FIFO" : ", file"));
      Midi in;
      in.image = SmfImage(1, 96, c.tracks);
      Midi whole;
      ASSERT_EQ(MergeToType0(in, whole), mergeend::Merged);
      ASSERT_GT(whole.image.size(), 3u * trackwriter::kBlockSize);

      TempDir dir;
      std::string name = dir.Path("out.mid");
      bytes got;
      std::thread reader;
      if (fifo) {
        ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
        reader = std::thread([&] { readfile(name, got); });
      }
      outputfile file;
      ASSERT_TRUE(file.Open(name, Format::Midi));
      Midi block;
      EXPECT_EQ(MergeToType0(in, block, &file), mergeend::Merged);
      EXPECT_TRUE(file.Commit());
      if (fifo) {
        reader.join();
      } else {
        readfile(name, got);
      }
      EXPECT_EQ(got, whole.image);
    }
  }
}
