#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Algemeen.h"
#include "Decompiler.h"
#include "MidiDoos.h"

// Where the melody of a file starts a note: the tick, and the index (in the walk of its track,
// from 0) of the first note on there.
struct onset {
  int64_t time;
  size_t index;
};

// The onsets of track (from 0) of a file that passed CheckFile: the ticks where a note on with a
// velocity above 0 starts, of channel only when it is 0..15; the notes of a chord are one onset.
std::vector<onset> Onsets(Midi& m, int32_t track, int32_t channel);
// Finds the melody: track (from 0; -1 chooses the first track that holds a note on) and its
// onsets on channel (any when -1). False, after a line, when it has none.
bool FindMelody(Midi& m, int32_t& track, int32_t channel, std::vector<onset>& onsets);
// Puts piece k on onset k of track as a Lyric line before its first note on, into placed; a
// piece "*" puts nothing there (the syllable before it is held). False, after a line, when
// there are more pieces than onsets. Lines also say how many lyrics the track had already and
// how many onsets at the end get no piece.
bool PlaceSyllables(Midi& m, const lijst& pieces, const std::vector<onset>& onsets, int32_t track,
                    std::vector<placedline>& placed);
