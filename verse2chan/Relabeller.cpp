#include "Relabeller.h"

#include "Files.h"

void RelabelLyrics(Midi& m, int32_t channel) {
  m.ForEachEvent([&](int32_t, const trackevent& e) {
    // the FF of a meta event always stands in the file, so its type byte follows it
    if (e.event.size() >= 2 && e.event[0] == kMeta && e.event[1] == kLyricType) {
      m.image[e.at + 1] = static_cast<uint8_t>(kChannelTextType | channel);
    }
  });
}
