#include <gtest/gtest.h>

#include "MidiDoos.h"
#include "TestKit.h"

namespace {

const std::string kMThd = "4D 54 68 64 00 00 00 06 ";
const std::string kType0 = kMThd + "00 00 00 01 00 60 ";
const std::string kType1 = kMThd + "00 01 00 02 00 60 ";
const std::string kMTrk = " 4D 54 72 6B ";
const std::string kEndOfTrack = kMTrk + "00 00 00 04  00 FF 2F 00 ";

struct Result {
  bool ok;
  std::string text;
};

// CheckFile on image as the given program, on a fresh object each time: ok comes out the same
// whatever the caller set it to, and the image is never changed.
Result CheckAs(const bytes& image, Guards guards) {
  Result r{};
  for (bool start : {true, false}) {
    Midi m;
    m.image = image;
    CoutCapture out;
    bool ok = start;
    m.CheckFile(ok, guards);
    if (start) r = {ok, out.Text()};
    EXPECT_EQ(ok, r.ok);
    EXPECT_EQ(out.Text(), r.text);
    EXPECT_EQ(m.image, image);
  }
  return r;
}

struct FileCase {
  std::string file;
  std::string merger;      // lines printed as the merger
  std::string relabeller;  // lines printed as the relabeller; "=" for the same
  bool ok;
  int relabellerOk = -1;  // whether the relabeller accepts it when that differs
};

void RunFileCases(const std::vector<FileCase>& cases) {
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.file);
    Result merger = CheckAs(Hex(c.file), Guards::AtTrackEnd);
    EXPECT_EQ(merger.text, c.merger);
    EXPECT_EQ(merger.ok, c.ok);
    Result relabeller = CheckAs(Hex(c.file), Guards::AtEveryRead);
    EXPECT_EQ(relabeller.text, c.relabeller == "=" ? c.merger : c.relabeller);
    EXPECT_EQ(relabeller.ok, c.relabellerOk < 0 ? c.ok : c.relabellerOk == 1);
  }
}

}  // namespace

TEST(CheckHeader, EveryStepInOrder) {
  struct Case {
    std::string file;
    std::string text;  // empty when the header passes
  } cases[] = {
      {kType0, "MidiFile <= 14 bytes\n"},  // a valid header alone is still too short
      {kType0 + "00", ""},
      {"52 49 46 46 24 00 00 00 57 41 56 45 66 6D 74 20", "RIFF <> \"MThd\" in MF header\n"},
      {"4D 54 68 00 00 00 00 06 00 00 00 01 00 60 00",
       std::string("MTh\0", 4) + " <> \"MThd\" in MF header\n"},  // bytes printed raw
      {"4D 54 68 64 00 00 00 07 00 00 00 01 00 60 00", "Header chunk size not 6\n"},
      {"4D 54 68 64 01 00 00 06 00 00 00 01 00 60 00", "Header chunk size not 6\n"},
      {kMThd + "00 03 00 01 00 60 00", "Error in header: type MF = 3\n"},
      {kMThd + "01 00 00 01 00 60 00", "Error in header: type MF = 256\n"},
      {kMThd + "00 03 00 00 E2 50 00", "Error in header: type MF = 3\n"},  // first failure only
      {kMThd + "00 00 00 02 00 60 00", "Type 0 and # tracks 2 incompatible\n"},
      {kMThd + "00 00 00 00 00 60 00", "Type 0 and # tracks 0 incompatible\n"},
      {kMThd + "00 01 00 00 00 60 00", "Type 1 and # tracks 0 incompatible\n"},
      {kMThd + "00 02 00 00 00 60 00", "Type 2 and # tracks 0 incompatible\n"},
      {kMThd + "00 01 00 01 00 60 00", ""},  // one track is allowed in types 1 and 2
      {kMThd + "00 02 00 01 00 60 00", ""},
      {kMThd + "00 01 00 02 00 60 00", ""},
      {kMThd + "00 02 FF FF 00 60 00", ""},
      {kMThd + "00 00 00 01 80 00 00", "Unsupported (SMPTE) # ticks\n"},
      {kMThd + "00 00 00 01 00 00 00", "# ticks must be > 0\n"},
      {kMThd + "00 00 00 01 7F FF 00", ""},
      {kMThd + "00 00 00 01 00 01 00", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Midi m;
    m.image = Hex(c.file);
    CoutCapture out;
    bool ok = !c.text.empty();
    m.CheckHeader(ok);
    EXPECT_EQ(ok, c.text.empty());
    EXPECT_EQ(out.Text(), c.text);
  }
}

TEST(ReadTrackHeader, IdentifierAndLength) {
  struct Case {
    std::string chunk;
    bool ok;
    int32_t length;
    int32_t pos;
    std::string text;
  } cases[] = {
      {"4D 54 72 6B 00 01 02 03", true, 0x010203, 22, ""},
      {"4D 54 72 6B 80 00 00 00", true, INT32_MIN, 22, ""},  // signed, as read
      {"4D 54 72 4B 00 00 00 04", false, 0, 18, "MTrK <> \"MTrk\" in Track header at byte 14\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chunk);
    Midi m;
    m.image = Hex(kType0 + c.chunk + " 00 FF 2F 00");
    CoutCapture out;
    int32_t pos = 14;
    int32_t length = 99;
    bool ok = !c.ok;
    m.ReadTrackHeader(pos, length, ok);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(pos, c.pos);
    EXPECT_EQ(out.Text(), c.text);
  }
}

TEST(CheckFile, HeaderAndTrackChunks) {
  RunFileCases({
      {"", "No MidiFile Read yet\n", "=", false},
      {"4D 54 68 64", "MidiFile <= 14 bytes\n", "=", false},
      // past the header, the 15th byte cannot hold a track header
      {kType0 + "00", "# midi bytes (22) > file size (15)\n", "=", false},
      // track chunks
      {kType0 + kEndOfTrack, "", "", true},
      {kType0 + kMTrk + "00 00 00 00", "", "", true},                         // an empty track
      {kType0 + kMTrk + "00 00 00 07  00 90 3C 40  60 3C 00", "", "", true},  // no End of Track
      {kType1 + kEndOfTrack + kEndOfTrack, "", "", true},
      // the second track begins in the status the first one left
      {kType1 + kMTrk + "00 00 00 04  00 90 3C 40" + kMTrk + "00 00 00 03  60 3C 00", "", "", true},
      {kType0 + "4D 54 72 4B 00 00 00 04  00 FF 2F 00",
       "MTrK <> \"MTrk\" in Track header at byte 14\n", "=", false},
      {kType1 + kEndOfTrack + "4D 54 68 64 00 00 00 04  00 FF 2F 00",
       "MThd <> \"MTrk\" in Track header at byte 26\n", "=", false},
      // bytes after the last track: a warning, and the file is accepted
      {kType0 + kEndOfTrack + "00 00", "# midi bytes (26) < file size (28)\n", "=", true},
  });
}

TEST(CheckFile, TrackOrEventsPastTheEnd) {
  RunFileCases({
      // the end is 10 bytes past the file: no event is walked
      {kType0 + kMTrk + "00 00 00 0E  00 FF 2F 00", "# midi bytes (36) > file size (26)\n", "=",
       false},
      {kType0 + kMTrk + "80 00 00 00  00 FF 2F 00", "# midi bytes (2147483670) > file size (26)\n",
       "=", false},
      {kType0 + kMTrk + "FF FF FF FF  00 FF 2F 00", "# midi bytes (4294967317) > file size (26)\n",
       "=", false},
      {kType0 + kMTrk + "7F FF FF F0  00 FF 2F 00", "# midi bytes (2147483654) > file size (26)\n",
       "=", false},
      // more tracks announced than the file holds
      {kType1 + kEndOfTrack, "# midi bytes (34) > file size (26)\n", "=", false},
      // the file ends inside a track header
      {kType0 + "4D 54 72 6B 00 00", "# midi bytes (22) > file size (20)\n", "=", false},
      // events past the track's end
      // 00 FF 2F 00 stated as 3 bytes: the walk ends at 26, the track at 25
      {kType0 + kMTrk + "00 00 00 03  00 FF 2F 00", "Any Event error at : 26 > 25\n",
       "Event > track size at : 26\n", false},
      {kType0 + kMTrk + "00 00 00 01  00 FF 2F 00", "Any Event error at : 26 > 23\n",
       "Event > track size at : 26\n", false},
      // a delta time whose last byte lies past the track end
      {kType0 + kMTrk + "00 00 00 02  81 80 00 FF 2F 00", "Delta Time error at : 25 > 24\n",
       "Time > track size at : 25\n", false},
      // continuation bits up to the file's end: the read would need byte 25
      {kType0 + kMTrk + "00 00 00 03  FF FF FF", "Delta Time error at : 26 > 25\n",
       "Time > track size at : 26\n", false},
      // a meta or sysex length that carries past the file's end
      {kType0 + kMTrk + "00 00 00 05  00 FF 01 05 41", "Any Event error at : 31 > 27\n",
       "Event > track size at : 31\n", false},
      {kType0 + kMTrk + "00 00 00 05  00 F0 05 7E 7F", "Any Event error at : 30 > 27\n",
       "Event > track size at : 30\n", false},
      {kType0 + kMTrk + "00 00 00 04  00 FF 01 81", "Any Event error at : 27 > 26\n",
       "Event > track size at : 27\n", false},
  });
}

TEST(CheckFile, ReadAtTheFileEnd) {
  // the merger overruns where a delta time or length has no byte left; the relabeller stops at
  // its guard with a line and accepts the track
  RunFileCases({
      {kType0 + kMTrk + "00 00 00 05  00 FF 2F 00 00", "Any Event error at : 28 > 27\n",
       "MidiFile size exceeded\n", false, true},
      {kType0 + kMTrk + "00 00 00 03  00 FF 01", "Any Event error at : 26 > 25\n",
       "MidiFile size exceeded\n", false, true},
      {kType0 + kMTrk + "00 00 00 02  00 F0", "Any Event error at : 25 > 24\n",
       "MidiFile size exceeded\n", false, true},
  });
}
