// smf2mev: writes a Standard MIDI File as MEV text, and can put the syllables of a lyric sheet
// on the notes of its melody.
#include "Decompiler.h"
#include "Files.h"
#include "Lyrics.h"
#include "Melody.h"

namespace {

void ShowUsage() {
  saylines({"SMF2MEV", "", "Converts MidiFile to Midi Text",
            "and puts the syllables of a Lyricsheet on the notes of a melody", "",
            "Syntax: [program] [options] [IMF] [OTF] [LYS] [TRACK] [CH]", "",
            "IMF = name of Input MidiFile", "OTF = name of Output TextFile (MEV)",
            "LYS = name of Lyricsheet (optional)",
            "TRACK = track of the melody, from 1 (optional; default: the first with notes)",
            "CH = channel of the melody [0,15] (optional; default: every channel)",
            "Options, before IMF, with LYS:",
            "--tolerance TICKS = notes starting closer are one chord (default: a 64th note)",
            "--replace = the lyrics the track holds are left out",
            "--verse N = only verse N of LYS (verses are parted by empty lines)"});
}

// Takes the options of the lyric mode off the front of args into p; false, with the status to
// end with, when one is wrong or is given without a lyric sheet.
bool TakeOptions(lijst& args, placing& p, int& status) {
  status = 2;
  bool given = false;
  bool ok = true;
  std::string option, value;
  while (takeoption(args, {"--replace"}, {"--tolerance", "--verse"}, option, value, ok)) {
    given = true;
    int32_t ticks;
    if (option == "--replace") {
      p.replace = true;
    } else if (option == "--verse") {
      p.verse = value;
    } else if (str2range(value, 0, 0x0FFFFFFF, ticks)) {
      p.tolerance = ticks;
    } else {
      say("Tolerance " + value + " out of [0,268435455] range");
      return false;
    }
  }
  if (!ok) return false;
  // the options belong to the lyric mode: without a sheet they would do nothing
  if (given && args.size() == 2) {
    say("--tolerance, --replace and --verse go with a lyric sheet (LYS)");
    return false;
  }
  return true;
}

// Checks the arguments, the options taken off the front: their count, the track and channel
// when given, and that the input and the lyric sheet exist, in this order; false with the
// status to end with.
bool CheckParameters(lijst& args, placing& p, int& status) {
  return TakeOptions(args, p, status) && checkarguments(args, 2, "smf2mev", ShowUsage, status, 3) &&
         (args.size() < 5 || checkchannel(args[4], p.channel)) &&
         checkinput(args[0], ": does Not exist") &&
         (args.size() < 3 || checkinput(args[2], ": does Not exist"));
}

// The track the arguments name, checked against m; false after a line when it is out of range.
bool ChooseTrack(const Midi& m, const lijst& args, placing& p) {
  return args.size() < 4 || checktrack(args[3], m.GetTrackCount(), p.track);
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  placing p;
  int status;
  if (!CheckParameters(args, p, status)) return status;
  // the check's walk reads the song: the file is read once
  Midi m;
  if (!loadfile(m, args[0])) return 1;
  song s;
  s.Reserve(m.image.size());
  bool ok;
  checkfile(m, ok, Guards::AtTrackEnd, s, headerrule::Written);
  if (!ok) return 1;
  s.Close(m.GetTrackCount());
  std::vector<placedline> placed;
  if (args.size() >= 3) {
    auto read = [&](std::vector<lijst>& verses) {
      if (ReadVerses(args[2], verses)) return true;
      saycannotread(args[2]);
      return false;
    };
    if (!ChooseTrack(m, args, p) || !PlaceSheet(m, s, p, read, placed)) return 1;
  }
  outputfile out;
  if (!out.Open(args[1], Format::Mev)) return 1;
  Decompile(
      m, s, [&](const std::string& text) { out.Write(text.data(), text.size()); }, placed);
  return out.Commit() ? 0 : 1;
}
