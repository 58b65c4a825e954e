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
