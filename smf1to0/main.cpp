// smf1to0: merges the tracks of a type-1 MIDI file into a type-0 file.
#include "Cursor.h"
#include "Files.h"
#include "Merger.h"

namespace {

void ShowUsage() {
  saylines({"SMF1TO0", "", "Converts type 1 to type 0 MidiFile", "",
            "Syntax: [program] [IMF] [OMF]", "", "IMF = name of 1-type MidiFile (Input)",
            "OMF = name of 0-type MidiFile (Output)"});
}

// Checks the arguments: their count, and that the input exists; false with the status to end
// with.
bool CheckParameters(const lijst& args, int& status) {
  return checkarguments(args, 2, "smf1to0", ShowUsage, status) &&
         checkinput(args[0], ": does Not exist");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  int status;
  if (!CheckParameters(args, status)) return status;
  Midi in;
  if (!loadchecked(in, args[0], Guards::AtTrackEnd)) return 1;
  if (in.GetMidiType() != 1) {
    say(args[0] + " is NOT a type 1 MidiFile");
    say("");
    ShowUsage();
    return 1;
  }
  // the merged file goes out as it is written
  outputfile file;
  if (!file.Open(args[1], Format::Midi)) return 1;
  Midi out;
  if (!MergeToType0(in, out, &file)) return 1;
  return file.Commit() ? 0 : 1;
}
