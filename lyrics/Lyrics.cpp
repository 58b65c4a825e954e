#include "Lyrics.h"

#include "Files.h"

lijst SheetPieces(const std::string& line) {
  lijst pieces;
  for (const std::string& token : splitwords(line)) {
    for (std::string& piece : splitsyllables(token)) pieces.push_back(std::move(piece));
  }
  return pieces;
}

bool ReadSheet(const std::string& name, lijst& pieces) {
  textreader in;
  std::string line;
  if (in.Open(name)) {
    while (in.ReadLine(line)) {
      for (std::string& piece : SheetPieces(line)) {
        if (!piece.empty()) pieces.push_back(std::move(piece));
      }
    }
  }
  return !in.Failed();
}

bool IsHeld(const std::string& piece) { return piece == "*"; }

bool IsNoteOn(const eventview& e) {
  return (e.status & 0xF0) == kNoteOn && e.n == 2 && e.rest[1] > 0;
}

void AddOnset(std::vector<onset>& onsets, int64_t tick, const eventview& e, int32_t channel,
              size_t event) {
  bool chosen = channel < 0 || (e.status & 0x0F) == channel;
  if (IsNoteOn(e) && chosen && (onsets.empty() || onsets.back().tick != tick)) {
    onsets.push_back({tick, event});
  }
}
