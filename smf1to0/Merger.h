#pragma once

#include <cstdint>
#include <functional>

#include "Algemeen.h"
#include "MidiDoos.h"

// Reads every event of every track of a file that passed CheckFile once, straight from the
// image, and hands them over in time order: visit(time, event) with the absolute time, on equal
// times lower-numbered tracks first, each track in its own order. Every track begins in the
// running status the tracks before it leave, as a walk of the whole file reads them.
void ForEachMerged(Midi& m, const std::function<void(int64_t, const bytes&)>& visit);
// The same events collected in one array.
gegevens CollectEvents(Midi& m);
// Folds the End of Track events into one, last: every FF 2F 00 becomes the empty meta event
// FF 0F 00, and the sequence then ends with a single FF 2F 00.
void RepairEndOfTrack(gegevens& merged);

// Writes events given one by one in time order as the one track of a type-0 file, with the End
// of Track events folded as RepairEndOfTrack does (which changes nothing in a repaired sequence).
struct type0writer {
  Midi& out;
  int32_t pos = kFirstEvent;
  int64_t previous = 0;  // the time of the event written last
  // each event with its delta time, and an empty meta event of 7 bytes for every longest delta
  // time a gap holds: what the written track can reach
  int64_t bound = kFirstEvent;
  int32_t lastEmptyMeta = -1;  // where the last event begins when it is FF 0F 00

  // Starts the file with its header; room for about size bytes is kept.
  void Begin(int32_t ticks, size_t size);
  // Writes event at time; false, and nothing more is written, once the file would reach 2 GB.
  bool Add(int64_t time, const bytes& event);
  // Ends the track with one End of Track and writes its length; false, after a line, when the
  // file would reach 2 GB.
  bool Finish();
};
// Writes merged as a type-0 file into out with the division ticks; false, after a line, when
// it would not fit in 2 GB.
bool WriteType0(const gegevens& merged, int32_t ticks, Midi& out);
// Merges the tracks of in, a type-1 file that passed CheckFile, into out as a type-0 file with
// one End of Track; false, after a line, when it would not fit in 2 GB.
bool MergeToType0(Midi& in, Midi& out);
