#include "MidiDoos.h"

#include <algorithm>

#include "Cursor.h"
#include "Files.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

// The line for a chunk at at whose identifier id is not "MTrk".
void SayNotTrack(const std::string& id, int32_t at) {
  say(id + " <> \"MTrk\" in Track header at byte " + Num(at));
}

}  // namespace

bool Midi::LoadFromFile(const std::string& name) {
  image.clear();
  if (!fileexists(name)) return true;
  if (!readfile(name, image)) return false;
  if (!image.empty()) runningStatus = readStatus = 0;  // a new file: nothing read or written
  return true;
}

bool Midi::SaveToFile(const std::string& name) const {
  return image.empty() || savefile(name, image, Format::Midi);
}

int32_t Midi::GetMidiType() const { return At(8) << 8 | At(9); }

int32_t Midi::GetTrackCount() const { return At(10) << 8 | At(11); }

int32_t Midi::GetTicks() const { return At(12) << 8 | At(13); }

void Midi::Grow(size_t need) {
  image.resize(std::max(need, image.size() + std::min<size_t>(image.size(), 1 << 16)));
}

void Midi::WriteHeader(uint8_t type, uint16_t tracks, uint16_t ticks) {
  int32_t pos = 0;
  for (uint8_t b : {0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00}) Put(pos, b);
  Put(pos, type);
  Put(pos, static_cast<uint8_t>(tracks >> 8));
  Put(pos, static_cast<uint8_t>(tracks));
  Put(pos, static_cast<uint8_t>(ticks >> 8));
  Put(pos, static_cast<uint8_t>(ticks));
}

void Midi::WriteTrackHeader(uint32_t length, int32_t p) {
  for (uint8_t b : {0x4D, 0x54, 0x72, 0x6B}) Put(p, b);
  for (int shift = 24; shift >= 0; shift -= 8) Put(p, static_cast<uint8_t>(length >> shift));
}

void appendvarlen(int32_t value, bytes& to) {
  uint8_t quantity[5];
  to.insert(to.end(), quantity, quantity + PutVarLen(value, quantity));
}

void Midi::WriteEvent(const bytes& event, int32_t& pos) {
  if (!event.empty()) WriteEvent(event[0], event.data() + 1, event.size() - 1, pos);
}

void Midi::WriteEmptyMeta(int32_t& pos) {
  for (uint8_t b : {kMeta, kEmptyType, uint8_t{0}}) Put(pos, b);
  runningStatus = kMeta;
}

bool Midi::SizeExceeded(int32_t p) const {
  if (p <= Size() - 1) return false;
  say("MidiFile size exceeded");
  return true;
}

int32_t Midi::ReadVarLen(int32_t& pos, Guards guards) {
  if (guards == Guards::AtEveryRead && SizeExceeded(pos)) return 0;
  return static_cast<int32_t>(DecodeVarLen(View(), pos));
}

void Midi::SkipDeltaTime(int32_t& pos, Guards guards) { ReadVarLen(pos, guards); }

eventcut Midi::Cut(int32_t& pos, eventkind kind, Guards guards) {
  eventcut cut = CutEvent(View(), pos, readStatus, guards, kind);
  if (cut.exceeded) say("MidiFile size exceeded");
  return cut;
}

bool Midi::SkipChannelEvent(int32_t& pos) {
  Cut(pos, eventkind::Channel, Guards::AtTrackEnd);
  return HasOneDataByte(readStatus);
}

void Midi::SkipSysexEvent(int32_t& pos, Guards guards) { Cut(pos, eventkind::Sysex, guards); }

void Midi::SkipMetaEvent(int32_t& pos, Guards guards) { Cut(pos, eventkind::Meta, guards); }

bool Midi::SkipEvent(int32_t& pos, Guards guards) {
  if (guards == Guards::AtEveryRead && SizeExceeded(pos)) return false;
  return Cut(pos, eventkind::Any, guards).kind != eventkind::None;
}

void Midi::ReadKind(int32_t& pos, eventkind kind, bytes& event, Guards guards) {
  int32_t start = pos;
  eventcut cut = Cut(pos, kind, guards);
  CopyEvent(cut, start, pos, event);
}

void Midi::CopyEvent(const eventcut& cut, int32_t start, int32_t pos, bytes& event) const {
  if (cut.kind == eventkind::None) {  // a stray data byte, or nothing left: no event
    event.clear();
  } else if (cut.kind == eventkind::Channel) {
    // in running status the array still starts with the status, so callers always see it
    event.assign({readStatus, At(cut.rest)});
    if (!HasOneDataByte(readStatus)) event.push_back(At(cut.rest + 1));
  } else if (cut.kind == eventkind::System) {
    event.assign(1, At(start));
  } else {
    // the bytes up to pos, as far as the image holds them; the array is reused, as a walk
    // reads one event at a time
    int32_t from = std::clamp(start, 0, Size());
    event.assign(image.begin() + from, image.begin() + std::clamp(pos, from, Size()));
  }
}

void Midi::ReadChannelEvent(int32_t& pos, bytes& event) {
  ReadKind(pos, eventkind::Channel, event, Guards::AtTrackEnd);
}

void Midi::ReadSysexEvent(int32_t& pos, bytes& event, Guards guards) {
  ReadKind(pos, eventkind::Sysex, event, guards);
}

void Midi::ReadMetaEvent(int32_t& pos, bytes& event, Guards guards) {
  ReadKind(pos, eventkind::Meta, event, guards);
}

void Midi::ReadSystemEvent(int32_t& pos, bytes& event) {
  ReadKind(pos, eventkind::System, event, Guards::AtTrackEnd);
}

void Midi::ReadEvent(int32_t& pos, bytes& event, Guards guards) {
  event.clear();
  if (guards == Guards::AtEveryRead && SizeExceeded(pos)) return;
  ReadKind(pos, eventkind::Any, event, guards);
}

void Midi::CheckHeader(bool& ok) const {
  ok = false;
  int32_t type = GetMidiType();
  int32_t tracks = GetTrackCount();
  int32_t division = GetTicks();
  if (Size() <= kHeaderSize) {
    say("MidiFile <= 14 bytes");
  } else if (!std::equal(image.begin(), image.begin() + 4, "MThd")) {
    say(std::string(image.begin(), image.begin() + 4) + " <> \"MThd\" in MF header");
  } else if (At(4) != 0 || At(5) != 0 || At(6) != 0 || At(7) != 6) {
    say("Header chunk size not 6");
  } else if (type >= 3) {
    say("Error in header: type MF = " + Num(type));
  } else if (type == 0 ? tracks != 1 : tracks < 1) {
    say("Type " + Num(type) + " and # tracks " + Num(tracks) + " incompatible");
  } else if (division & 0x8000) {
    say("Unsupported (SMPTE) # ticks");
  } else if (division == 0) {
    say("# ticks must be > 0");
  } else {
    ok = true;
  }
}

void Midi::ReadTrackHeader(int32_t& pos, int32_t& length, bool& ok) const {
  length = 0;
  int32_t start = pos;
  std::string id;
  for (int i = 0; i < 4; i++, pos = Beyond(pos, 1)) id += static_cast<char>(At(pos));
  ok = id == "MTrk";
  if (!ok) {
    SayNotTrack(id, start);
    return;
  }
  uint32_t n = 0;
  for (int i = 0; i < 4; i++, pos = Beyond(pos, 1)) n = n << 8 | At(pos);
  length = static_cast<int32_t>(n);
}

uint8_t Midi::CheckTrackEvents(int32_t start, int32_t length, bool& ok, Guards guards,
                               uint8_t status) const {
  ok = length >= 0;  // a length of 80000000 hex or more ends before the track begins
  if (!ok) return status;
  chunk c{start - kTrackHeaderSize, start, static_cast<uint32_t>(length)};
  trackcursor track(*this, c, status, guards);
  trackevent e;
  while (track.Next(e)) {
  }
  ok = checkstop(track, c.End(), guards);
  return track.status;
}

void Midi::CheckFile(bool& ok, Guards guards) const { checkfile(*this, ok, guards, novisit{}); }

bool loadfile(Midi& m, const std::string& name) {
  if (m.LoadFromFile(name)) return true;
  saycannotread(name);
  return false;
}

bool checkstart(const Midi& m, headerrule rule) {
  if (m.image.empty()) {
    say("No MidiFile Read yet");
    return false;
  }
  int32_t type = m.GetMidiType();
  int32_t tracks = m.GetTrackCount();
  bool written = rule == headerrule::Written && m.image.size() > kHeaderSize &&
                 std::equal(m.image.begin(), m.image.begin() + 8, "MThd\0\0\0\6") && type < 3 &&
                 tracks >= 1;
  if (written) {
    if (type == 0 && tracks > 1) say("Type 0 with " + Num(tracks) + " tracks: each track is read");
    if (m.GetTicks() == 0) say("# ticks 0: mev2smf needs a division above 0 in the header line");
    return true;
  }
  bool ok;
  m.CheckHeader(ok);
  return ok;
}

bool checkchunk(const Midi& m, chunkcursor& chunks, chunk& c) {
  int64_t size = static_cast<int64_t>(m.image.size());
  int64_t end = 0;
  if (!chunks.Next(c)) {  // the file ends in or before this header
    end = chunks.pos + kTrackHeaderSize;
  } else if (!chunks.IsTrack(c)) {
    SayNotTrack(chunks.Id(c), c.at);
    return false;
  } else if (c.End() > size) {  // a length is unsigned: 80000000 hex or more passes the end
    end = c.End();
  } else {
    return true;
  }
  say("# midi bytes (" + Num(end) + ") > file size (" + Num(size) + ")");
  return false;
}

bool checkstop(trackcursor track, int64_t end, Guards guards) {
  if (track.exceeded) say("MidiFile size exceeded");
  bool delta = track.stop == stopreason::DeltaPastEnd;
  if (delta || track.stop == stopreason::EventPastEnd) {
    // the two programs word an overrun differently
    switch (guards) {
      case Guards::AtTrackEnd:
        say((delta ? "Delta Time error at : " : "Any Event error at : ") + Num(track.pos) + " > " +
            Num(end));
        break;
      case Guards::AtEveryRead:
        say((delta ? "Time > track size at : " : "Event > track size at : ") + Num(track.pos));
        break;
    }
  }
  return track.stop == stopreason::End;
}

void checkend(const Midi& m) {
  chunkcursor chunks(m);
  chunk c;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) chunks.Next(c);
  int64_t pos = chunks.pos;
  int64_t size = static_cast<int64_t>(m.image.size());
  if (pos < size) say("# midi bytes (" + Num(pos) + ") < file size (" + Num(size) + ")");
}

bool chunkcursor::Next(chunk& c) {
  if (pos + kTrackHeaderSize > image.size) return false;
  c.at = static_cast<int32_t>(pos);
  c.begin = c.at + kTrackHeaderSize;
  c.length = 0;
  for (int32_t p = c.at + 4; p < c.begin; p++) c.length = c.length << 8 | image.bytes[p];
  pos = c.End();
  return true;
}

std::string chunkcursor::Id(const chunk& c) const {
  std::string id;
  for (int32_t p = c.at; p < c.at + 4; p++) id += static_cast<char>(image.At(p));
  return id;
}

bytes eventview::Bytes() const {
  bytes event(n + 1);
  event[0] = status;
  std::copy(rest, rest + n, event.begin() + 1);
  return event;
}
