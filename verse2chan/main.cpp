// verse2chan: turns every Lyric event of a MIDI file into the text type of one channel.
#include "Files.h"
#include "Relabeller.h"

namespace {

void ShowUsage() {
  saylines({"VERSE2CHAN", "", "Convert Lyric to Chantext channel", "",
            "Syntax: [program] [IMF] [OMF] [CH]", "", "IMF = name of Input MidiFile",
            "OMF = name of Output MidiFile", " CH = channel-number [0,15]"});
}

void CheckParameters(const lijst& args, bool& ok, int32_t& channel) {
  ok = checkcount(args, 3, ShowUsage);
  if (!ok) return;
  // only the digits count, and a minus sign anywhere negates: ch7 is 7, x is 0, 1-5 is -15
  channel = str2int(args[2]);
  if (channel < 0 || channel > 15) {
    say("Channel " + std::to_string(channel) + " out of [0,15] range");
    ok = false;
  } else {
    ok = checkinput(args[0], ": does Not exist");
  }
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool ok;
  int32_t channel = 0;
  CheckParameters(args, ok, channel);
  if (!ok) return args.size() == 3 ? 1 : 2;
  Midi m;
  m.guards = Guards::AtEveryRead;
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
