#include "LyricSheet.h"

#include "Lyrics.h"
#include "TextMidi.h"

lijst MevHead() { return {HeaderLine(0, 1, 120), TrackLine(1, "")}; }

void AddPieces(const std::string& line, lijst& mev) {
  for (const std::string& piece : SheetPieces(line)) {
    mev.push_back(TimeLine(0));
    mev.push_back(WordLine(kLyricType, piece));
  }
}

lijst MevTail() {
  return {TimeLine(0), EventLine(bytes{kMeta, kLyricType, 0x00}), TimeLine(0),
          EventLine(bytes{kMeta, kEndOfTrackType, 0x00})};
}
