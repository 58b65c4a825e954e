#include "Melody.h"

namespace {

bool IsNoteOn(const bytes& e) { return e.size() == 3 && (e[0] & 0xF0) == kNoteOn && e[2] > 0; }

}  // namespace

std::vector<onset> Onsets(Midi& m, int32_t track, int32_t channel) {
  std::vector<onset> onsets;
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    bool chosen = channel < 0 || (e.event.size() == 3 && (e.event[0] & 0x0F) == channel);
    if (k == track && IsNoteOn(e.event) && chosen &&
        (onsets.empty() || onsets.back().time != e.time)) {
      onsets.push_back({e.time, e.index});
    }
  });
  return onsets;
}

bool FindMelody(Midi& m, int32_t& track, int32_t channel, std::vector<onset>& onsets) {
  if (track < 0) {
    m.ForEachEvent([&](int32_t k, const trackevent& e) {
      if (track < 0 && IsNoteOn(e.event)) track = k;
    });
  }
  onsets = track < 0 ? std::vector<onset>{} : Onsets(m, track, channel);
  if (!onsets.empty()) return true;
  std::string name = "Track " + std::to_string(track + 1);
  say(track < 0
          ? "No track has notes"
          : name + " has no notes" + (channel < 0 ? "" : " on channel " + std::to_string(channel)));
  return false;
}

bool PlaceSyllables(Midi& m, const lijst& pieces, const std::vector<onset>& onsets, int32_t track,
                    std::vector<placedline>& placed) {
  std::string where = " in track " + std::to_string(track + 1);
  if (pieces.size() > onsets.size()) {
    say(std::to_string(pieces.size()) + " syllables for " + std::to_string(onsets.size()) +
        " notes" + where);
    return false;
  }
  int32_t lyrics = 0;
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    lyrics += k == track && e.event.size() >= 2 && e.event[0] == kMeta && e.event[1] == kLyricType;
  });
  if (lyrics > 0) {
    say("Track " + std::to_string(track + 1) + " already had " + std::to_string(lyrics) +
        (lyrics == 1 ? " lyric" : " lyrics") + ": they stay");
  }
  for (size_t k = 0; k < pieces.size(); k++) {
    // a held syllable sounds on over this note: the note gets none of its own
    if (pieces[k] != "*")
      placed.push_back({track, onsets[k].index, "Meta $05(Lyric) " + pieces[k]});
  }
  size_t left = onsets.size() - pieces.size();
  if (left == 1) say("1 note at the end" + where + " has no syllable");
  if (left > 1) say(std::to_string(left) + " notes at the end" + where + " have no syllable");
  return true;
}
