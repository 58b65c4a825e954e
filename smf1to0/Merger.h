#pragma once

#include <cstdint>

#include "Algemeen.h"
#include "MidiDoos.h"

// Every event of every track of a file that passed CheckFile, with absolute times, merged in
// time order: on equal times lower-numbered tracks first, each track in its own order.
gegevens CollectEvents(Midi& m);
// Folds the End of Track events into one, last: every FF 2F 00 becomes the empty meta event
// FF 0F 00, and the sequence then ends with a single FF 2F 00.
void RepairEndOfTrack(gegevens& merged);
// Writes merged as a type-0 file into out with the division ticks; false, after a line, when
// it would not fit in 2 GB.
bool WriteType0(const gegevens& merged, int32_t ticks, Midi& out);
