// verse2chan: turns every Lyric event of a MIDI file into the text type of one channel.
#include "Files.h"
#include "Relabeller.h"

namespace {

void ShowUsage() {
  saylines({"VERSE2CHAN", "", "Convert Lyric to Chantext channel", "",
            "Syntax: [program] [IMF] [OMF] [CH]", "", "IMF = name of Input MidiFile",
            "OMF = name of Output MidiFile", " CH = channel-number [0,15]"});
}

// Checks the arguments: their count, the channel, and that the input exists, in this order;
// false with the status to end with.
bool CheckParameters(const lijst& args, int32_t& channel, int& status) {
  return checkarguments(args, 3, "verse2chan", ShowUsage, status) &&
         checkchannel(args[2], channel) && checkinput(args[0], ": does Not exist");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  int32_t channel = 0;
  int status;
  if (!CheckParameters(args, channel, status)) return status;
  Midi m;
  if (!loadfile(m, args[0])) return 1;
  // the check's walk finds the lyrics: the file is read once
  lyricfinder lyrics;
  bool ok;
  bool exceeded = checkfile(m, ok, Guards::AtEveryRead, lyrics);
  if (!ok) return 1;
  // what the check could not read at the file's end, the relabelling cannot read either
  if (exceeded) say("MidiFile size exceeded");
  Relabel(m, lyrics.types, channel);
  // the whole image goes out, bytes after the last track included
  return m.SaveToFile(args[1]) ? 0 : 1;
}
