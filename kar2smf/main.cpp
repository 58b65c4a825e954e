// kar2smf: turns the karaoke texts of a MIDI file (.kar) into Lyric events.
#include "Karaoke.h"

namespace {

void ShowUsage() {
  saylines({"KAR2SMF", "", "Converts the karaoke texts of a MidiFile (.kar) to Lyric events", "",
            "Syntax: [program] [--both] [IMF] [OMF]", "", "IMF = name of Input MidiFile (.kar)",
            "OMF = name of Output MidiFile", "--both = the karaoke texts stay as well"});
}

}  // namespace

int main(int argc, char** argv) {
  return RunWordsProgram(lijst(argv + 1, argv + argc), "kar2smf", ShowUsage, false);
}
