// mev2smf: compiles a MEV text file into a Standard MIDI File.
#include "Compiler.h"
#include "Files.h"

namespace {

void ShowUsage() {
  saylines({"MEV2SMF", "", "Converts TextFile to MidiFile", "Time Differences, Note differences",
            "", "Syntax: [program] [--strict] [ITF] [OMF]", "", "ITF = name of Input TextFile",
            "Text behind timestamp allowed", "OMF = name of Output MidiFile",
            "--strict = a warning counts as an error"});
}

// Checks the arguments, --strict taken off the front: their count, and that the input exists;
// false with the status to end with.
bool CheckParameters(lijst& args, bool& strict, int& status) {
  strict = !args.empty() && args[0] == "--strict";
  if (strict) args.erase(args.begin());
  return checkarguments(args, 2, "mev2smf", ShowUsage, status) &&
         checkinput(args[0], " not found.");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool strict;
  int status;
  if (!CheckParameters(args, strict, status)) return status;
  textreader in;
  if (!in.Open(args[0])) {
    saycannotread(args[0]);
    return 1;
  }
  Midi m;
  int32_t warnings = 0;
  if (!CompileMev(in, m, warnings)) {
    if (in.Failed()) saycannotread(args[0]);
    return 1;
  }
  if (strict && warnings > 0) {
    say(std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings") +
        " with --strict: nothing written");
    return 1;
  }
  return m.SaveToFile(args[1]) ? 0 : 1;
}
