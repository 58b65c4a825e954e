// smf2kar: turns the Lyric events of a MIDI file into karaoke texts (.kar).
#include "Files.h"
#include "Karaoke.h"

namespace {

void ShowUsage() {
  saylines({"SMF2KAR", "", "Converts the Lyric events of a MidiFile to karaoke texts (.kar)", "",
            "Syntax: [program] [--both] [IMF] [OMF]", "", "IMF = name of Input MidiFile",
            "OMF = name of Output MidiFile (.kar)", "--both = the Lyric events stay as well"});
}

// Checks the arguments, --both taken off the front: their count, and that the input exists;
// false with the status to end with.
bool CheckParameters(lijst& args, bool& both, int& status) {
  both = !args.empty() && args[0] == "--both";
  if (both) args.erase(args.begin());
  return checkarguments(args, 2, "smf2kar", ShowUsage, status) &&
         checkinput(args[0], ": does Not exist");
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool both;
  int status;
  if (!CheckParameters(args, both, status)) return status;
  Midi in;
  if (!loadfile(in, args[0])) return 1;
  conventions holds;
  bool ok;
  checkfile(in, ok, Guards::AtTrackEnd, holds);
  if (!ok) return 1;
  if (holds.lyrics == 0) {
    say("No lyrics in " + args[0]);
    return 1;
  }
  if (holds.karSyllables > 0 && !both) {
    say(args[0] + " holds karaoke texts already: --both adds these to them");
    return 1;
  }
  // the headers a .kar reader looks for, where they are missing
  std::vector<bytes> first;
  if (!holds.karHeader) first.push_back(TextEvent(kTextType, "@KMIDI KARAOKE FILE"));
  if (!holds.versionHeader) first.push_back(TextEvent(kTextType, "@V0100"));
  size_t words = static_cast<size_t>(holds.lyricTrack);
  bool title = !holds.title.empty() && !holds.titled[words];
  Midi out;
  losses lost;
  auto convert = [&](int32_t k, const std::vector<trackevent>& events,
                     std::vector<outevent>& made) {
    std::vector<bytes> headers = k == 0 ? first : std::vector<bytes>{};
    if (title && static_cast<size_t>(k) == words) {
      // a name written as a title header already stays as it is
      headers.push_back(
          TextEvent(kTextType, holds.title.starts_with("@T") ? holds.title : "@T" + holds.title));
    }
    LyricsToKar(events, both, headers, made, lost);
  };
  if (!RewriteTracks(in, out, convert)) return 1;
  lost.Say();
  return out.SaveToFile(args[1]) ? 0 : 1;
}
