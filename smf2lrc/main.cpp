// smf2lrc: writes the lyrics of a MIDI file, timed, as LRC, word-timed LRC, SRT or ASS.
#include "Files.h"
#include "Formats.h"
#include "Karaoke.h"

namespace {

void ShowUsage() {
  saylines({"SMF2LRC", "", "Writes the lyrics of a MidiFile with their times", "",
            "Syntax: [program] [--format F] [--track N] [IMF] [OTF]", "",
            "IMF = name of Input MidiFile", "OTF = name of Output TextFile",
            "--format F = lrc, elrc (timed syllables), srt or ass",
            "  (default: from the extension of OTF, else lrc)",
            "--track N = the track of the lyrics, from 1 (default: the one with most)"});
}

// Takes the options off the front of args; false, with the status to end with, when one is
// wrong.
bool TakeOptions(lijst& args, bool& given, lrcformat& format, std::string& track, int& status) {
  status = 2;
  given = false;
  bool ok = true;
  std::string option, value;
  while (takeoption(args, {}, {"--format", "--track"}, option, value, ok)) {
    if (option == "--track") {
      track = value;
    } else if (FormatOf(value, format)) {
      given = true;
    } else {
      say("Format " + value + " is none of lrc, elrc, srt, ass");
      return false;
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool given;
  lrcformat format = lrcformat::Lrc;
  std::string named;
  int status;
  if (!TakeOptions(args, given, format, named, status) ||
      !checkarguments(args, 2, "smf2lrc", ShowUsage, status) ||
      !checkinput(args[0], ": does Not exist")) {
    return status;
  }
  if (!given) format = FormatOfFile(args[1]);
  Midi m;
  conventions holds;
  if (!LoadWords(m, args[0], holds, true)) return 1;
  std::string text;
  if (!TimedLyricsOf(m, holds, format, named, args[0], text)) return 1;
  outputfile out;
  if (!out.Open(args[1], Format::Lyrics)) return 1;
  out.Write(text.data(), text.size());
  return out.Commit() ? 0 : 1;
}
