#include "LyricSheet.h"

#include "Files.h"

void ShowUsage() {
  saylines({"LYS2MEV", "", "Converts Lyricsheet to Midi Text", "", "Syntax: [program] [ITF] [OTF]",
            "", "ITF = name of Input TextFile (LYS)", "OTF = name of Output TextFile (MEV)"});
}

void CheckParameters(const lijst& args, bool& ok) {
  ok = checkcount(args, 2, ShowUsage) && checkinput(args[0], ": does Not exist");
}

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
