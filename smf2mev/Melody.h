#pragma once

#include <cstdint>
#include <vector>

#include "Algemeen.h"
#include "Decompiler.h"
#include "Lyrics.h"
#include "MidiDoos.h"

// Finds the melody of m, read into s: track (from 0; -1 chooses the first track that holds a
// note on) and its onsets on channel (any when -1), numbered by their events in s. False,
// after a line, when it has none.
bool FindMelody(const Midi& m, const song& s, int32_t& track, int32_t channel,
                std::vector<onset>& onsets);
// Puts piece k on onset k of track as a Lyric line before its first note on, into placed; a
// piece "*" puts nothing there (the syllable before it is held). False, after a line, when
// there are more pieces than onsets. Lines also say how many lyrics the track had already and
// how many onsets at the end get no piece.
bool PlaceSyllables(const Midi& m, const song& s, const lijst& pieces,
                    const std::vector<onset>& onsets, int32_t track,
                    std::vector<placedline>& placed);
