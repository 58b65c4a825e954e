#include "Melody.h"

#include <algorithm>

#include "TextMidi.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

// "1 syllable", "13 syllables".
std::string Count(size_t n, const std::string& what) {
  return Num(static_cast<int64_t>(n)) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

bool FindMelody(const Midi& m, const song& s, int32_t& track, int32_t channel, int64_t tolerance,
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
      AddOnset(onsets, tick, s.View(m, i), channel, i, tolerance);
    }
  }
  if (!onsets.empty()) return true;
  std::string name = "Track " + Num(track + 1);
  say(track < 0 ? "No track has notes"
                : name + " has no notes" + (channel < 0 ? "" : " on channel " + Num(channel)));
  return false;
}

bool PlaceSyllables(const Midi& m, const song& s, const lijst& pieces,
                    const std::vector<onset>& onsets, int32_t track, bool replace,
                    std::vector<placedline>& placed) {
  std::string where = " in track " + Num(track + 1);
  size_t k = static_cast<size_t>(track);
  if (pieces.size() > onsets.size()) {
    // where the sheet and the notes part: the first syllable without a note, the last note
    size_t more = pieces.size() - onsets.size() - 1;
    say(Count(pieces.size(), "syllable") + " for " + Count(onsets.size(), "note") + where + ": \"" +
        pieces[onsets.size()] + "\"" +
        (more == 0 ? " has no note"
                   : " and " + Num(static_cast<int64_t>(more)) + " more have no note") +
        "; the last note is at " + PlaceOf(m, s, k, onsets.back().tick));
    return false;
  }
  int32_t lyrics = 0;
  for (size_t i = s.firsts[k]; i < s.firsts[k + 1]; i++) {
    if (!s.View(m, i).IsMeta(kLyricType)) continue;
    lyrics++;
    if (replace) placed.push_back({i, "", true});
  }
  if (lyrics > 0) {
    std::string had = Count(static_cast<size_t>(lyrics), "lyric");
    say(replace ? "Track " + Num(track + 1) + ": " + had + " replaced"
                : "Track " + Num(track + 1) + " already had " + had + ": they stay");
  }
  for (size_t i = 0; i < pieces.size(); i++) {
    // a held syllable sounds on over this note: the note gets none of its own
    if (!IsHeld(pieces[i])) placed.push_back({onsets[i].event, WordLine(kLyricType, pieces[i])});
  }
  // the lyrics left out and the lines placed, in the order of their events
  std::stable_sort(placed.begin(), placed.end(),
                   [](const placedline& a, const placedline& b) { return a.event < b.event; });
  size_t left = onsets.size() - pieces.size();
  if (left > 0) {
    std::string at = PlaceOf(m, s, k, onsets[pieces.size()].tick);
    say(left == 1 ? "1 note at the end" + where + " has no syllable: it is at " + at
                  : Num(static_cast<int64_t>(left)) + " notes at the end" + where +
                        " have no syllable: the first is at " + at);
  }
  return true;
}

bool PlaceSheet(const Midi& m, const song& s, placing& p, const versereader& read,
                std::vector<placedline>& placed) {
  // the melody first: a track without notes is refused before the sheet is read
  int64_t tolerance = p.tolerance >= 0 ? p.tolerance : DefaultTolerance(m.GetTicks());
  std::vector<onset> onsets;
  std::vector<lijst> verses;
  if (!FindMelody(m, s, p.track, p.channel, tolerance, onsets) || !read(verses)) return false;
  lijst pieces;
  if (p.verse.empty()) {
    for (const lijst& v : verses) pieces.insert(pieces.end(), v.begin(), v.end());
  } else {
    int32_t verse;
    int32_t count = static_cast<int32_t>(verses.size());
    if (!str2range(p.verse, 1, count, verse)) {
      say("Verse " + p.verse + " out of [1," + Num(count) + "] range");
      return false;
    }
    pieces = verses[static_cast<size_t>(verse - 1)];
  }
  return PlaceSyllables(m, s, pieces, onsets, p.track, p.replace, placed);
}
