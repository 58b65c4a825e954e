#include "Files.h"
#include "FuzzTargets.h"
#include "LyricSheet.h"
#include "TextMidi.h"

namespace {

[[noreturn]] void Fail(const std::string& what) { FuzzFailure("lys2mev", what); }

const std::string kLyric = "Meta $05(Lyric) ";

// Fails unless the MEV line encodes to a complete Lyric event: FF 05, the length, the text.
void ExpectLyricEvent(const std::string& line) {
  bytes event = EncodeEventLine(line);
  if (event.size() < 3 || event[0] != 0xFF || event[1] != 0x05 || !ReadsBackWhole(event)) {
    Fail("a Lyric line does not encode to a complete Lyric event");
  }
}

}  // namespace

int FuzzLys2mev(const uint8_t* data, size_t size) {
  QuietOutput quiet;
  textreader in;
  in.OpenText(std::string(reinterpret_cast<const char*>(data), size));
  std::string line;
  lijst mev;
  while (in.ReadLine(line)) {
    mev.clear();
    AddPieces(line, mev);
    if (mev.size() % 2 != 0) Fail("a piece without its time line");
    std::string joined;
    for (size_t i = 0; i < mev.size(); i += 2) {
      if (mev[i] != "0" || mev[i + 1].compare(0, kLyric.size(), kLyric) != 0) {
        Fail("a piece is not a time line 0 and a Lyric line");
      }
      std::string piece = mev[i + 1].substr(kLyric.size());
      if (piece.find(' ') != std::string::npos) Fail("a piece holds a blank");
      size_t underscore = piece.find('_');
      if (underscore != std::string::npos && underscore + 1 != piece.size()) {
        Fail("an underscore inside a piece");
      }
      joined += piece;
      ExpectLyricEvent(mev[i + 1]);
    }
    std::string kept;
    for (char c : line) {
      if (c != ' ') kept += c;
    }
    if (joined != kept) Fail("the pieces do not hold the line's bytes other than blanks");
  }
  for (const std::string& head : MevHead()) {
    if (head.empty()) Fail("an empty head line");
  }
  lijst tail = MevTail();
  if (tail.size() != 4 || EncodeEventLine(tail[3]) != bytes{0xFF, 0x2F, 0x00}) {
    Fail("the MEV does not end with End of Track");
  }
  ExpectLyricEvent(tail[1]);
  return 0;
}
