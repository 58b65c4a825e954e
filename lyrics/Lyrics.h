#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Algemeen.h"
#include "Cursor.h"

// The syllable rules of a lyric sheet, and where a melody's notes begin.

// The pieces of one line of a lyric sheet: a blank separates pieces and is dropped, an
// underscore ends a piece and stays in it; empty pieces are kept. A piece is a word of MEV as
// it stands: "_" is a blank inside the syllable, "/" at its end a line break.
lijst SheetPieces(const std::string& line);
// A lyric sheet read for a melody, line by line: its verses, parted by empty lines (lines
// without pieces), each the pieces of its lines in order. The last piece of each line that is
// not "*" ends in a line break: "/" is added unless it ends in "/" or "\" already.
class sheetverses {
 public:
  void Add(const std::string& line);
  std::vector<lijst> verses;

 private:
  bool gap = true;  // an empty line, or the start, came last: the next piece begins a verse
};
// Reads the lyric sheet name into verses; false when it cannot be read.
bool ReadVerses(const std::string& name, std::vector<lijst>& verses);
// True for the piece "*", which holds the syllable before it over one more note.
bool IsHeld(const std::string& piece);

// True for a note on: a channel message 9n whose velocity is above 0.
bool IsNoteOn(const eventview& e);
// A note as it sounds: from its note on to the note off (or note on of velocity 0) of its
// channel and key in its track. A key struck again while it sounds ends there and sounds anew,
// so a key sounds one note at a time; a note never switched off lasts to its track's last
// event, and is not ended.
struct soundednote {
  int64_t start;
  int64_t end;
  uint8_t channel;
  uint8_t key;
  bool ended;
};
// The notes of every track of m, or of track k alone when k >= 0, by start; end is the last
// tick of the song (of every track).
std::vector<soundednote> SoundedNotes(const Midi& m, int32_t k, int64_t& end);

// Where a melody starts notes: the tick, the caller's number of the first note on there, and
// the tick of the onset's last note on.
struct onset {
  int64_t tick;
  size_t event;
  int64_t last;
};
// Adds event e, at tick and numbered event by the caller, to the onsets of a melody whose
// events are given in order. A note on (of channel only, when channel is 0..15) joins the last
// onset when it starts at the tick of that onset's last note on or less than tolerance ticks
// after it, so that the notes of a chord, struck together or one after another, are one onset;
// else it begins a new one.
void AddOnset(std::vector<onset>& onsets, int64_t tick, const eventview& e, int32_t channel,
              size_t event, int64_t tolerance = 0);
// The tolerance that makes a chord one onset by default: a 64th note of division (ticks a
// quarter note), or 0 for a division that counts no quarter notes.
int64_t DefaultTolerance(int32_t division);
