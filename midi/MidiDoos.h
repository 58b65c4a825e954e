#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "Algemeen.h"

// Which program walks the events: the merger reads without guards, the relabeller guards the
// first byte of every delta time, length and event and prints "MidiFile size exceeded".
enum class Walker : uint8_t { Merger, Relabeller };

// One Standard MIDI File held in memory as one byte array. Positions are 0-based offsets into
// image, owned by the caller and advanced in place by the operations that use the bytes.
class Midi {
 public:
  // The last channel status met while reading, or the first byte of the last event written in
  // full while writing; 0 means none.
  uint8_t runningStatus = 0;
  // The whole file, header chunk first.
  bytes image;
  // Set by the program right after creating the object; decides guards and messages.
  Walker walker = Walker::Merger;

  // Replaces image with the contents of the file name; false when it exists but cannot be read.
  // A missing or empty file leaves image empty and is no failure here.
  bool LoadFromFile(const std::string& name);
  // Replaces the file name with image, through a temporary file renamed over it when complete;
  // false when that failed. An empty image writes nothing.
  bool SaveToFile(const std::string& name) const;

  // The header fields as stored: format type, track count, division.
  int32_t GetMidiType() const;
  int32_t GetTrackCount() const;
  int32_t GetTicks() const;

  // Writes the 14-byte header chunk at position 0.
  void WriteHeader(uint8_t type, uint16_t tracks, uint16_t ticks);
  // Writes "MTrk" and the 32-bit big-endian length at p, the chunk's first byte.
  void WriteTrackHeader(uint32_t length, int32_t p);
  // Writes value (0..7FFFFFFF hex) as a variable-length quantity at pos.
  void WriteVarLen(int32_t value, int32_t& pos);
  // The bytes of value as a variable-length quantity, exactly vlqlength(value) of them.
  static bytes VarLen(int32_t value);
  // Writes a complete event (at least 1 byte) at pos, leaving out a channel status byte equal
  // to runningStatus unless its first data byte has bit 7 set.
  void WriteEvent(const bytes& event, int32_t& pos);
  // Writes the empty meta event FF 0F 00 at pos; ends running status.
  void WriteEmptyMeta(int32_t& pos);

  // Reads a variable-length quantity at pos.
  int32_t ReadVarLen(int32_t& pos);
  // Steps over a delta time.
  void SkipDeltaTime(int32_t& pos);
  // Steps over one event; false when nothing was stepped over that makes an event (a stray data
  // byte while no running status is in force, or the relabeller's guard).
  bool SkipEvent(int32_t& pos);
  // Steps over a channel message, its status byte optional; true for one data byte.
  bool SkipChannelEvent(int32_t& pos);
  // Steps over a sysex or escape event.
  void SkipSysexEvent(int32_t& pos);
  // Steps over a meta event.
  void SkipMetaEvent(int32_t& pos);
  // Reads one event into event, its status byte always present; event is left empty when there
  // is none (a stray data byte while no running status is in force, or the relabeller's guard).
  void ReadEvent(int32_t& pos, bytes& event);
  // The kind-specific readers that serve ReadEvent.
  void ReadChannelEvent(int32_t& pos, bytes& event);
  void ReadSysexEvent(int32_t& pos, bytes& event);
  void ReadMetaEvent(int32_t& pos, bytes& event);
  void ReadSystemEvent(int32_t& pos, bytes& event);
  // True, after printing "MidiFile size exceeded", when p lies past the last byte of image.
  bool SizeExceeded(int32_t p) const;

  // Checks the header chunk; prints the first failing test's line and clears ok.
  void CheckHeader(bool& ok) const;
  // Reads a track chunk header at pos into length (signed); clears ok after a line when the
  // identifier is not "MTrk".
  void ReadTrackHeader(int32_t& pos, int32_t& length, bool& ok) const;
  // Walks one track's data from start over length bytes (inside image); clears ok after a line
  // when the events do not end exactly at the track's end.
  void CheckTrackEvents(int32_t start, int32_t length, bool& ok);
  // The whole structure check of a loaded file: header, every track chunk and its events;
  // runningStatus is as it was before.
  void CheckFile(bool& ok);

 private:
  int32_t Size() const { return static_cast<int32_t>(image.size()); }
  uint8_t At(int32_t p) const { return p >= 0 && p < Size() ? image[p] : 0; }
  uint8_t Take(int32_t& pos) const {
    uint8_t b = At(pos);
    pos = Beyond(pos, 1);
    return b;
  }
  void Put(int32_t& pos, uint8_t b) {  // the writer sized image once; a short estimate grows it
    if (pos >= Size()) image.resize(std::max<size_t>(pos + 1, image.size() * 2));
    image[pos++] = b;
  }
  // pos moved on by n bytes (n read as unsigned, as a VLQ is), stopping at 7FFFFFFF hex.
  static int32_t Beyond(int32_t pos, int32_t n);
  // Prints this program's line for a delta time or an event that overran the track's end.
  void SayOverrun(bool deltaTime, int32_t pos, int32_t end) const;
  // The bytes from start up to pos, as far as image holds them.
  bytes Copy(int32_t start, int32_t pos) const;
};
