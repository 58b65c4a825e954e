#pragma once

#include <climits>
#include <cstdint>
#include <cstring>
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
constexpr uint8_t kTextType = 0x01;
constexpr uint8_t kTrackNameType = 0x03;
constexpr uint8_t kLyricType = 0x05;
constexpr uint8_t kEmptyType = 0x0F;        // the placeholder FF 0F 00
constexpr uint8_t kChannelTextType = 0x10;  // 10 hex + channel: the text of one channel
constexpr uint8_t kEndOfTrackType = 0x2F;
constexpr uint8_t kTempoType = 0x51;
constexpr uint8_t kTimeSignatureType = 0x58;
constexpr uint8_t kKeySignatureType = 0x59;

// True for the channel status bytes, 80 to EF hex.
inline bool IsChannelStatus(uint8_t s) { return s >= kNoteOff && s < kSysex; }
// True for the channel messages with one data byte, program change and channel pressure; every
// other channel message has two.
inline bool HasOneDataByte(uint8_t status) {
  return status >> 5 == kProgram >> 5;  // C0 to DF
}

// How a read guards itself at the image's end, and which lines the check prints for an overrun.
// AtTrackEnd reads without guards and sees an overrun where the track ends ("Delta Time error
// at : P > E"); AtEveryRead does not read a delta time, length or event that would begin past
// the image's last byte ("MidiFile size exceeded") and words an overrun "Time > track size at :
// P".
enum class Guards : uint8_t { AtTrackEnd, AtEveryRead };

// The bytes of an image, read-only. Every read is bounded: a position outside them reads 0.
struct imageview {
  const uint8_t* bytes = nullptr;
  int32_t size = 0;
  uint8_t At(int32_t p) const { return p >= 0 && p < size ? bytes[p] : 0; }
};

// What begins where an event begins: a channel message (its status byte, or a data byte while
// a running status is in force), a sysex or escape event (F0 to F7; F1 to F6 are sized alike),
// a one-byte system event (F8 to FE), a meta event (FF), or none: a stray data byte while no
// running status is in force, or the end of the image. Any: as the byte says.
enum class eventkind : uint8_t { None, Channel, Sysex, System, Meta, Any };

// pos moved on by n bytes, stopping at 7FFFFFFF hex.
inline int32_t Beyond(int32_t pos, uint32_t n) {
  int64_t to = int64_t{pos} + n;
  return to < INT32_MAX ? static_cast<int32_t>(to) : INT32_MAX;
}

// Decodes the variable-length quantity at pos and moves pos past it: 7 bits a byte, most
// significant first, bit 7 set on every byte but the last. Bits shifted beyond 32 are lost; a
// quantity that runs off the image gives 0 and leaves pos one byte past the image's end. The
// only decoder of the suite.
inline uint32_t DecodeVarLen(const imageview& image, int32_t& pos) {
  if (pos >= 0 && pos < image.size && image.bytes[pos] < 0x80) return image.bytes[pos++];
  uint32_t value = 0;
  uint8_t b;
  do {
    if (pos < 0 || pos >= image.size) {
      pos = Beyond(pos, 1);
      return 0;
    }
    b = image.bytes[pos++];  // inside the image, so pos + 1 cannot pass 7FFFFFFF hex
    value = value << 7 | (b & 0x7F);
  } while (b & 0x80);
  return value;
}

// What CutEvent found: the kind of event, and where it lies.
struct eventcut {
  eventkind kind = eventkind::None;
  // Its first byte after the status byte: in running status, its first data byte.
  int32_t rest = 0;
  // Guarded only: the length of a sysex or meta event would begin past the image's last byte;
  // it was not read, and counts as 0.
  bool exceeded = false;
};

// Moves pos past the event at pos, of the kind its first byte gives while status is the running
// status of reading, or of kind when that is given: the one place where the suite finds an
// event's end. A channel message takes the status byte that stands there (status keeps it) and
// one or two data bytes by the status in force; a sysex event, and a meta event after its type
// byte, the variable-length count of the bytes that follow it and those bytes; a system event,
// and none, one byte. The bytes are not looked at beyond that.
inline eventcut CutEvent(const imageview& image, int32_t& pos, uint8_t& status, Guards guards,
                         eventkind kind = eventkind::Any) {
  eventcut cut;
  bool inside = pos >= 0 && pos < image.size;
  uint8_t b = inside ? image.bytes[pos] : 0;
  if (kind == eventkind::Any) {
    if (!inside || (b < 0x80 && status == 0)) {
      kind = eventkind::None;
    } else if (b < kSysex) {
      kind = eventkind::Channel;
    } else {
      kind = b < 0xF8 ? eventkind::Sysex : b < kMeta ? eventkind::System : eventkind::Meta;
    }
  }
  cut.kind = kind;
  if (kind == eventkind::Channel) {  // most events: no length, and one or two data bytes
    if (b & 0x80) status = b;
    cut.rest = pos + (b >> 7);  // after the status byte, when one stands there in the image
    int64_t end = int64_t{cut.rest} + (HasOneDataByte(status) ? 1 : 2);
    pos = end < INT32_MAX ? static_cast<int32_t>(end) : INT32_MAX;
  } else if (kind == eventkind::Sysex || kind == eventkind::Meta) {
    pos = Beyond(pos, 1);
    cut.rest = pos;
    if (kind == eventkind::Meta) pos = Beyond(pos, 1);  // the type
    if (guards == Guards::AtEveryRead && pos > image.size - 1) {
      cut.exceeded = true;
    } else {
      uint32_t n = DecodeVarLen(image, pos);  // moves pos: read before pos is used
      pos = Beyond(pos, n);
    }
  } else {  // a system event, and none
    pos = Beyond(pos, 1);
    cut.rest = pos;
  }
  return cut;
}

// One Standard MIDI File held in memory as one byte array. Positions are 0-based offsets into
// image, owned by the caller and advanced in place by the operations that use the bytes. The
// reading operations here serve callers that step through a track by hand; a walk over a track
// uses a trackcursor (Cursor.h), which keeps its own running status.
class Midi {
 public:
  // The first byte of the last event written in full; 0 means none.
  uint8_t runningStatus = 0;
  // The last channel status met by the reading operations below; 0 means none.
  uint8_t readStatus = 0;
  // The whole file, header chunk first.
  bytes image;

  // The image's bytes, for reading.
  imageview View() const { return {image.data(), Size()}; }

  // Replaces image with the contents of the file name; false when it exists but cannot be read.
  // A missing or empty file leaves image empty and is no failure here.
  bool LoadFromFile(const std::string& name);
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
  // Writes a complete event (at least 1 byte) at pos, leaving out a channel status byte equal
  // to runningStatus unless its first data byte has bit 7 set.
  void WriteEvent(const bytes& event, int32_t& pos);
  // The same for the event of status and the n bytes at rest that follow it.
  void WriteEvent(uint8_t status, const uint8_t* rest, size_t n, int32_t& pos);
  // Writes the empty meta event FF 0F 00 at pos; ends running status.
  void WriteEmptyMeta(int32_t& pos);

  // The reading operations, for stepping through a track by hand; they are part of the suite's
  // interface, and the walks of the programs use a trackcursor, which cuts events with the
  // same CutEvent. With guards AtEveryRead, a delta time, length or event that would begin past
  // the image's last byte is not read: the line "MidiFile size exceeded" is printed and pos
  // stays.
  // Reads a variable-length quantity at pos.
  int32_t ReadVarLen(int32_t& pos, Guards guards = Guards::AtTrackEnd);
  // Steps over a delta time.
  void SkipDeltaTime(int32_t& pos, Guards guards = Guards::AtTrackEnd);
  // Steps over one event; false when nothing was stepped over that makes an event (a stray
  // data byte while no running status is in force, or nothing left to read).
  bool SkipEvent(int32_t& pos, Guards guards = Guards::AtTrackEnd);
  // Steps over a channel message, its status byte optional; true for one data byte.
  bool SkipChannelEvent(int32_t& pos);
  // Steps over a sysex or escape event.
  void SkipSysexEvent(int32_t& pos, Guards guards = Guards::AtTrackEnd);
  // Steps over a meta event.
  void SkipMetaEvent(int32_t& pos, Guards guards = Guards::AtTrackEnd);
  // Reads one event into event, its status byte always present; event is left empty when there
  // is none (a stray data byte while no running status is in force, or nothing left to read).
  // Moves pos exactly as SkipEvent does.
  void ReadEvent(int32_t& pos, bytes& event, Guards guards = Guards::AtTrackEnd);
  // The kind-specific readers that serve ReadEvent.
  void ReadChannelEvent(int32_t& pos, bytes& event);
  void ReadSysexEvent(int32_t& pos, bytes& event, Guards guards = Guards::AtTrackEnd);
  void ReadMetaEvent(int32_t& pos, bytes& event, Guards guards = Guards::AtTrackEnd);
  void ReadSystemEvent(int32_t& pos, bytes& event);
  // True, after printing "MidiFile size exceeded", when p lies past the last byte of image.
  bool SizeExceeded(int32_t p) const;

  // The structure check. Guards choose the wording of an overrun and how a read at the very
  // end of the file is taken, as for the reading operations.
  // Checks the header chunk; prints the first failing test's line and clears ok.
  void CheckHeader(bool& ok) const;
  // Reads a track chunk header at pos into length (signed); clears ok after a line when the
  // identifier is not "MTrk". Part of the suite's interface: the check reads chunks with a
  // chunkcursor.
  void ReadTrackHeader(int32_t& pos, int32_t& length, bool& ok) const;
  // Walks one track's data from start over length bytes (inside image), beginning in the
  // running status status; clears ok after the lines the walk gives when the events do not end
  // exactly at the track's end. Returns the running status the walk leaves.
  uint8_t CheckTrackEvents(int32_t start, int32_t length, bool& ok,
                           Guards guards = Guards::AtTrackEnd, uint8_t status = 0) const;
  // The whole structure check of a loaded file: header, every track chunk and its events, each
  // track read in the running status the one before it left, from none as a file begins. The
  // walk is checkfile's (Cursor.h), which can also hand the events it reads to the caller.
  void CheckFile(bool& ok, Guards guards = Guards::AtTrackEnd) const;

 private:
  int32_t Size() const { return static_cast<int32_t>(image.size()); }
  uint8_t At(int32_t p) const { return View().At(p); }
  // Makes image hold at least n bytes from pos. The writer sized it once; a short estimate
  // grows it by doubling while it is small and by 64 KB after that (the array's capacity
  // doubles as needed), so it holds few zeros past the bytes written.
  void Room(int32_t pos, size_t n) {
    size_t need = static_cast<size_t>(pos) + n;
    if (need > image.size()) Grow(need);
  }
  void Grow(size_t need);
  void Put(int32_t& pos, uint8_t b) {
    Room(pos, 1);
    image[pos++] = b;
  }
  // Steps over the event of kind at pos with readStatus, printing the guard's line.
  eventcut Cut(int32_t& pos, eventkind kind, Guards guards);
  // Reads the event of kind at pos into event.
  void ReadKind(int32_t& pos, eventkind kind, bytes& event, Guards guards);
  // Copies the event that CutEvent found from start to pos into event, status first.
  void CopyEvent(const eventcut& cut, int32_t start, int32_t pos, bytes& event) const;
};

// Puts value (0..7FFFFFFF hex) as a variable-length quantity at out; its byte count, 1 to 5.
// The only encoder of the suite.
inline int32_t PutVarLen(int32_t value, uint8_t* out) {
  if (value >= 0 && value < 0x80) {  // most delta times are one byte
    out[0] = static_cast<uint8_t>(value);
    return 1;
  }
  uint32_t v = static_cast<uint32_t>(value);
  int32_t n = vlqlength(value);
  // groups of 7 bits, most significant first; bit 7 marks every byte but the last
  for (int32_t i = n - 1; i >= 0; i--) {
    *out++ = static_cast<uint8_t>((v >> (7 * i) & 0x7F) | (i > 0 ? 0x80 : 0));
  }
  return n;
}

inline void Midi::WriteVarLen(int32_t value, int32_t& pos) {
  Room(pos, 5);
  pos += PutVarLen(value, &image[static_cast<size_t>(pos)]);
}

inline void Midi::WriteEvent(uint8_t status, const uint8_t* rest, size_t n, int32_t& pos) {
  // a first data byte of 80 hex or more would read as a status byte of its own: then the
  // status stays, so the event reads back as it was written
  bool sameStatus = IsChannelStatus(status) && status == runningStatus && n > 0 && rest[0] < 0x80;
  Room(pos, n + 1);
  uint8_t* out = &image[static_cast<size_t>(pos)];
  if (!sameStatus) *out++ = status;
  if (n <= 2) {  // most events: a short copy without a call
    for (size_t i = 0; i < n; i++) out[i] = rest[i];
  } else {
    std::memcpy(out, rest, n);
  }
  pos += static_cast<int32_t>(n) + !sameStatus;
  // a status of F0 or more also lands here, and no channel status equals it
  if (status >= 0x80) runningStatus = status;
}

// LoadFromFile: false after the line "NAME: cannot be read" when the file exists but cannot be
// read.
bool loadfile(Midi& m, const std::string& name);
// Appends value (0..7FFFFFFF hex) to to as a variable-length quantity, exactly vlqlength(value)
// bytes: the length field of an event being made.
void appendvarlen(int32_t value, bytes& to);
