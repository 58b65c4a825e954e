#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "Merger.h"
#include "TestKit.h"

namespace {

// A Standard MIDI File: the header chunk, one track chunk per entry of tracks, then trailing.
bytes Smf(int type, int division, const std::vector<bytes>& tracks, const bytes& trailing = {}) {
  bytes f = Hex("4D 54 68 64 00 00 00 06");
  for (size_t v : {size_t(type), tracks.size(), size_t(division)}) {
    f.push_back(static_cast<uint8_t>(v >> 8));
    f.push_back(static_cast<uint8_t>(v));
  }
  for (const bytes& t : tracks) {
    for (uint8_t b : Hex("4D 54 72 6B")) f.push_back(b);
    for (int shift = 24; shift >= 0; shift -= 8)
      f.push_back(static_cast<uint8_t>(t.size() >> shift));
    f.insert(f.end(), t.begin(), t.end());
  }
  f.insert(f.end(), trailing.begin(), trailing.end());
  return f;
}

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

struct FileCase {
  std::string name;
  std::vector<std::string> tracks;  // the data of each track chunk, as hex
  std::string output;               // the data of the single output track, as hex
};

void ExpectConversions(const std::vector<FileCase>& cases) {
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<bytes> tracks;
    for (const std::string& t : c.tracks) tracks.push_back(Hex(t));
    bytes out = Convert(Smf(1, 480, tracks));
    EXPECT_EQ(out, Smf(0, 480, {Hex(c.output)}));
    EXPECT_TRUE(Accepted(out));
  }
}

}  // namespace

TEST(ShowUsage, EightLines) {
  CoutCapture out;
  ShowUsage();
  EXPECT_EQ(out.Text(),
            Lines({"SMF1TO0", "", "Converts type 1 to type 0 MidiFile", "",
                   "Syntax: [program] [IMF] [OMF]", "", "IMF = name of 1-type MidiFile (Input)",
                   "OMF = name of 0-type MidiFile (Output)"}));
}

TEST(CheckParameters, CountThenInput) {
  TempDir dir;
  WriteText(dir.Path("in.mid"), "x");
  std::string usage = Lines(
      {"SMF1TO0", "", "Converts type 1 to type 0 MidiFile", "", "Syntax: [program] [IMF] [OMF]", "",
       "IMF = name of 1-type MidiFile (Input)", "OMF = name of 0-type MidiFile (Output)"});
  struct Case {
    lijst args;
    bool ok;
    std::string out;
  } cases[] = {
      {{}, false, usage},
      {{dir.Path("in.mid")}, false, usage},
      {{dir.Path("in.mid"), "o", "x"}, false, usage},
      {{"", ""}, false, ": does Not exist\n"},
      {{dir.Path("no.mid"), "o"}, false, dir.Path("no.mid") + ": does Not exist\n"},
      {{dir.Path("."), "o"}, false, dir.Path(".") + ": does Not exist\n"},
      {{dir.Path("in.mid"), dir.Path("no/such/folder/out")}, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CoutCapture out;
    bool ok = !c.ok;
    CheckParameters(c.args, ok);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(out.Text(), c.out);
  }
}

TEST(ReadTrackEvents, EventsWithAbsoluteTimes) {
  struct Case {
    std::string data;
    uint8_t status;  // running status when the walk starts
    lijst events;
  } cases[] = {
      {"", 0, {}},
      {"00 90 3C 40  10 3E 40  00 FF 2F 00", 0, {"0 90 3C 40", "16 90 3E 40", "16 FF 2F 00"}},
      // a data byte while no running status is in force makes no event; its delta time counts
      {"05 3C  10 90 3C 40", 0, {"21 90 3C 40"}},
      {"05 3C  10 90 3C 40", 0xC0, {"5 C0 3C", "21 90 3C 40"}},
      {"00 F0 03 7E 7F F7  00 F7 01 01  01 F8  00 FF 51 03 07 A1 20",
       0,
       {"0 F0 03 7E 7F F7", "0 F7 01 01", "1 F8", "1 FF 51 03 07 A1 20"}},
      // meta and system events leave the running status alone
      {"00 D3 10  00 FF 01 00  00 F8  00 11", 0, {"0 D3 10", "0 FF 01 00", "0 F8", "0 D3 11"}},
      // a delta time is unsigned: a five-byte one of 80000000 hex stops at 7FFFFFFF
      {"88 80 80 80 00 FF 01 00  00 FF 2F 00", 0, {"2147483647 FF 01 00", "2147483647 FF 2F 00"}},
      {Repeat("FF FF FF 7F F8 ", 8) + "07 F8  01 F8",
       0,
       {"268435455 F8", "536870910 F8", "805306365 F8", "1073741820 F8", "1342177275 F8",
        "1610612730 F8", "1879048185 F8", "2147483640 F8", "2147483647 F8", "2147483647 F8"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    Midi m;
    m.image = Hex("AA BB " + c.data + " CC");  // the track starts at 2, and a byte follows it
    int32_t length = static_cast<int32_t>(m.image.size()) - 3;
    m.runningStatus = c.status;
    int32_t pos = 2;
    int32_t n = CountTrackEvents(m, pos, length);
    EXPECT_EQ(pos, 2 + length);
    EXPECT_EQ(n, static_cast<int32_t>(c.events.size()));
    m.runningStatus = c.status;
    pos = 2;
    gegevens events(n);
    ReadTrackEvents(m, pos, length, events);
    EXPECT_EQ(pos, 2 + length);
    EXPECT_EQ(Show(events), c.events);
  }
}

TEST(CollectEvents, TracksMergeByTimeThenTrack) {
  ExpectConversions({
      {"ties: track 0 first, each track in its own order",
       {"00 90 3C 40  60 80 3C 00  00 FF 2F 00", "00 C1 05  00 91 40 40  60 81 40 00  00 FF 2F 00"},
       R"(00 90 3C 40   # track 0
          00 C1 05      # track 1
          00 91 40 40
          60 80 3C 00   # track 0
          00 FF 0F 00   # its End of Track
          00 81 40 00   # track 1
          00 FF 2F 00)"},
      {"five tracks on one tick",
       {"00 C0 00 00 FF 2F 00", "00 C1 01 00 FF 2F 00", "00 C2 02 00 FF 2F 00",
        "00 C3 03 00 FF 2F 00", "00 C4 04 00 FF 2F 00"},
       "00 C0 00 00 FF 0F 00  00 C1 01 00 FF 0F 00  00 C2 02 00 FF 0F 00"
       "00 C3 03 00 FF 0F 00  00 C4 04 00 FF 2F 00"},
      {"tempo track ends at 0, note track at 1920",
       {"00 FF 51 03 07 A1 20  00 FF 2F 00", "00 90 3C 40  8F 00 80 3C 00  00 FF 2F 00"},
       R"(00 FF 51 03 07 A1 20
          00 FF 0F 00          # the tempo track's End of Track
          00 90 3C 40
          8F 00 80 3C 00       # 1920
          00 FF 2F 00)"},
      {"three tracks end on one tick",
       {"00 C0 10  83 60 FF 2F 00", "00 C1 11  83 60 FF 2F 00", "00 C2 12  83 60 FF 2F 00"},
       "00 C0 10  00 C1 11  00 C2 12  83 60 FF 0F 00  00 FF 0F 00  00 FF 2F 00"},
      {"delta times are differences of merged times",
       {"0A 90 3C 40  81 00 80 3C 00  00 FF 2F 00",  // 10, 138
        "14 91 3E 40  64 81 3E 00  00 FF 2F 00"},    // 20, 120
       "0A 90 3C 40  0A 91 3E 40  64 81 3E 00  00 FF 0F 00  12 80 3C 00  00 FF 2F 00"},
      {"running status across former tracks",
       {"00 90 3C 40  10 3C 00  00 FF 2F 00", "08 90 40 40  10 FF 01 01 41  00 40 00  00 FF 2F 00"},
       R"(00 90 3C 40
          08    40 40     # track 1 shares track 0's status
          08    3C 00     # and back
          00 FF 0F 00
          08 FF 01 01 41
          00 90 40 00     # status written again after a meta event
          00 FF 2F 00)"},
      {"empty tracks",
       {"", "00 90 3C 40  10 80 3C 00  00 FF 2F 00", "", "05 C0 01  00 FF 2F 00", ""},
       "00 90 3C 40  05 C0 01  00 FF 0F 00  0B 80 3C 00  00 FF 2F 00"},
      {"track data begins in the previous track's running status",
       {"00 90 3C 40  00 FF 2F 00", "00 3E 40  00 C1 05  00 FF 2F 00"},
       "00 90 3C 40  00 FF 0F 00  00 90 3E 40  00 C1 05  00 FF 2F 00"},
  });
}

TEST(CollectEvents, MendedInputs) {
  ExpectConversions({
      {"latest track has no End of Track",
       {"00 90 3C 40  00 FF 2F 00", "83 60 90 3C 00"},
       "00 90 3C 40  00 FF 0F 00  83 60 90 3C 00  00 FF 2F 00"},
      {"no End of Track anywhere", {"00 C0 05", "10 C1 06"}, "00 C0 05  10 C1 06  00 FF 2F 00"},
      {"all tracks empty", {"", "", ""}, "00 FF 2F 00"},
      // the check leaves running status 91 behind; collecting starts again from none
      {"stray data byte at the first track's start",
       {"05 3C  10 90 3C 40  00 FF 2F 00", "00 91 40 40  00 FF 2F 00"},
       "00 91 40 40  00 FF 0F 00  15 90 3C 40  00 FF 2F 00"},
      {"stray data byte at a later track's start",
       {"00 FF 2F 00", "00 3C  00 C1 05  00 FF 2F 00"},
       "00 FF 0F 00  00 C1 05  00 FF 2F 00"},
      {"five-byte delta time over 0FFFFFFF",
       {"81 80 80 80 00 FF 2F 00", "00 FF 2F 00"},
       "00 FF 0F 00  FF FF FF 7F FF 0F 00  01 FF 2F 00"},
      {"gap over 0FFFFFFF across a stray data byte",
       {"FF FF FF 7F 3C  05 90 3C 40  00 FF 2F 00", "00 FF 2F 00"},
       "00 FF 0F 00  FF FF FF 7F FF 0F 00  05 90 3C 40  00 FF 2F 00"},
      {"times stop at 7FFFFFFF",
       {"88 80 80 80 00 FF 2F 00", "00 FF 2F 00"},
       "00 FF 0F 00" + Repeat(" FF FF FF 7F FF 0F 00", 8) + " 07 FF 2F 00"},
  });
}

TEST(RepairEndOfTrack, OneEndOfTrackLast) {
  const bytes eot = {0xFF, 0x2F, 0x00};
  const bytes empty = {0xFF, 0x0F, 0x00};
  const bytes note = {0x90, 0x3C, 0x40};
  struct Case {
    std::string name;
    gegevens merged;
    lijst repaired;
  } cases[] = {
      {"nothing", {}, {"0 FF 2F 00"}},
      {"last of two", {{0, eot}, {5, eot}}, {"0 FF 0F 00", "5 FF 2F 00"}},
      {"three on one tick",
       {{9, eot}, {9, eot}, {9, eot}},
       {"9 FF 0F 00", "9 FF 0F 00", "9 FF 2F 00"}},
      {"note last", {{0, eot}, {5, note}}, {"0 FF 0F 00", "5 90 3C 40", "5 FF 2F 00"}},
      {"empty meta event last", {{3, note}, {7, empty}}, {"3 90 3C 40", "7 FF 2F 00"}},
      {"End of Track with data is another event",
       {{4, {0xFF, 0x2F, 0x01, 0x00}}},
       {"4 FF 2F 01 00", "4 FF 2F 00"}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    RepairEndOfTrack(c.merged);
    EXPECT_EQ(Show(c.merged), c.repaired);
  }
}

TEST(WriteType0, HeaderKeepsDivision) {
  for (int ticks : {1, 96, 480, 0x7FFF}) {
    SCOPED_TRACE(ticks);
    Midi out;
    EXPECT_TRUE(WriteType0({{0, {0xFF, 0x2F, 0x00}}}, ticks, out));
    EXPECT_EQ(out.image, Smf(0, ticks, {Hex("00 FF 2F 00")}));
  }
  Midi out;
  WriteType0({{0, {0xFF, 0x2F, 0x00}}}, 480, out);
  EXPECT_EQ(bytes(out.image.begin() + 8, out.image.begin() + 14), Hex("00 00 00 01 01 E0"));
}

TEST(WriteType0, DeltaTimesAndRunningStatus) {
  const bytes eot = {0xFF, 0x2F, 0x00};
  struct Case {
    std::string name;
    gegevens merged;
    std::string track;
  } cases[] = {
      {"the first delta time is the first time", {{200, eot}}, "81 48 FF 2F 00"},
      {"largest delta time in one piece", {{0x0FFFFFFF, eot}}, "FF FF FF 7F FF 2F 00"},
      {"one tick more takes an empty meta event",
       {{0x10000000, eot}},
       "FF FF FF 7F FF 0F 00  01 FF 2F 00"},
      {"status again after the empty meta event",
       {{0, {0x90, 0x3C, 0x40}}, {0x1FFFFFFE, {0x90, 0x3C, 0x00}}, {0x1FFFFFFE, eot}},
       "00 90 3C 40  FF FF FF 7F FF 0F 00  FF FF FF 7F 90 3C 00  00 FF 2F 00"},
      {"sysex and system events end running status",
       {{0, {0x90, 0x3C, 0x40}},
        {0, {0xF0, 0x01, 0xF7}},
        {0, {0x90, 0x3E, 0x40}},
        {0, {0xF8}},
        {0, {0x90, 0x40, 0x40}},
        {0, {0x90, 0x41, 0x40}},
        {1, {0xC0, 0x01}},
        {2, {0xC0, 0x02}},
        {2, eot}},
       "00 90 3C 40  00 F0 01 F7  00 90 3E 40  00 F8  00 90 40 40  00 41 40  01 C0 01  01 02"
       "00 FF 2F 00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Midi out;
    EXPECT_TRUE(WriteType0(c.merged, 96, out));
    EXPECT_EQ(out.image, Smf(0, 96, {Hex(c.track)}));
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
  std::vector<bytes> chunks;
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
    chunks.push_back(chunk);
    g.tracks.push_back(Show(events));
  }
  g.image = Smf(1, 1 + pick(0x7FFF), chunks);
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
    std::vector<lijst> decoded = Decode(out);
    ASSERT_EQ(decoded.size(), 1u);
    const lijst& got = decoded[0];
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(std::count_if(got.begin(), got.end(),
                            [](const std::string& s) { return s.ends_with(" FF 2F 00"); }),
              1);
    EXPECT_TRUE(got.back().ends_with(" FF 2F 00"));

    // expected: every event by time, ties in track order, each track in its own order; then
    // every End of Track an empty meta event and one End of Track last
    std::vector<std::pair<int32_t, std::string>> all;
    for (const lijst& track : g.tracks) {
      for (const std::string& line : track) {
        size_t blank = line.find(' ');
        std::string event = line.substr(blank);
        all.push_back(
            {std::stoi(line.substr(0, blank)), event == " FF 2F 00" ? " FF 0F 00" : event});
      }
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (all.empty()) {
      all.push_back({0, " FF 2F 00"});
    } else if (all.back().second == " FF 0F 00") {
      all.back().second = " FF 2F 00";
    } else {
      all.push_back({all.back().first, " FF 2F 00"});
    }
    lijst want;
    for (const auto& [time, event] : all) want.push_back(std::to_string(time) + event);
    lijst gotSorted = got;
    lijst wantSorted = want;
    std::sort(gotSorted.begin(), gotSorted.end());
    std::sort(wantSorted.begin(), wantSorted.end());
    EXPECT_EQ(gotSorted, wantSorted);
    EXPECT_EQ(got, want);
  }
}
