#pragma once

#include <cstdint>
#include <vector>

#include "Algemeen.h"
#include "Cursor.h"
#include "MidiDoos.h"

// Finds the Lyric meta events (FF 05) of a walk: hand it every event the walk reads.
struct lyricfinder {
  std::vector<int32_t> types;  // where their type bytes stand in the image
  void operator()(int32_t, const trackevent& e) {
    // the FF of a meta event always stands in the file, so its type byte follows it
    if (e.event.IsMeta(kLyricType)) types.push_back(e.at + 1);
  }
};

// Turns the type byte at each of types into 10 hex + channel, the text of that channel.
void Relabel(Midi& m, const std::vector<int32_t>& types, int32_t channel);
// Turns every Lyric meta event found by walking the tracks of a file that passed CheckFile with
// guards AtEveryRead into the text of channel; no other byte changes. Says "MidiFile size
// exceeded" when the walk would read past the file's end, as the check did.
void RelabelLyrics(Midi& m, int32_t channel);
