// mev2smf: compiles a MEV text file into a Standard MIDI File.
#include "Compiler.h"
#include "Files.h"

namespace {

void ShowUsage() {
  saylines({"MEV2SMF", "", "Converts TextFile to MidiFile", "Time Differences, Note differences",
            "", "Syntax: [program] [ITF] [OMF]", "", "ITF = name of Input TextFile",
            "Text behind timestamp allowed", "OMF = name of Output MidiFile"});
}

void CheckParameters(const lijst& args, bool& ok) {
  ok = checkcount(args, 2, ShowUsage) && checkinput(args[0], " not found.");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool ok;
  CheckParameters(args, ok);
  if (!ok) return args.size() == 2 ? 1 : 2;
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
  if (!m.SaveToFile(args[1])) {
    saycannotwrite(args[1]);
    return 1;
  }
  return 0;
}
