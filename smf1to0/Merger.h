#pragma once

#include <cstdint>

#include "Algemeen.h"
#include "Cursor.h"
#include "Files.h"
#include "MidiDoos.h"

// How a merge ended: the file is merged; a track chunk is missing, or runs past the file's end,
// or its events do not end exactly at its end (the structure check says where); or the merged
// file would reach 2 GB.
enum class mergeend : uint8_t { Merged, Broken, TooLarge };

// Merges the tracks of in, a type-1 file whose header passed the check, into a type-0 file of
// one track: every event of every track, read once straight from the image, in time order (on
// equal times lower-numbered tracks first, each track in its own order), with every End of
// Track folded into one, last. Every track begins in the running status the tracks before it
// leave, as a walk of the whole file reads them. The merge reads the tracks' chunks and events
// as the structure check does and ends Merged exactly when the check would pass them, so a
// file needs no walk of its own before it. The file is written into out's image, or with a
// file, into the file a block at a time as it is made; it is whole only when Merged. Says
// nothing.
mergeend MergeToType0(const Midi& in, Midi& out, outputfile* file = nullptr);

// The merge step by step, the reference the merge above is tested against.
// The number of events of track (stray data bytes make none), read from the running status
// status, which is left as the track leaves it.
int32_t CountTrackEvents(const Midi& m, const chunk& track, uint8_t& status);
// The events of track with their times from the track's start, read as CountTrackEvents reads.
gegevens ReadTrackEvents(const Midi& m, const chunk& track, uint8_t& status);
// Every event of every track, merged by time with mergebytime.
gegevens CollectEvents(const Midi& m);
// Folds the End of Track events into one, last: every FF 2F 00 becomes the empty meta event
// FF 0F 00, and the sequence then ends with a single FF 2F 00.
void RepairEndOfTrack(gegevens& merged);
// Writes merged as a type-0 file into out with the division ticks; false, after a line, when
// it would not fit in 2 GB.
bool WriteType0(const gegevens& merged, int32_t ticks, Midi& out);
