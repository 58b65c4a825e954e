// verse2chan: turns every Lyric event of a MIDI file into the text type of one channel.
#include "Files.h"
#include "Relabeller.h"

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool ok;
  int32_t channel = 0;
  CheckParameters(args, ok, channel);
  if (!ok) return args.size() == 3 ? 1 : 2;
  Midi m;
  m.walker = Walker::Relabeller;
  if (!m.LoadFromFile(args[0])) {
    saycannotread(args[0]);
    return 1;
  }
  m.CheckFile(ok);
  if (!ok) return 1;
  RelabelLyrics(m, channel);
  // the whole image goes out, bytes after the last track included
  if (!m.SaveToFile(args[1])) {
    saycannotwrite(args[1]);
    return 1;
  }
  return 0;
}
