// smf2mev: writes a Standard MIDI File as MEV text.
#include "Decompiler.h"
#include "Files.h"

namespace {

void ShowUsage() {
  saylines({"SMF2MEV", "", "Converts MidiFile to Midi Text", "", "Syntax: [program] [IMF] [OTF]",
            "", "IMF = name of Input MidiFile", "OTF = name of Output TextFile (MEV)"});
}

void CheckParameters(const lijst& args, bool& ok) {
  ok = checkcount(args, 2, ShowUsage) && checkinput(args[0], ": does Not exist");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool ok;
  CheckParameters(args, ok);
  if (!ok) return args.size() == 2 ? 1 : 2;
  Midi m;
  m.guards = Guards::AtTrackEnd;
  if (!m.LoadFromFile(args[0])) {
    saycannotread(args[0]);
    return 1;
  }
  m.CheckFile(ok);
  if (!ok) return 1;
  outputfile out;
  if (!out.Open(args[1])) {
    saycannotwrite(args[1]);
    return 1;
  }
  Decompile(m, [&](const std::string& line) { out.WriteLine(line); });
  if (!out.Commit()) {
    saycannotwrite(args[1]);
    return 1;
  }
  return 0;
}
