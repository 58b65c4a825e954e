// smf2lrc: writes the lyrics of a MIDI file, timed, as LRC, word-timed LRC, SRT or ASS.
#include <algorithm>

#include "Files.h"
#include "Formats.h"
#include "Karaoke.h"

namespace {

void ShowUsage() {
  saylines({"SMF2LRC", "", "Writes the lyrics of a MidiFile with their times", "",
            "Syntax: [program] [--format F] [--track N] [IMF] [OTF]", "",
            "IMF = name of Input MidiFile", "OTF = name of Output TextFile",
            "--format F = lrc, elrc (timed syllables), srt or ass",
            "  (default: from the extension of OTF, else lrc)",
            "--track N = the track of the lyrics, from 1 (default: the one with most)"});
}

// Takes the options off the front of args; false, with the status to end with, when one is
// wrong.
bool TakeOptions(lijst& args, bool& given, lrcformat& format, std::string& track, int& status) {
  status = 2;
  given = false;
  while (!args.empty() && (args[0] == "--format" || args[0] == "--track")) {
    std::string option = args[0];
    args.erase(args.begin());
    if (args.empty()) {
      say(option + " needs a value");
      return false;
    }
    std::string value = args[0];
    args.erase(args.begin());
    if (option == "--track") {
      track = value;
    } else if (FormatOf(value, format)) {
      given = true;
    } else {
      say("Format " + value + " is none of lrc, elrc, srt, ass");
      return false;
    }
  }
  return true;
}

// The track of the words: the one named, or the one with most; -1 after a line when there is
// none.
int32_t ChooseTrack(const Midi& m, const conventions& holds, const std::string& named,
                    const std::string& name) {
  bool kar = holds.lyrics == 0;
  const std::vector<int64_t>& counts = kar ? holds.trackKar : holds.trackLyrics;
  auto count = [&](int32_t k) {
    return static_cast<size_t>(k) < counts.size() ? counts[static_cast<size_t>(k)] : 0;
  };
  int32_t tracks = m.GetTrackCount();
  int32_t track = 0;
  if (!named.empty()) {
    if (!str2range(named, 1, tracks, track)) {
      say("Track " + named + " out of [1," + std::to_string(tracks) + "] range");
      return -1;
    }
    if (count(--track) == 0) {
      say("Track " + named + " has no lyrics");
      return -1;
    }
    return track;
  }
  for (int32_t k = 1; k < tracks; k++) {
    if (count(k) > count(track)) track = k;
  }
  if (count(track) == 0) {
    say("No lyrics in " + name);
    return -1;
  }
  return track;
}

}  // namespace

int main(int argc, char** argv) {
  lijst args(argv + 1, argv + argc);
  bool given;
  lrcformat format = lrcformat::Lrc;
  std::string named;
  int status;
  if (!TakeOptions(args, given, format, named, status) ||
      !checkarguments(args, 2, "smf2lrc", ShowUsage, status) ||
      !checkinput(args[0], ": does Not exist")) {
    return status;
  }
  if (!given) format = FormatOfFile(args[1]);
  Midi m;
  if (!loadfile(m, args[0])) return 1;
  conventions holds;
  bool ok;
  checkfile(m, ok, Guards::AtTrackEnd, holds, headerrule::Written);
  if (!ok) return 1;
  int32_t track = ChooseTrack(m, holds, named, args[0]);
  if (track < 0) return 1;
  // a type-2 file's tracks are songs of their own, each with its tempo map
  int32_t own = m.GetMidiType() == 2 ? track : -1;
  tempomap map(m, own);
  if (!map.Counts()) {
    say("Division " + std::to_string(m.GetTicks()) + ": 0 ticks, no time can be counted");
    return 1;
  }
  std::vector<trackevent> events;
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t k, const trackevent& e) {
    if (k == track) events.push_back(e);
  });
  std::string title;
  for (char c : holds.title) {
    if (static_cast<uint8_t>(c) >= 0x20 && c != 0x7F) title += c;
  }
  std::string text =
      TimedLyrics(format, LyricLines(events, holds.lyrics == 0), map, noteends(m, own), title);
  outputfile out;
  if (!out.Open(args[1], Format::Lyrics)) return 1;
  out.Write(text.data(), text.size());
  return out.Commit() ? 0 : 1;
}
