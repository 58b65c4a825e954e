// lys2mev: turns a lyric sheet into a MEV file of Lyric events.
#include "Files.h"
#include "LyricSheet.h"

namespace {

void ShowUsage() {
  saylines({"LYS2MEV", "", "Converts Lyricsheet to Midi Text", "", "Syntax: [program] [ITF] [OTF]",
            "", "ITF = name of Input TextFile (LYS)", "OTF = name of Output TextFile (MEV)"});
}

// Checks the arguments: their count, and that the input exists; false with the status to end
// with.
bool CheckParameters(const lijst& args, int& status) {
  return checkarguments(args, 2, "lys2mev", ShowUsage, status) &&
         checkinput(args[0], ": does Not exist");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  int status;
  if (!CheckParameters(args, status)) return status;
  const std::string& itf = args[0];
  const std::string& otf = args[1];
  textreader in;
  if (!in.Open(itf)) {
    saycannotread(itf);
    return 1;
  }
  // the MEV goes to a temporary file that replaces the output only when complete, so the
  // output name may even be the input's
  outputfile out;
  if (!out.Open(otf, Format::Mev)) return 1;
  for (const std::string& head : MevHead()) out.WriteLine(head);
  std::string line;
  lijst mev;
  while (in.ReadLine(line)) {
    mev.clear();
    AddPieces(line, mev);
    for (const std::string& m : mev) out.WriteLine(m);
  }
  if (in.Failed()) {
    saycannotread(itf);
    return 1;
  }
  for (const std::string& tail : MevTail()) out.WriteLine(tail);
  return out.Commit() ? 0 : 1;
}
