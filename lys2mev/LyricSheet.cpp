#include "LyricSheet.h"

#include "Files.h"

lijst MevHead() { return {"File 0 (1) 120", "Track #1"}; }

void AddPieces(const std::string& line, lijst& mev) {
  // a blank separates tokens and is dropped; an underscore ends a piece and stays in it
  for (const std::string& token : splitwords(line)) {
    for (const std::string& piece : splitsyllables(token)) {
      mev.push_back("0");
      mev.push_back("Meta $05(Lyric) " + piece);
    }
  }
}

lijst MevTail() { return {"0", "Meta $05(Lyric)", "0", "Meta $2F(TrkEnd)"}; }
