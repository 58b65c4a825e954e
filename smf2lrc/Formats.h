#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Karaoke.h"
#include "Lyrics.h"
#include "MidiDoos.h"
#include "Timing.h"

// The timed-lyric formats smf2lrc writes.
enum class lrcformat : uint8_t { Lrc, Elrc, Srt, Ass };
// The format a name gives ("lrc", "elrc", "srt", "ass"); false for any other name.
bool FormatOf(const std::string& name, lrcformat& format);
// The format an output name's extension gives (.lrc, .srt, .ass, in any case), else lrc.
lrcformat FormatOfFile(const std::string& name);

// Where the notes of a song end, as they sound (SoundedNotes); a note never switched off has
// no end.
class noteends {
 public:
  // The notes of every track of m, or of track k alone when k >= 0.
  noteends(const Midi& m, int32_t k = -1);
  // The latest end of the notes that start at tick; -1 when none starts there.
  int64_t LatestEnd(int64_t tick) const;

 private:
  std::vector<std::pair<int64_t, int64_t>> notes;  // start and end, by start
};

// The text of a song's lines in format: times from map (each line ends where the next
// begins; the last line of a paragraph and of the song where the notes that start at its last
// syllable end, else a second after that syllable, but never after the next line begins), a
// title when it is not empty. Line ends are LF.
std::string TimedLyrics(lrcformat format, const std::vector<lyricline>& lines, const tempomap& map,
                        const noteends& notes, const std::string& title);

// The text of the lyrics of m, a file that passed the check and holds what holds says, in
// format: the Lyric events of track (as the user wrote its number, from 1) or of the track
// that holds most, or, in a file without Lyric events, its .kar syllables; false, after a line
// saying why (of the file name), when there are none or no time can be counted.
bool TimedLyricsOf(const Midi& m, const conventions& holds, lrcformat format,
                   const std::string& track, const std::string& name, std::string& text);
