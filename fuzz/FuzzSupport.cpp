#include <cstdlib>

#include "Cursor.h"
#include "FuzzTargets.h"
#include "MidiDoos.h"

namespace {

std::string inputName;

}  // namespace

void FuzzFailure(const char* target, const std::string& what) {
  std::cerr << target << ": " << what;
  if (!inputName.empty()) std::cerr << " (input " << inputName << ")";
  std::cerr << std::endl;
  std::abort();
}

void SetFuzzInputName(const std::string& name) { inputName = name; }

bool ReadsBackWhole(const bytes& event) {
  Midi m;
  m.image = event;
  int32_t pos = 0;
  bytes back;
  m.ReadEvent(pos, back);
  return !event.empty() && back == event && pos == static_cast<int32_t>(event.size());
}

std::vector<lijst> TimedEvents(const Midi& m) {
  std::vector<lijst> tracks(static_cast<size_t>(m.GetTrackCount()));
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t k, const trackevent& e) {
    std::string line = std::to_string(e.tick);
    if (!e.event.IsEvent()) {
      tracks[k].push_back(line + " stray" + bytes2hex({e.event.status}));
      return;
    }
    bytes event = e.event.Bytes();
    bytes kept = event;
    uint8_t s = kept[0];
    if (s >= kSysex && s < 0xF8) kept.erase(kept.begin() + 1, kept.end());
    if (s == kMeta) kept.erase(kept.begin() + 2, kept.end());
    if (kept.size() < event.size()) {
      // the length field runs up to its first byte without bit 7
      size_t p = kept.size();
      while (p < event.size() && (event[p] & 0x80)) p++;
      kept.insert(kept.end(),
                  event.begin() + static_cast<std::ptrdiff_t>(std::min(p + 1, event.size())),
                  event.end());
    }
    tracks[k].push_back(line + bytes2hex(kept));
  });
  return tracks;
}
