#pragma once

#include <cstdint>

#include "Algemeen.h"
#include "MidiDoos.h"

// Turns the type byte of every Lyric meta event (FF 05) found by walking the tracks of a file
// that passed CheckFile into 10 hex + channel; no other byte changes.
void RelabelLyrics(Midi& m, int32_t channel);
