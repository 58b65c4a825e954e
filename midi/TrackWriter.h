#pragma once

#include <cstddef>
#include <cstdint>

#include "Algemeen.h"
#include "Cursor.h"
#include "Files.h"
#include "MidiDoos.h"

// The largest file the programs write: positions in an image are signed 32-bit, and the
// writers keep a margin below that.
constexpr int64_t kMaxFileSize = INT32_MAX - 0xFFFF;

// How a track's status bytes are written. Running leaves a channel event's status byte out
// after a channel event of the same status (any other event writes it again); Every writes
// every status byte; Across leaves it out after a channel event of the same status whatever
// meta, System Exclusive or single-byte events stand between. A first data byte of 80 hex or
// more always has its status byte before it.
enum class statusway : uint8_t { Running, Every, Across };

// Writes a Standard MIDI File track by track through Midi's writing operations: each event
// after its delta time, with running status within a track, the track chunks' lengths, and the
// header chunk last, when the track count is known. Every program writes its files through
// here. Without a file, out's image is the whole file at the end; with one, the bytes go to
// file a block at a time as they are written, and out's image holds only those not handed over
// yet.
class trackwriter {
 public:
  // The bytes handed to a file at a time.
  static constexpr int32_t kBlockSize = 1 << 16;

  // Starts the file in out, reserving the header chunk; memory for about reserve bytes is
  // taken at once (with a file, for one block).
  trackwriter(Midi& out, size_t reserve, outputfile* file = nullptr);

  // Starts a track chunk, whose first channel event gets its status byte. With oneEnd, every
  // End of Track and empty meta event written to it becomes FF 0F 00, and EndTrack leaves
  // exactly one End of Track, last.
  void BeginTrack(bool oneEnd = false);
  // Writes the status bytes of the events after it in the track the way w says; a track
  // begins in Running.
  void Way(statusway w) { way = w; }
  // Writes a delta time. After a delta time with no event behind it, the empty meta event
  // FF 0F 00 goes first, as the event the earlier one belongs to.
  void Delta(uint32_t ticks);
  // Writes an event, its status byte and the n bytes after it; a delta time 0 goes first when
  // no delta time stands before it. A status below 80 hex (a stray data byte) goes out as it is.
  void Event(uint8_t status, const uint8_t* rest, size_t n);
  void Event(const eventview& e) { Event(e.status, e.rest, e.n); }
  // The same for an event held as one array, status byte first; an empty array writes nothing.
  void Event(const bytes& event);
  // Writes e at tick, counted from the track's start and not earlier than the event before:
  // the delta time is the distance, and a gap longer than a delta time can hold is bridged by
  // empty meta events. False, with nothing written, when the file would pass kMaxFileSize.
  bool EventAt(int64_t tick, const eventview& e);
  // Ends the track chunk and puts its length in; with oneEnd, makes the empty meta event that
  // ends it its End of Track, or adds one. False, with nothing written, when the End of Track
  // would take the file past kMaxFileSize.
  bool EndTrack();
  // Puts the header chunk in and cuts out's image to the bytes written; with a file, hands the
  // rest to it.
  void Finish(uint8_t type, uint16_t tracks, uint16_t ticks);

  // The bytes written so far.
  int64_t Size() const { return handed + pos; }
  // True while n more bytes keep the file within kMaxFileSize.
  bool Fits(int64_t n) const { return Size() + n <= kMaxFileSize; }
  // True when the last thing written is a delta time with no event behind it.
  bool DeltaWritten() const { return delta; }

 private:
  // Puts the n bytes at b at the place at of the file, in the image or already handed over.
  void Patch(int64_t at, const uint8_t* b, size_t n);
  // Hands a full block to the file.
  void Pass();

  Midi& out;
  outputfile* file;
  int64_t handed = 0;         // the bytes handed to file
  int32_t pos = kHeaderSize;  // where the next byte goes in out's image
  int64_t track = 0;          // where the track's data begin in the file
  int64_t previous = 0;       // the tick of the event written last
  bool delta = false;         // a delta time stands with no event behind it yet
  bool oneEnd = false;
  int64_t lastEmptyMeta = -1;  // where the last event begins when it is FF 0F 00 (oneEnd)
  statusway way = statusway::Running;
  uint8_t lastChannel = 0;  // the status of the track's last channel event
};

inline void trackwriter::Delta(uint32_t ticks) {
  if (delta) out.WriteEmptyMeta(pos);
  out.WriteVarLen(static_cast<int32_t>(ticks), pos);
  delta = true;
}

inline void trackwriter::Event(uint8_t status, const uint8_t* rest, size_t n) {
  if (!delta) out.WriteVarLen(0, pos);
  delta = false;
  // FF 2F 00 and FF 0F 00: with oneEnd, both become FF 0F 00, and the last may end the track
  bool emptyMeta = oneEnd && status == kMeta && n == 2 && rest[1] == 0 &&
                   (rest[0] == kEndOfTrackType || rest[0] == kEmptyType);
  lastEmptyMeta = emptyMeta ? Size() : -1;
  bool channel = IsChannelStatus(status);
  if (way != statusway::Running && channel) {
    out.runningStatus = way == statusway::Every ? 0 : lastChannel;
  }
  if (channel) lastChannel = status;
  if (emptyMeta)
    out.WriteEmptyMeta(pos);
  else
    out.WriteEvent(status, rest, n, pos);
  if (file && pos >= kBlockSize) Pass();
}

inline bool trackwriter::EventAt(int64_t tick, const eventview& e) {
  int64_t gap = tick - previous;
  // each delta time takes at most 5 bytes; an empty meta event and its delta time 7
  int64_t bridges = gap > kMaxDeltaTime ? gap / kMaxDeltaTime : 0;  // a division is slow: seldom
  if (!Fits(static_cast<int64_t>(e.n) + 6 + 7 * bridges)) return false;
  // a longer gap than a delta time can hold is carried by empty meta events
  for (; gap > kMaxDeltaTime; gap -= kMaxDeltaTime) Delta(kMaxDeltaTime);
  Delta(static_cast<uint32_t>(gap));
  Event(e);
  previous = tick;
  return true;
}
