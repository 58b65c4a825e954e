#include "Compiler.h"
#include "FuzzTargets.h"
#include "TextMidi.h"

namespace {

[[noreturn]] void Fail(const std::string& what) { FuzzFailure("mev2smf", what); }

uint32_t Big32(const bytes& b, size_t p) {
  uint32_t v = 0;
  for (size_t i = p; i < p + 4; i++) v = v << 8 | (i < b.size() ? b[i] : 0);
  return v;
}

// True when the MEV text makes only events that a reader can cut out again: every event line
// gives a complete event with its status byte, and no track section ends on a time line (its
// delta time would have no event).
bool OnlyCompleteEvents(const std::string& text) {
  textreader in;
  in.OpenText(text);
  std::string line;
  bool header = true;
  bool inTrack = false;
  bool lastWasTime = false;
  bool complete = true;
  while (in.ReadLine(line)) {
    if (header) {
      header = false;
      continue;
    }
    if (!line.empty() && line[0] == 'T') {
      complete = complete && !lastWasTime;
      inTrack = true;
      lastWasTime = false;
    } else if (inTrack && !line.empty() && line[0] != '*') {
      lastWasTime = IsTimeLine(line);
      if (lastWasTime) continue;
      bytes event = EncodeEventLine(line);
      bool whole = ReadsBackWhole(event);
      // an event that carries its length always reads back whole: the length field is exact
      if (!event.empty() && (line[0] == 'M' || line[0] == 'H') && !whole) {
        Fail("an event with a length field does not read back whole");
      }
      complete = complete && whole;
    }
  }
  return complete && !lastWasTime;
}

}  // namespace

int FuzzMev2smf(const uint8_t* data, size_t size) {
  QuietOutput quiet;
  const std::string text(reinterpret_cast<const char*>(data), size);
  textreader in;
  in.OpenText(text);
  Midi m;
  if (!CompileMev(in, m)) return 0;

  // the chunks: the header, then as many track chunks as it says, ending at the image's end
  const bytes& image = m.image;
  if (image.size() < 14 || Big32(image, 0) != 0x4D546864 || Big32(image, 4) != 6 ||
      m.GetMidiType() > 2 || m.GetTicks() == 0) {
    Fail("no valid header chunk");
  }
  uint64_t pos = 14;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) {
    if (pos + 8 > image.size() || Big32(image, pos) != 0x4D54726B) Fail("a track chunk is missing");
    pos += 8 + uint64_t{Big32(image, pos + 4)};
  }
  if (pos != image.size()) Fail("the track chunks do not end at the image's end");

  bool ok;
  m.CheckHeader(ok);
  if (!ok || !OnlyCompleteEvents(text)) return 0;
  for (Guards guards : {Guards::AtTrackEnd, Guards::AtEveryRead}) {
    Midi check;
    check.image = image;
    check.CheckFile(ok, guards);
    if (!ok) Fail("a compiled file of complete events does not pass CheckFile");
  }
  return 0;
}
