// smf2kar: turns the Lyric events of a MIDI file into karaoke texts (.kar).
#include "Karaoke.h"

namespace {

void ShowUsage() {
  saylines({"SMF2KAR", "", "Converts the Lyric events of a MidiFile to karaoke texts (.kar)", "",
            "Syntax: [program] [--both] [IMF] [OMF]", "", "IMF = name of Input MidiFile",
            "OMF = name of Output MidiFile (.kar)", "--both = the Lyric events stay as well"});
}

}  // namespace

int main(int argc, char** argv) {
  return RunWordsProgram(lijst(argv + 1, argv + argc), "smf2kar", ShowUsage, true);
}
