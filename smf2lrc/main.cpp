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
  while (!args.empty() && (args[0] == "--format" || args[0] == "--track")) {
    std::string option = args[0];
    args.erase(args.begin());
    if (args.empty()) {
      say(option + " needs a value");
      return false;
    }
    std::string value = args[0];
    args.erase(args.begin());
    if (option == "--track") {
      track = value;
    } else if (FormatOf(value, format)) {
      given = true;
    } else {
      say("Format " + value + " is none of lrc, elrc, srt, ass");
      return false;
    }
  }
  return true;
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
  if (!loadfile(m, args[0])) return 1;
  conventions holds;
  bool ok;
  // an SMPTE division counts time, and type 0 with several tracks is read; a division of 0
  // ticks a quarter note gets the check's line
  checkfile(m, ok, Guards::AtTrackEnd, holds,
            m.GetTicks() == 0 ? headerrule::Strict : headerrule::Written);
  if (!ok) return 1;
  std::string text;
  if (!TimedLyricsOf(m, holds, format, named, args[0], text)) return 1;
  outputfile out;
  if (!out.Open(args[1], Format::Lyrics)) return 1;
  out.Write(text.data(), text.size());
  return out.Commit() ? 0 : 1;
}
