#include "LyricSheet.h"

#include "Files.h"

lijst MevHead() { return {"File 0 (1) 120", "Track #1"}; }

lijst SheetPieces(const std::string& line) {
  lijst pieces;
  for (const std::string& token : splitwords(line)) {
    for (std::string& piece : splitsyllables(token)) pieces.push_back(std::move(piece));
  }
  return pieces;
}

void AddPieces(const std::string& line, lijst& mev) {
  for (const std::string& piece : SheetPieces(line)) {
    mev.push_back("0");
    mev.push_back("Meta $05(Lyric) " + piece);
  }
}

lijst MevTail() { return {"0", "Meta $05(Lyric)", "0", "Meta $2F(TrkEnd)"}; }
