#include "Formats.h"
#include "FuzzTargets.h"
#include "Karaoke.h"
#include "Picture.h"

namespace {

[[noreturn]] void Fail(const std::string& what) { FuzzFailure("words", what); }

}  // namespace

int FuzzWords(const uint8_t* data, size_t size) {
  QuietOutput quiet;
  Midi in;
  in.image.assign(data, data + size);
  conventions holds;
  bool ok;
  checkfile(in, ok, Guards::AtTrackEnd, holds, headerrule::Written);
  if (!ok) return 0;
  // both ways, with and without the first convention kept
  for (int way = 0; way < 4; way++) {
    Midi out;
    losses lost;
    if (!ConvertWords(in, holds, way & 1, way & 2, out, lost)) continue;
    Midi again;
    again.image = out.image;
    again.CheckFile(ok);
    bool strict;
    in.CheckFile(strict);
    if (strict && !ok) Fail("a converted file does not pass the check");
    if (out.GetTrackCount() != in.GetTrackCount()) Fail("a converted file has other tracks");
  }
  // the picture, of every track and of the first alone, when the file counts time
  bool counts = in.GetTicks() != 0 && !((in.GetTicks() & 0x8000) && (in.GetTicks() & 0xFF) == 0);
  for (int32_t track : {-1, 0}) {
    if (!counts) break;
    std::string svg = Picture(in, holds, drawing{4, track});
    if (!svg.ends_with("</svg>\n")) Fail("a picture does not end");
  }
  // every format of the timed lyrics, when the file counts time
  for (lrcformat format : {lrcformat::Lrc, lrcformat::Elrc, lrcformat::Srt, lrcformat::Ass}) {
    std::string text;
    if (TimedLyricsOf(in, holds, format, "", "in", text) &&
        (holds.lyrics + holds.karSyllables) == 0) {
      Fail("timed lyrics of a file without words");
    }
  }
  return 0;
}
