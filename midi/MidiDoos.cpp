#include "MidiDoos.h"

#include "Files.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

bool IsChannelStatus(uint8_t s) { return s >= kNoteOff && s < kSysex; }

// Puts value (0..7FFFFFFF hex) as a variable-length quantity at out; its byte count, 1 to 5.
int32_t PutVarLen(int32_t value, uint8_t* out) {
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

}  // namespace

bool HasOneDataByte(uint8_t status) {
  return (status & 0xF0) == kProgram || (status & 0xF0) == kChannelPressure;
}

bool Midi::LoadFromFile(const std::string& name) {
  image.clear();
  if (!fileexists(name)) return true;
  if (!readfile(name, image)) return false;
  if (!image.empty()) runningStatus = readStatus = 0;  // a new file: nothing read or written
  return true;
}

bool Midi::LoadChecked(const std::string& name) {
  if (!LoadFromFile(name)) {
    saycannotread(name);
    return false;
  }
  bool ok;
  CheckFile(ok);
  return ok;
}

bool Midi::SaveToFile(const std::string& name) const {
  return image.empty() || savefile(name, image, Format::Midi);
}

int32_t Midi::GetMidiType() const { return At(8) << 8 | At(9); }

int32_t Midi::GetTrackCount() const { return At(10) << 8 | At(11); }

int32_t Midi::GetTicks() const { return At(12) << 8 | At(13); }

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

void Midi::WriteVarLen(int32_t value, int32_t& pos) {
  Room(pos, 5);
  pos += PutVarLen(value, &image[static_cast<size_t>(pos)]);
}

void Midi::AppendVarLen(int32_t value, bytes& to) {
  uint8_t quantity[5];
  to.insert(to.end(), quantity, quantity + PutVarLen(value, quantity));
}

void Midi::WriteEvent(const bytes& event, int32_t& pos) {
  if (!event.empty()) WriteEvent(event[0], event.data() + 1, event.size() - 1, pos);
}

void Midi::WriteEvent(uint8_t status, const uint8_t* rest, size_t n, int32_t& pos) {
  // a first data byte of 80 hex or more would read as a status byte of its own: then the
  // status stays, so the event reads back as it was written
  bool sameStatus = IsChannelStatus(status) && status == runningStatus && n > 0 && rest[0] < 0x80;
  Room(pos, n + 1);
  if (!sameStatus) image[pos++] = status;
  for (size_t i = 0; i < n; i++) image[pos++] = rest[i];
  // a status of F0 or more also lands here, and no channel status equals it
  if (status >= 0x80) runningStatus = status;
}

void Midi::WriteEmptyMeta(int32_t& pos) {
  for (uint8_t b : {kMeta, kEmptyType, uint8_t{0}}) Put(pos, b);
  runningStatus = kMeta;
}

int32_t Midi::Beyond(int32_t pos, int32_t n) {
  return static_cast<int32_t>(
      std::min<int64_t>(int64_t{pos} + static_cast<uint32_t>(n), INT32_MAX));
}

bytes Midi::Copy(int32_t start, int32_t pos) const {
  bytes part;
  CopyInto(start, pos, part);
  return part;
}

void Midi::CopyInto(int32_t start, int32_t pos, bytes& part) const {
  int32_t from = std::clamp(start, 0, Size());
  int32_t to = std::clamp(pos, from, Size());
  part.assign(image.begin() + from, image.begin() + to);
}

bool Midi::SizeExceeded(int32_t p) const {
  if (p <= Size() - 1) return false;
  say("MidiFile size exceeded");
  return true;
}

int32_t Midi::ReadVarLen(int32_t& pos) {
  if (guards == Guards::AtEveryRead && SizeExceeded(pos)) return 0;
  uint32_t value = 0;
  uint8_t b;
  do {
    if (pos < 0 || pos >= Size()) {  // a VLQ that runs off the image ends one byte past it
      pos = Beyond(pos, 1);
      return 0;
    }
    b = image[pos++];                 // inside the image, so pos + 1 cannot pass 7FFFFFFF hex
    value = value << 7 | (b & 0x7F);  // a fifth byte shifts the highest bits out
  } while (b & 0x80);
  return static_cast<int32_t>(value);
}

void Midi::SkipDeltaTime(int32_t& pos) { ReadVarLen(pos); }

bool Midi::SkipChannelEvent(int32_t& pos) {
  if (At(pos) & 0x80) readStatus = Take(pos);
  bool one = HasOneDataByte(readStatus);
  pos = Beyond(pos, one ? 1 : 2);
  return one;
}

void Midi::SkipSysexEvent(int32_t& pos) {
  pos = Beyond(pos, 1);
  int32_t n = ReadVarLen(pos);
  pos = Beyond(pos, n);
}

void Midi::SkipMetaEvent(int32_t& pos) {
  pos = Beyond(pos, 2);
  int32_t n = ReadVarLen(pos);
  pos = Beyond(pos, n);
}

bool Midi::SkipEvent(int32_t& pos) {
  if (guards == Guards::AtEveryRead && SizeExceeded(pos)) return false;
  if (pos >= Size()) {  // an event read at the very end overruns it by one byte
    pos = Beyond(pos, 1);
    return false;
  }
  uint8_t b = At(pos);
  if (b < 0x80 && readStatus == 0) {  // a stray data byte is passed over
    pos++;
    return false;
  }
  if (b < kSysex)
    SkipChannelEvent(pos);
  else if (b < 0xF8)  // F1 to F7 are sized like a sysex event
    SkipSysexEvent(pos);
  else if (b < kMeta)
    pos++;
  else
    SkipMetaEvent(pos);
  return true;
}

void Midi::ReadChannelEvent(int32_t& pos, bytes& event) {
  if (At(pos) & 0x80) readStatus = Take(pos);
  // in running status the array still starts with the status, so callers always see it
  uint8_t first = Take(pos);
  if (HasOneDataByte(readStatus)) {
    event.assign({readStatus, first});
  } else {
    event.assign({readStatus, first, Take(pos)});
  }
}

void Midi::ReadSysexEvent(int32_t& pos, bytes& event) {
  int32_t start = pos;
  SkipSysexEvent(pos);
  CopyInto(start, pos, event);  // the event's array is reused, as a walk reads one at a time
}

void Midi::ReadMetaEvent(int32_t& pos, bytes& event) {
  int32_t start = pos;
  SkipMetaEvent(pos);
  CopyInto(start, pos, event);
}

void Midi::ReadSystemEvent(int32_t& pos, bytes& event) { event.assign(1, Take(pos)); }

void Midi::ReadEvent(int32_t& pos, bytes& event) {
  event.clear();
  if (guards == Guards::AtEveryRead && SizeExceeded(pos)) return;
  if (pos >= Size()) {
    pos = Beyond(pos, 1);
    return;
  }
  uint8_t b = At(pos);
  if (b < 0x80 && readStatus == 0) {
    pos++;
    return;
  }
  if (b < kSysex)
    ReadChannelEvent(pos, event);
  else if (b < 0xF8)
    ReadSysexEvent(pos, event);
  else if (b < kMeta)
    ReadSystemEvent(pos, event);
  else
    ReadMetaEvent(pos, event);
}

void Midi::CheckHeader(bool& ok) const {
  ok = false;
  int32_t type = GetMidiType();
  int32_t tracks = GetTrackCount();
  int32_t division = GetTicks();
  if (Size() <= kHeaderSize) {
    say("MidiFile <= 14 bytes");
  } else if (Copy(0, 4) != bytes{0x4D, 0x54, 0x68, 0x64}) {
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
  pos = Beyond(pos, 4);
  bytes id = Copy(start, pos);
  id.resize(4, 0);
  ok = id == bytes{0x4D, 0x54, 0x72, 0x6B};
  if (!ok) {
    say(std::string(id.begin(), id.end()) + " <> \"MTrk\" in Track header at byte " + Num(start));
    return;
  }
  uint32_t n = 0;
  for (int i = 0; i < 4; i++) n = n << 8 | Take(pos);
  length = static_cast<int32_t>(n);
}

void Midi::SayOverrun(bool deltaTime, int32_t pos, int32_t end) const {
  switch (guards) {
    case Guards::AtTrackEnd:
      say((deltaTime ? "Delta Time error at : " : "Any Event error at : ") + Num(pos) + " > " +
          Num(end));
      break;
    case Guards::AtEveryRead:
      say((deltaTime ? "Time > track size at : " : "Event > track size at : ") + Num(pos));
      break;
  }
}

void Midi::ReadTrackEvent(int32_t& pos, int32_t end, trackevent& e, bool& ok) {
  WalkTrackEvent(pos, end, &e, ok);
}

void Midi::WalkTrackEvent(int32_t& pos, int32_t end, trackevent* e, bool& ok) {
  int32_t delta = ReadVarLen(pos);
  if (pos > end) {
    SayOverrun(true, pos, end);
    ok = false;
    return;
  }
  // an event is looked for even when the delta time ended exactly at the track's end
  if (e) {
    e->delta = delta;
    e->at = pos;
    ReadEvent(pos, e->event);
  } else {
    SkipEvent(pos);  // moves pos exactly as reading the event does
  }
  if (pos > end) {
    SayOverrun(false, pos, end);
    ok = false;
  }
}

void Midi::CheckTrackEvents(int32_t start, int32_t length, bool& ok) {
  ok = true;
  int32_t pos = start;
  int32_t end = start + length;
  while (ok && pos < end) WalkTrackEvent(pos, end, nullptr, ok);
  ok = ok && pos == end;
}

void Midi::CheckFile(bool& ok) {
  ok = true;
  int32_t size = Size();
  if (size == 0) {
    say("No MidiFile Read yet");
    ok = false;
    return;
  }
  CheckHeader(ok);
  if (!ok) return;
  auto tooFar = [&](int64_t end) {
    say("# midi bytes (" + Num(end) + ") > file size (" + Num(size) + ")");
    ok = false;
  };
  // a walk of the whole file starts from no running status, as the programs' own walks do, so
  // both cut every track into the same events
  readStatus = 0;
  int32_t pos = kHeaderSize;
  for (int32_t k = 0; k < GetTrackCount(); k++) {
    if (int64_t{pos} + kTrackHeaderSize > size) {  // the file ends in or before this header
      tooFar(int64_t{pos} + kTrackHeaderSize);
      break;
    }
    int32_t length;
    ReadTrackHeader(pos, length, ok);
    if (!ok) break;
    // a length is unsigned: one of 80000000 hex or more can only pass the file's end
    int64_t end = int64_t{pos} + static_cast<uint32_t>(length);
    if (end > size) {
      tooFar(end);
      break;
    }
    CheckTrackEvents(pos, length, ok);
    pos = static_cast<int32_t>(end);
    if (!ok) break;
  }
  if (ok && pos < size) {
    say("# midi bytes (" + Num(pos) + ") < file size (" + Num(size) + ")");
  }
}
