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
  if (!loadfile(in, args[0]) || !checkstart(in)) return 1;
  bool ok;
  if (in.GetMidiType() != 1) {
    in.CheckFile(ok);  // a broken file gets the check's line, not this one
    if (!ok) return 1;
    say(args[0] + " is NOT a type 1 MidiFile");
    say("");
    ShowUsage();
    return 1;
  }
  // the merge reads every event, and checks the tracks as it goes; the merged file goes out as
  // it is written, and replaces the output only when the check and the merge are done. The
  // check's own walk is left for a broken file, to say where it breaks.
  outputfile file;
  bool opened = file.Open(args[1], Format::Midi, /*quiet=*/true);
  Midi out;
  mergeend end = opened ? MergeToType0(in, out, &file) : mergeend::Broken;
  if (!opened || end == mergeend::Broken) {  // the check says first what is wrong with the input
    in.CheckFile(ok);
    if (!ok) return 1;
  }
  if (!opened) {
    saycannotwrite(args[1]);
    return 1;
  }
  if (end == mergeend::TooLarge) {
    say("Type 0 MidiFile would reach 2 GB");
    return 1;
  }
  checkend(in);  // bytes after the last track, which the check notes
  return file.Commit() ? 0 : 1;
}
