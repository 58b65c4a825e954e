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
            "Syntax: [program] [IMF] [OTF] [LYS] [TRACK] [CH]", "", "IMF = name of Input MidiFile",
            "OTF = name of Output TextFile (MEV)", "LYS = name of Lyricsheet (optional)",
            "TRACK = track of the melody, from 1 (optional; default: the first with notes)",
            "CH = channel of the melody [0,15] (optional; default: every channel)"});
}

// The lines that put the sheet's syllables on the melody of m, chosen by the arguments after
// the sheet; false after a line when they cannot be put.
bool PlaceSheet(const Midi& m, const song& s, const lijst& args, int32_t channel,
                std::vector<placedline>& placed) {
  int32_t track = -1;
  if (args.size() >= 4) {
    if (!str2range(args[3], 1, m.GetTrackCount(), track)) {
      say("Track " + args[3] + " out of [1," + std::to_string(m.GetTrackCount()) + "] range");
      return false;
    }
    track--;
  }
  std::vector<onset> onsets;
  lijst pieces;
  if (!FindMelody(m, s, track, channel, onsets)) return false;
  if (!ReadSheet(args[2], pieces)) {
    saycannotread(args[2]);
    return false;
  }
  return PlaceSyllables(m, s, pieces, onsets, track, placed);
}

// Checks the arguments: their count, the channel when given, and that the input and the lyric
// sheet exist, in this order; false with the status to end with.
bool CheckParameters(const lijst& args, int32_t& channel, int& status) {
  return checkarguments(args, 2, "smf2mev", ShowUsage, status, 3) &&
         (args.size() < 5 || checkchannel(args[4], channel)) &&
         checkinput(args[0], ": does Not exist") &&
         (args.size() < 3 || checkinput(args[2], ": does Not exist"));
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  int32_t channel = -1;
  int status;
  if (!CheckParameters(args, channel, status)) return status;
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
  if (args.size() >= 3 && !PlaceSheet(m, s, args, channel, placed)) return 1;
  outputfile out;
  if (!out.Open(args[1], Format::Mev)) return 1;
  Decompile(
      m, s, [&](const std::string& text) { out.Write(text.data(), text.size()); }, placed);
  return out.Commit() ? 0 : 1;
}
