// mev2smf: compiles a MEV text file into a Standard MIDI File.
#include "Compiler.h"
#include "Files.h"

namespace {

void ShowUsage() {
  saylines({"MEV2SMF", "", "Converts TextFile to MidiFile", "Time Differences, Note differences",
            "", "Syntax: [program] [ITF] [OMF]", "", "ITF = name of Input TextFile",
            "Text behind timestamp allowed", "OMF = name of Output MidiFile"});
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  int status;
  if (!checkarguments(args, 2, "mev2smf", ShowUsage, status)) return status;
  saytoerror(args[1] == kStandard);
  if (!checkinput(args[0], " not found.")) return 1;
  textreader in;
  if (!in.Open(args[0])) {
    saycannotread(args[0]);
    return 1;
  }
  Midi m;
  if (!CompileMev(in, m)) {
    if (in.Failed()) saycannotread(args[0]);
    return 1;
  }
  return m.SaveToFile(args[1]) ? 0 : 1;
}
