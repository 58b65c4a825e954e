#include "Relabeller.h"

#include "Files.h"

void RelabelLyrics(Midi& m, int32_t channel) {
  int32_t pos = 14;
  bytes event;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) {
    int32_t length;
    bool ok;
    m.ReadTrackHeader(pos, length, ok);
    int64_t end = int64_t{pos} + static_cast<uint32_t>(length);
    if (!ok || end > static_cast<int64_t>(m.image.size())) return;
    for (int32_t p = pos; p < end;) {
      m.SkipDeltaTime(p);
      int32_t at = p;
      m.ReadEvent(p, event);
      // the FF of a meta event always stands in the file, so its type byte is at + 1
      if (event.size() >= 2 && event[0] == 0xFF && event[1] == 0x05) {
        m.image[at + 1] = static_cast<uint8_t>(0x10 | channel);
      }
    }
    pos = static_cast<int32_t>(end);
  }
}
