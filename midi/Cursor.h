#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Algemeen.h"
#include "MidiDoos.h"

// One chunk of a file after the header: its first byte (the four-letter identifier), its first
// data byte, and the length of its data as stored.
struct chunk {
  int32_t at = 0;
  int32_t begin = 0;
  uint32_t length = 0;
  // The first byte after the chunk, which may lie past the image.
  int64_t End() const { return int64_t{begin} + length; }
};

// Steps through the chunks that follow the header chunk, each read where the one before it
// ends. Every chunk loop of the suite goes through here.
class chunkcursor {
 public:
  explicit chunkcursor(const Midi& m) : image(m.View()) {}
  // Puts the next chunk in c and moves past it; false when its 8-byte header does not fit in
  // the image (pos then stays before it).
  bool Next(chunk& c);
  // The identifier of c as four raw bytes.
  std::string Id(const chunk& c) const;
  // True when c is a track chunk: its identifier is "MTrk".
  bool IsTrack(const chunk& c) const { return Id(c) == "MTrk"; }
  // Where the next chunk begins.
  int64_t pos = kHeaderSize;

 private:
  imageview image;
};

// One event as it stands in an image: its status byte, and the n bytes after it (a channel
// message in running status has its status only here). A stray data byte, which makes no event,
// has that byte as its status and no bytes after it.
struct eventview {
  uint8_t status = 0;
  const uint8_t* rest = nullptr;
  size_t n = 0;
  // True for an event, false for a stray data byte.
  bool IsEvent() const { return status >= 0x80; }
  // The event as one array, status byte first.
  bytes Bytes() const;
  // Where the data of a sysex or meta event begin in rest: after a meta event's type and the
  // length field.
  size_t DataStart() const {
    imageview after{rest, static_cast<int32_t>(n)};
    int32_t p = status == kMeta ? 1 : 0;
    DecodeVarLen(after, p);  // moves p past the length field, or just past the bytes
    return std::min(static_cast<size_t>(p), n);
  }
  // True for a meta event of type.
  bool IsMeta(uint8_t type) const { return status == kMeta && n > 0 && rest[0] == type; }
};

// One event of a track as a trackcursor gives it.
struct trackevent {
  uint32_t delta = 0;  // its delta time
  int64_t tick = 0;    // from the track's start: delta times are unsigned and add up unbounded
  int32_t at = 0;      // the position of its first byte in the image
  eventview event;
};

// Why a trackcursor stopped.
enum class stopreason : uint8_t {
  Reading,       // not yet
  End,           // the events end exactly at the track's end
  DeltaPastEnd,  // a delta time runs past the track's end
  EventPastEnd,  // an event runs past the track's end (looked for even when the delta time
                 // before it ends exactly there)
};

// Reads the delta times and events of one track, one event at a time: the only walk over a
// track's bytes. A track's data bytes before its first status byte run on the status the
// track before it left, so the cursor begins in a running status that the caller gives. It
// prints nothing and changes nothing: where it stopped and why are in pos and stop, and pos is
// where an overrunning delta time or event would end.
class trackcursor {
 public:
  trackcursor(const Midi& m, const chunk& track, uint8_t startStatus,
              Guards policy = Guards::AtTrackEnd)
      : pos(std::max(track.begin, 0)),
        status(startStatus),
        image(m.View()),
        end(static_cast<int32_t>(std::min<int64_t>(track.End(), image.size))),
        guards(policy),
        guardFrom(policy == Guards::AtEveryRead ? image.size : INT32_MAX) {}
  // Puts the next event in e; false, with stop set, when there is none.
  bool Next(trackevent& e);

  int32_t pos;     // the first byte not read yet
  uint8_t status;  // the running status of reading
  stopreason stop = stopreason::Reading;
  // Guarded only: a read would have begun past the image's last byte and was not made (the
  // check says "MidiFile size exceeded"). Only the last track of a file can meet this.
  bool exceeded = false;

 private:
  imageview image;
  int32_t end;
  int64_t tick = 0;
  Guards guards;
  int32_t guardFrom;  // an event that would begin here or later is not read
};

inline bool trackcursor::Next(trackevent& e) {
  if (pos >= end) {  // an overrun leaves pos past end, and its reason stays
    if (stop == stopreason::Reading) stop = stopreason::End;
    return false;
  }
  // pos only grows from the track's start, and end lies inside the image
  if (pos < 0 || end > image.size) __builtin_unreachable();
  uint32_t delta = DecodeVarLen(image, pos);
  if (pos > end) {
    stop = stopreason::DeltaPastEnd;
    return false;
  }
  int32_t at = pos;
  if (at >= guardFrom) {
    exceeded = true;  // nothing is read, so the track ends here, where its delta time ended
    stop = stopreason::End;
    return false;
  }
  eventcut cut = CutEvent(image, pos, status, guards);
  exceeded = exceeded || cut.exceeded;
  if (pos > end) {
    stop = stopreason::EventPastEnd;
    return false;
  }
  tick += delta;
  e.delta = delta;
  e.tick = tick;
  e.at = at;
  e.event.status = cut.kind == eventkind::Channel ? status : image.bytes[at];
  e.event.rest = image.bytes + cut.rest;
  e.event.n = static_cast<size_t>(pos - cut.rest);
  return true;
}

// Hands every event of every track of a file that passed CheckFile to visit(k, e), track k
// from 0, in file order; each track begins in the running status the one before it left, from
// none, as the check reads them. Returns true when a guarded read was not made at the image's
// end.
template <class Visit>
bool ForEachEvent(const Midi& m, Guards guards, Visit&& visit) {
  chunkcursor chunks(m);
  chunk c;
  uint8_t status = 0;
  bool exceeded = false;
  for (int32_t k = 0; k < m.GetTrackCount() && chunks.Next(c); k++) {
    trackcursor track(m, c, status, guards);
    trackevent e;
    while (track.Next(e)) visit(k, e);
    status = track.status;
    exceeded = exceeded || track.exceeded;
  }
  return exceeded;
}

// A visitor that does nothing with the events it is handed.
struct novisit {
  void operator()(int32_t, const trackevent&) const {}
};

// The parts of the structure check, each printing the line of what it finds wrong.
// Which headers a check takes: Strict those the programs that rework files can work on; Written
// also every header the compiler writes: type 0 with several tracks, an SMPTE division and a
// division of 0, each with a line saying so (an SMPTE division is a valid one and gets none).
enum class headerrule : uint8_t { Strict, Written };
// True when m holds a file with a valid header chunk.
bool checkstart(const Midi& m, headerrule rule = headerrule::Strict);
// True when the next chunk, read into c, is a track chunk that lies inside the image.
bool checkchunk(const Midi& m, chunkcursor& chunks, chunk& c);
// True when the walk of a track that ends at end stopped exactly there. The cursor is taken as a
// copy: a walk whose cursor is handed on by address keeps it in memory, and runs slower.
bool checkstop(trackcursor track, int64_t end, Guards guards);
// Notes bytes after the last track the header announces, of a file whose tracks passed.
void checkend(const Midi& m);

// The structure check of Midi::CheckFile, handing visit(k, e) every event its walk reads, as
// ForEachEvent does, so that a program reads a file once; the events of a file that is refused
// in the end are handed over too. Returns true when a guarded read was not made at the image's
// end.
template <class Visit>
bool checkfile(const Midi& m, bool& ok, Guards guards, Visit&& visit,
               headerrule rule = headerrule::Strict) {
  ok = checkstart(m, rule);
  chunkcursor chunks(m);
  uint8_t status = 0;  // a file begins with no running status
  bool exceeded = false;
  for (int32_t k = 0; ok && k < m.GetTrackCount(); k++) {
    chunk c;
    ok = checkchunk(m, chunks, c);
    if (!ok) break;
    trackcursor track(m, c, status, guards);
    trackevent e;
    while (track.Next(e)) visit(k, e);
    exceeded = exceeded || track.exceeded;
    ok = checkstop(track, c.End(), guards);
    status = track.status;
  }
  if (ok) checkend(m);
  return exceeded;
}

// LoadFromFile, then the structure check with guards, handing visit every event the check
// reads: false after the line saying why the file cannot be read or is refused.
template <class Visit = novisit>
bool loadchecked(Midi& m, const std::string& name, Guards guards, Visit&& visit = {}) {
  if (!loadfile(m, name)) return false;
  bool ok;
  checkfile(m, ok, guards, visit);
  return ok;
}
