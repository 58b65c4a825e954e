// smf2svg: draws a MIDI file as a piano roll with the syllables under their notes, in SVG.
#include "Files.h"
#include "Karaoke.h"
#include "Picture.h"

namespace {

void ShowUsage() {
  saylines({"SMF2SVG", "", "Draws a MidiFile as a piano roll with its lyrics (SVG)", "",
            "Syntax: [program] [--bars N] [--track N] [IMF] [OSF]", "",
            "IMF = name of Input MidiFile", "OSF = name of Output SVG file",
            "--bars N = bars a row [1,64] (default: 4)",
            "--track N = draw only the notes of track N, from 1 (default: every track)"});
}

// Takes the options off the front of args into d; false, with the status to end with, when
// one is wrong.
bool TakeOptions(lijst& args, drawing& d, std::string& track, int& status) {
  status = 2;
  bool ok = true;
  std::string option, value;
  while (takeoption(args, {}, {"--bars", "--track"}, option, value, ok)) {
    if (option == "--track") {
      track = value;
    } else if (!str2range(value, 1, 64, d.bars)) {
      say("Bars " + value + " out of [1,64] range");
      return false;
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  drawing d;
  std::string track;
  int status;
  if (!TakeOptions(args, d, track, status) ||
      !checkarguments(args, 2, "smf2svg", ShowUsage, status) ||
      !checkinput(args[0], ": does Not exist")) {
    return status;
  }
  Midi m;
  conventions holds;
  // an SMPTE division draws seconds
  if (!LoadWords(m, args[0], holds, true)) return 1;
  if (!track.empty() && !checktrack(track, m.GetTrackCount(), d.track)) return 1;
  if ((m.GetTicks() & 0x8000) && (m.GetTicks() & 0xFF) == 0) {
    say("Division " + std::to_string(m.GetTicks()) + ": 0 ticks, no time can be counted");
    return 1;
  }
  outputfile out;
  if (!out.Open(args[1], Format::Svg)) return 1;
  Picture(m, holds, d, [&](const std::string& block) { out.Write(block.data(), block.size()); });
  return out.Commit() ? 0 : 1;
}
