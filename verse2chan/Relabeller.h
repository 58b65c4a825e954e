#pragma once

#include <cstdint>

#include "Algemeen.h"
#include "MidiDoos.h"

// Prints the usage text of verse2chan.
void ShowUsage();
// Checks the argument count (args without the program name), then the channel (0..15), then
// that the input exists; prints the usage text or the one failing line and clears ok when not.
void CheckParameters(const lijst& args, bool& ok, int32_t& channel);
// Turns the type byte of every Lyric meta event (FF 05) found by walking the tracks of a file
// that passed CheckFile into 10 hex + channel; no other byte changes.
void RelabelLyrics(Midi& m, int32_t channel);
