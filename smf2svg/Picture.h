#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Karaoke.h"
#include "Lyrics.h"
#include "MidiDoos.h"

// What the picture of a song shows.
struct drawing {
  int32_t bars = 4;    // a row's bars (seconds, for an SMPTE division)
  int32_t track = -1;  // the track whose notes are drawn; -1: every track
};

// The most bars a picture draws: a longer song stops there.
constexpr int64_t kMostBars = 5000;

// The text of text as XML character data: bytes that are no UTF-8 stand for the Latin-1
// characters of their values, control bytes are left out, and & < > " are escaped.
std::string XmlText(const std::string& text);

// The picture of m, a file that passed the check and holds the words holds says, as one
// self-contained SVG: rows of d.bars bars, the notes as rectangles by pitch, one colour a
// channel, the lyrics under their notes, bar and beat lines, the title, tempos and time
// signatures. Prints a line when the song goes on past kMostBars bars, where the picture
// stops.
// The text is handed to put a block at a time.
using picturesink = std::function<void(const std::string&)>;
void Picture(const Midi& m, const conventions& holds, const drawing& d, const picturesink& put);
// The same as one string.
std::string Picture(const Midi& m, const conventions& holds, const drawing& d);
