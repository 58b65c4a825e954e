#pragma once

#include <cstdint>

#include "Algemeen.h"
#include "Files.h"
#include "MidiDoos.h"

// One event as the merge hands it over: its status byte, and the n bytes that follow it in the
// loaded image (a channel event in running status has its status only here).
struct eventview {
  uint8_t status = 0;
  const uint8_t* rest = nullptr;
  size_t n = 0;
};

// Every event of every track of a file that passed CheckFile, each read once straight from the
// image, in time order with its absolute time: on equal times lower-numbered tracks first, each
// track in its own order. Every track begins in the running status the tracks before it leave,
// as a walk of the whole file reads them.
gegevens CollectEvents(Midi& m);
// Folds the End of Track events into one, last: every FF 2F 00 becomes the empty meta event
// FF 0F 00, and the sequence then ends with a single FF 2F 00.
void RepairEndOfTrack(gegevens& merged);

// Writes events given one by one in time order as the one track of a type-0 file, with the End
// of Track events folded as RepairEndOfTrack does (which changes nothing in a repaired sequence).
// Without a file, out's image holds the file; with one, the bytes go to file a block at a time
// as they are written, and out's image holds only those not handed over yet.
struct type0writer {
  // The bytes handed to file at a time.
  static constexpr int32_t kBlockSize = 1 << 16;
  Midi& out;
  outputfile* file = nullptr;
  int64_t handed = 0;  // the bytes handed to file
  int32_t pos = kFirstEvent;
  int64_t previous = 0;  // the time of the event written last
  // each event with its delta time, and an empty meta event of 7 bytes for every longest delta
  // time a gap holds: what the written track can reach
  int64_t bound = kFirstEvent;
  int64_t lastEmptyMeta = -1;  // where the last event begins in the file when it is FF 0F 00

  // Starts the file with its header; room for about size bytes is kept.
  void Begin(int32_t ticks, size_t size);
  // Writes event (at least its status byte) at time; false, and nothing more is written, once
  // the file would reach 2 GB.
  bool Add(int64_t time, const bytes& event);
  bool Add(int64_t time, const eventview& e);
  // Ends the track with one End of Track and writes its length; false, after a line, when the
  // file would reach 2 GB.
  bool Finish();

 private:
  // Puts b at the place at of the file, in the image or already handed over.
  void Set(int64_t at, uint8_t b);
};
// Writes merged as a type-0 file into out with the division ticks; false, after a line, when
// it would not fit in 2 GB.
bool WriteType0(const gegevens& merged, int32_t ticks, Midi& out);
// Merges the tracks of in, a type-1 file that passed CheckFile, into out as a type-0 file with
// one End of Track, through the writer above (to file when given); false, after a line, when it
// would not fit in 2 GB.
bool MergeToType0(Midi& in, Midi& out, outputfile* file = nullptr);
