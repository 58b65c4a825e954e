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
// Appends the pieces of the lyric sheet name, empty ones left out, to pieces; false when it
// cannot be read.
bool ReadSheet(const std::string& name, lijst& pieces);
// True for the piece "*", which holds the syllable before it over one more note.
bool IsHeld(const std::string& piece);

// True for a note on: a channel message 9n whose velocity is above 0.
bool IsNoteOn(const eventview& e);
// Where a melody starts notes: the tick, and the caller's number of the first note on there.
struct onset {
  int64_t tick;
  size_t event;
};
// Adds event e, at tick and numbered event by the caller, to the onsets of a melody whose
// events are given in order: a note on (of channel only, when channel is 0..15) at a later tick
// than the last onset begins a new one; the notes of a chord are one onset.
void AddOnset(std::vector<onset>& onsets, int64_t tick, const eventview& e, int32_t channel,
              size_t event);
