#include "Relabeller.h"

void Relabel(Midi& m, const std::vector<int32_t>& types, int32_t channel) {
  for (int32_t at : types) {
    m.image[static_cast<size_t>(at)] = static_cast<uint8_t>(kChannelTextType | channel);
  }
}

void RelabelLyrics(Midi& m, int32_t channel) {
  lyricfinder lyrics;
  if (ForEachEvent(m, Guards::AtEveryRead, lyrics)) say("MidiFile size exceeded");
  Relabel(m, lyrics.types, channel);
}
