#include "Melody.h"

#include "TextMidi.h"

bool FindMelody(const Midi& m, const song& s, int32_t& track, int32_t channel,
                std::vector<onset>& onsets) {
  int32_t tracks = static_cast<int32_t>(s.names.size());
  for (int32_t k = 0; track < 0 && k < tracks; k++) {
    for (size_t i = s.firsts[k]; i < s.firsts[k + 1]; i++) {
      if (IsNoteOn(s.View(m, i))) {
        track = k;
        break;
      }
    }
  }
  onsets.clear();
  if (track >= 0) {
    int64_t tick = 0;
    for (size_t i = s.firsts[track]; i < s.firsts[track + 1]; i++) {
      tick += s.events[i].delta;
      AddOnset(onsets, tick, s.View(m, i), channel, i);
    }
  }
  if (!onsets.empty()) return true;
  std::string name = "Track " + std::to_string(track + 1);
  say(track < 0
          ? "No track has notes"
          : name + " has no notes" + (channel < 0 ? "" : " on channel " + std::to_string(channel)));
  return false;
}

bool PlaceSyllables(const Midi& m, const song& s, const lijst& pieces,
                    const std::vector<onset>& onsets, int32_t track,
                    std::vector<placedline>& placed) {
  std::string where = " in track " + std::to_string(track + 1);
  if (pieces.size() > onsets.size()) {
    say(std::to_string(pieces.size()) + " syllables for " + std::to_string(onsets.size()) +
        " notes" + where);
    return false;
  }
  int32_t lyrics = 0;
  for (size_t i = s.firsts[track]; i < s.firsts[track + 1]; i++) {
    lyrics += s.View(m, i).IsMeta(kLyricType);
  }
  if (lyrics > 0) {
    say("Track " + std::to_string(track + 1) + " already had " + std::to_string(lyrics) +
        (lyrics == 1 ? " lyric" : " lyrics") + ": they stay");
  }
  for (size_t k = 0; k < pieces.size(); k++) {
    // a held syllable sounds on over this note: the note gets none of its own
    if (!IsHeld(pieces[k])) placed.push_back({onsets[k].event, WordLine(kLyricType, pieces[k])});
  }
  size_t left = onsets.size() - pieces.size();
  if (left == 1) say("1 note at the end" + where + " has no syllable");
  if (left > 1) say(std::to_string(left) + " notes at the end" + where + " have no syllable");
  return true;
}
