#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Algemeen.h"
#include "Decompiler.h"
#include "Lyrics.h"
#include "MidiDoos.h"

// What the lyric mode is asked to do besides the sheet.
struct placing {
  int32_t track = -1;      // from 0; -1: the first track that holds a note on
  int32_t channel = -1;    // 0 to 15; -1: every channel
  int64_t tolerance = -1;  // a chord's notes this many ticks apart are one onset; -1: a 64th
  bool replace = false;    // the lyrics the track holds are left out
  std::string verse;       // the verse to place, as the user wrote its number; "": every one
};

// Finds the melody of m, read into s: track (from 0; -1 chooses the first track that holds a
// note on) and its onsets on channel (any when -1) with tolerance, numbered by their events in
// s. False, after a line, when it has none.
bool FindMelody(const Midi& m, const song& s, int32_t& track, int32_t channel, int64_t tolerance,
                std::vector<onset>& onsets);
// Puts piece k on onset k of track as a Lyric line before its first note on, into placed; a
// piece "*" puts nothing there (the syllable before it is held). With replace, the lyrics the
// track holds are left out. False, after a line saying where the sheet and the notes part,
// when there are more pieces than onsets. Lines also say how many lyrics the track had already
// and where the onsets at the end that get no piece begin.
bool PlaceSyllables(const Midi& m, const song& s, const lijst& pieces,
                    const std::vector<onset>& onsets, int32_t track, bool replace,
                    std::vector<placedline>& placed);
// Reads the verses of a lyric sheet; false, after a line, when it cannot.
using versereader = std::function<bool(std::vector<lijst>& verses)>;
// The whole lyric mode: finds the melody that p names, reads the sheet through read, chooses
// its verse that p names (all of them when it names none) and places the pieces on the
// melody, into placed (in event order). False, after a line, when that cannot be done.
bool PlaceSheet(const Midi& m, const song& s, placing& p, const versereader& read,
                std::vector<placedline>& placed);
