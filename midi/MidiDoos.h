#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "Algemeen.h"

// The sizes of a file's fixed parts: the header chunk, a track chunk's header, and both, where
// the events of a type-0 file begin.
constexpr int32_t kHeaderSize = 14;
constexpr int32_t kTrackHeaderSize = 8;
constexpr int32_t kFirstEvent = kHeaderSize + kTrackHeaderSize;

// The largest delta time a Standard MIDI File can hold.
constexpr int32_t kMaxDeltaTime = 0x0FFFFFFF;

// Status bytes: the channel kinds (without the channel) and the system ones.
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kKeyPressure = 0xA0;
constexpr uint8_t kControl = 0xB0;
constexpr uint8_t kProgram = 0xC0;
constexpr uint8_t kChannelPressure = 0xD0;
constexpr uint8_t kPitchBend = 0xE0;
constexpr uint8_t kSysex = 0xF0;
constexpr uint8_t kEscape = 0xF7;
constexpr uint8_t kMeta = 0xFF;

// Meta types the programs act on.
constexpr uint8_t kTrackNameType = 0x03;
constexpr uint8_t kLyricType = 0x05;
constexpr uint8_t kEmptyType = 0x0F;        // the placeholder FF 0F 00
constexpr uint8_t kChannelTextType = 0x10;  // 10 hex + channel: the text of one channel
constexpr uint8_t kEndOfTrackType = 0x2F;
constexpr uint8_t kTimeSignatureType = 0x58;
constexpr uint8_t kKeySignatureType = 0x59;

// True for the channel messages with one data byte, program change and channel pressure; every
// other channel message has two.
bool HasOneDataByte(uint8_t status);

// How a walk guards its reads, and which lines it prints for an overrun. AtTrackEnd reads
// without guards and sees an overrun where the track ends ("Delta Time error at : P > E");
// AtEveryRead also guards the first byte of every delta time, length and event, printing
// "MidiFile size exceeded", and words an overrun "Time > track size at : P".
enum class Guards : uint8_t { AtTrackEnd, AtEveryRead };

// One event as a track holds it: its delta time, its tick from the track's start (delta times
// are unsigned and summed without a limit), its place among the track's events from 0, the
// position of its first byte in the image, and its bytes, status first (empty for a stray data
// byte).
struct trackevent {
  int32_t delta = 0;
  int64_t time = 0;
  size_t index = 0;
  int32_t at = 0;
  bytes event;
};

// One Standard MIDI File held in memory as one byte array. Positions are 0-based offsets into
// image, owned by the caller and advanced in place by the operations that use the bytes.
class Midi {
 public:
  // The first byte of the last event written in full; 0 means none.
  uint8_t runningStatus = 0;
  // The last channel status met while reading; 0 means none.
  uint8_t readStatus = 0;
  // The whole file, header chunk first.
  bytes image;
  // Set by the program right after creating the object; decides guards and messages.
  Guards guards = Guards::AtTrackEnd;

  // Replaces image with the contents of the file name; false when it exists but cannot be read.
  // A missing or empty file leaves image empty and is no failure here.
  bool LoadFromFile(const std::string& name);
  // LoadFromFile, then CheckFile: false after the line saying why the file cannot be read or is
  // refused.
  bool LoadChecked(const std::string& name);
  // Replaces the file name with image, through a temporary file renamed over it when complete
  // (an existing file that is no MIDI file is refused); false after the line saying why it
  // failed. An empty image writes nothing.
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
  // Appends value as a variable-length quantity to to, exactly vlqlength(value) bytes.
  static void AppendVarLen(int32_t value, bytes& to);
  // Writes a complete event (at least 1 byte) at pos, leaving out a channel status byte equal
  // to runningStatus unless its first data byte has bit 7 set.
  void WriteEvent(const bytes& event, int32_t& pos);
  // The same for the event of status and the n bytes at rest that follow it.
  void WriteEvent(uint8_t status, const uint8_t* rest, size_t n, int32_t& pos);
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
  // Reads the delta time and the event at pos of a track that ends at end into e; prints the
  // overrun line and clears ok when either runs past end.
  void ReadTrackEvent(int32_t& pos, int32_t end, trackevent& e, bool& ok);
  // Reads every event of every track of a file that passed CheckFile, in file order, starting
  // with no running status: visit(k, e) for each event e of track k (from 0).
  template <class Visit>
  void ForEachEvent(Visit visit);

  // Checks the header chunk; prints the first failing test's line and clears ok.
  void CheckHeader(bool& ok) const;
  // Reads a track chunk header at pos into length (signed); clears ok after a line when the
  // identifier is not "MTrk".
  void ReadTrackHeader(int32_t& pos, int32_t& length, bool& ok) const;
  // Walks one track's data from start over length bytes (inside image); clears ok after a line
  // when the events do not end exactly at the track's end.
  void CheckTrackEvents(int32_t start, int32_t length, bool& ok);
  // The whole structure check of a loaded file: header, every track chunk and its events, read
  // from no running status as a file begins.
  void CheckFile(bool& ok);

 private:
  int32_t Size() const { return static_cast<int32_t>(image.size()); }
  uint8_t At(int32_t p) const { return p >= 0 && p < Size() ? image[p] : 0; }
  uint8_t Take(int32_t& pos) const {
    uint8_t b = At(pos);
    pos = Beyond(pos, 1);
    return b;
  }
  void Put(int32_t& pos, uint8_t b) {
    Room(pos, 1);
    image[pos++] = b;
  }
  // Makes image hold at least n bytes from pos. The writer sized it once; a short estimate grows
  // it by doubling while it is small and by 64 KB after that (the array's capacity doubles as
  // needed), so it holds few zeros past the bytes written.
  void Room(int32_t pos, size_t n) {
    size_t need = static_cast<size_t>(pos) + n;
    if (need > image.size()) {
      image.resize(std::max(need, image.size() + std::min<size_t>(image.size(), 1 << 16)));
    }
  }
  // pos moved on by n bytes (n read as unsigned, as a VLQ is), stopping at 7FFFFFFF hex.
  static int32_t Beyond(int32_t pos, int32_t n);
  // Prints this program's line for a delta time or an event that overran the track's end.
  void SayOverrun(bool deltaTime, int32_t pos, int32_t end) const;
  // The bytes from start up to pos, as far as image holds them.
  bytes Copy(int32_t start, int32_t pos) const;
  // ReadTrackEvent, or with no e only the steps over the delta time and the event.
  void WalkTrackEvent(int32_t& pos, int32_t end, trackevent* e, bool& ok);
  // The same into part, whose array is reused.
  void CopyInto(int32_t start, int32_t pos, bytes& part) const;
};

template <class Visit>
void Midi::ForEachEvent(Visit visit) {
  readStatus = 0;
  int32_t pos = kHeaderSize;
  trackevent e;
  for (int32_t k = 0; k < GetTrackCount(); k++) {
    int32_t length;
    bool ok;
    ReadTrackHeader(pos, length, ok);
    int64_t end = int64_t{pos} + static_cast<uint32_t>(length);
    if (!ok || end > Size()) return;
    e.time = 0;
    for (e.index = 0; ok && pos < end; e.index++) {
      ReadTrackEvent(pos, static_cast<int32_t>(end), e, ok);
      e.time += static_cast<uint32_t>(e.delta);
      if (ok) visit(k, e);
    }
    pos = static_cast<int32_t>(end);
  }
}
