// kar2smf: turns the karaoke texts of a MIDI file (.kar) into Lyric events.
#include "Files.h"
#include "Karaoke.h"

namespace {

void ShowUsage() {
  saylines({"KAR2SMF", "", "Converts the karaoke texts of a MidiFile (.kar) to Lyric events", "",
            "Syntax: [program] [--both] [IMF] [OMF]", "", "IMF = name of Input MidiFile (.kar)",
            "OMF = name of Output MidiFile", "--both = the karaoke texts stay as well"});
}

// Checks the arguments, --both taken off the front: their count, and that the input exists;
// false with the status to end with.
bool CheckParameters(lijst& args, bool& both, int& status) {
  both = !args.empty() && args[0] == "--both";
  if (both) args.erase(args.begin());
  return checkarguments(args, 2, "kar2smf", ShowUsage, status) &&
         checkinput(args[0], ": does Not exist");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool both;
  int status;
  if (!CheckParameters(args, both, status)) return status;
  Midi in;
  if (!loadfile(in, args[0])) return 1;
  conventions holds;
  bool ok;
  checkfile(in, ok, Guards::AtTrackEnd, holds);
  if (!ok) return 1;
  if (holds.karSyllables == 0) {
    say("No karaoke texts in " + args[0]);
    return 1;
  }
  if (holds.lyrics > 0 && !both) {
    say(args[0] + " holds Lyric events already: --both adds these to them");
    return 1;
  }
  Midi out;
  losses lost;
  auto convert = [&](int32_t, const std::vector<trackevent>& events, std::vector<outevent>& made) {
    KarToLyrics(events, both, made, lost);
  };
  if (!RewriteTracks(in, out, convert)) return 1;
  lost.Say();
  return out.SaveToFile(args[1]) ? 0 : 1;
}
