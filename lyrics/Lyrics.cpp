#include "Lyrics.h"

#include <algorithm>

#include "Files.h"

lijst SheetPieces(const std::string& line) {
  lijst pieces;
  for (const std::string& token : splitwords(line)) {
    for (std::string& piece : splitsyllables(token)) pieces.push_back(std::move(piece));
  }
  return pieces;
}

void sheetverses::Add(const std::string& line) {
  size_t begin = 0;
  for (std::string& piece : SheetPieces(line)) {
    if (piece.empty()) continue;
    if (gap) verses.emplace_back();
    gap = false;
    if (begin == 0) begin = verses.back().size() + 1;
    verses.back().push_back(std::move(piece));
  }
  if (begin == 0) {
    gap = true;
    return;
  }
  // the line ends after its last syllable; a held one has no text to end
  lijst& v = verses.back();
  for (size_t i = v.size(); i >= begin; i--) {
    std::string& piece = v[i - 1];
    if (IsHeld(piece)) continue;
    if (!piece.ends_with('/') && !piece.ends_with('\\')) piece += '/';
    break;
  }
}

bool ReadVerses(const std::string& name, std::vector<lijst>& verses) {
  textreader in;
  sheetverses sheet;
  std::string line;
  if (in.Open(name)) {
    while (in.ReadLine(line)) sheet.Add(line);
  }
  verses = std::move(sheet.verses);
  return !in.Failed();
}

bool IsHeld(const std::string& piece) { return piece == "*"; }

std::vector<soundednote> SoundedNotes(const Midi& m, int32_t k, int64_t& end) {
  std::vector<soundednote> notes;
  std::vector<int64_t> sounding(16 * 128, -1);  // where the note of each channel and key began
  std::vector<size_t> struck;                   // the keys struck in the track
  int32_t track = -1;
  int64_t last = 0;
  end = 0;
  auto stop = [&](size_t i, int64_t tick, bool ended) {
    notes.push_back(
        {sounding[i], tick, static_cast<uint8_t>(i >> 7), static_cast<uint8_t>(i & 0x7F), ended});
    sounding[i] = -1;
  };
  auto close = [&] {  // the notes of the track still sounding
    for (size_t i : struck) {
      if (sounding[i] >= 0) stop(i, std::max(last, sounding[i]), false);
    }
    struck.clear();
  };
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t t, const trackevent& e) {
    end = std::max(end, e.tick);
    if (k >= 0 && t != k) return;
    if (t != track) {
      close();
      track = t;
    }
    last = e.tick;
    const eventview& v = e.event;
    uint8_t kind = v.status & 0xF0;
    if ((kind != kNoteOn && kind != kNoteOff) || v.n != 2) return;
    size_t i = static_cast<size_t>((v.status & 0x0F) << 7 | (v.rest[0] & 0x7F));
    if (sounding[i] >= 0) stop(i, e.tick, true);
    if (kind == kNoteOn && v.rest[1] > 0) {
      sounding[i] = e.tick;
      struck.push_back(i);
    }
  });
  close();
  std::sort(notes.begin(), notes.end(),
            [](const soundednote& a, const soundednote& b) { return a.start < b.start; });
  return notes;
}

bool IsNoteOn(const eventview& e) {
  return (e.status & 0xF0) == kNoteOn && e.n == 2 && e.rest[1] > 0;
}

void AddOnset(std::vector<onset>& onsets, int64_t tick, const eventview& e, int32_t channel,
              size_t event, int64_t tolerance) {
  bool chosen = channel < 0 || (e.status & 0x0F) == channel;
  if (!IsNoteOn(e) || !chosen) return;
  // measured note to note: a chord spread over several small steps stays one onset
  if (!onsets.empty() && tick - onsets.back().last < std::max<int64_t>(tolerance, 1)) {
    onsets.back().last = tick;
    return;
  }
  onsets.push_back({tick, event, tick});
}

int64_t DefaultTolerance(int32_t division) {
  return division >= 1 && division <= 0x7FFF ? division / 16 : 0;
}
