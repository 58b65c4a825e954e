// smf2mev: writes a Standard MIDI File as MEV text, and can put the syllables of a lyric sheet
// on the notes of its melody.
#include "Decompiler.h"
#include "Files.h"
#include "LyricSheet.h"
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

// The pieces of the lyric sheet name, empty ones dropped; false after a line when it cannot be
// read.
bool ReadSheet(const std::string& name, lijst& pieces) {
  textreader in;
  std::string line;
  if (in.Open(name)) {
    while (in.ReadLine(line)) {
      for (std::string& piece : SheetPieces(line)) {
        if (!piece.empty()) pieces.push_back(std::move(piece));
      }
    }
  }
  if (in.Failed()) saycannotread(name);
  return !in.Failed();
}

// The lines that put the sheet's syllables on the melody of m, chosen by the arguments after
// the sheet; false after a line when they cannot be put.
bool PlaceSheet(Midi& m, const lijst& args, int32_t channel, std::vector<placedline>& placed) {
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
  return FindMelody(m, track, channel, onsets) && ReadSheet(args[2], pieces) &&
         PlaceSyllables(m, pieces, onsets, track, placed);
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  int status;
  if (!checkarguments(args, 2, "smf2mev", ShowUsage, status, 3)) return status;
  saytoerror(args[1] == kStandard);
  int32_t channel = -1;
  // the channel is judged before the files are looked for
  if (args.size() == 5 && !checkchannel(args[4], channel)) return 1;
  if (!checkinput(args[0], ": does Not exist")) return 1;
  if (args.size() >= 3 && !checkinput(args[2], ": does Not exist")) return 1;
  Midi m;
  m.guards = Guards::AtTrackEnd;
  if (!m.LoadChecked(args[0])) return 1;
  std::vector<placedline> placed;
  if (args.size() >= 3 && !PlaceSheet(m, args, channel, placed)) return 1;
  outputfile out;
  if (!out.Open(args[1], Format::Mev)) return 1;
  Decompile(
      m, [&](const std::string& line) { out.WriteLine(line); }, placed);
  return out.Commit() ? 0 : 1;
}
