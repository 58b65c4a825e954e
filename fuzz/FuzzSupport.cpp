#include <cstdlib>

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

std::vector<lijst> TimedEvents(Midi& m) {
  std::vector<lijst> tracks(static_cast<size_t>(m.GetTrackCount()));
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    std::string line = std::to_string(e.time);
    if (e.event.empty()) {
      tracks[k].push_back(line + " stray" + bytes2hex({m.image[e.at]}));
      return;
    }
    bytes kept = e.event;
    uint8_t s = kept[0];
    if (s >= kSysex && s < 0xF8) kept.erase(kept.begin() + 1, kept.end());
    if (s == kMeta) kept.erase(kept.begin() + 2, kept.end());
    if (kept.size() < e.event.size()) {
      // the length field runs up to its first byte without bit 7
      size_t p = kept.size();
      while (p < e.event.size() && (e.event[p] & 0x80)) p++;
      kept.insert(kept.end(),
                  e.event.begin() + static_cast<std::ptrdiff_t>(std::min(p + 1, e.event.size())),
                  e.event.end());
    }
    tracks[k].push_back(line + bytes2hex(kept));
  });
  return tracks;
}
