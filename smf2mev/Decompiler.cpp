#include "Decompiler.h"

#include <algorithm>
#include <charconv>

#include "TextMidi.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

// The line is built by appending to one string: no number or piece becomes a string of its own.
void AddNum(std::string& line, int64_t n) {
  if (n >= 0 && n < 1000) {  // most numbers of a MIDI file are small
    if (n >= 100) line += static_cast<char>('0' + n / 100);
    if (n >= 10) line += static_cast<char>('0' + n / 10 % 10);
    line += static_cast<char>('0' + n % 10);
    return;
  }
  char digits[24];
  line.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

void AddHex(std::string& line, uint8_t b) {
  line += '$';
  line += half2hex(b >> 4);
  line += half2hex(b & 0x0F);
}

// Every byte as a hexadecimal number behind a blank.
void AddHexList(std::string& line, const bytes& event, size_t from) {
  for (size_t i = from; i < event.size(); i++) {
    line += ' ';
    AddHex(line, event[i]);
  }
}

void AddExactLine(std::string& line, const bytes& event, size_t dataStart) {
  // the length is left out: the compiler puts it in
  line += "X ";
  AddHex(line, event[0]);
  if (event[0] == kMeta) {
    line += ' ';
    AddHex(line, event[1]);
  }
  AddHexList(line, event, dataStart);
}

// Where the data of a sized event (F0 to F7, or FF and its type) begins: behind its length.
size_t DataStart(const bytes& event) {
  size_t p = event[0] == kMeta ? 2 : 1;
  while (p < event.size() && (event[p] & 0x80)) p++;
  return std::min(p + 1, event.size());
}

// Appends the quoted text of event's data; false when a byte of it would end the text or the
// line.
bool AddQuotedText(std::string& line, const bytes& event, size_t from) {
  for (size_t i = from; i < event.size(); i++) {
    if (event[i] == '"' || event[i] < 0x20) return false;
  }
  line += " \"";
  line.append(event.begin() + static_cast<std::ptrdiff_t>(from), event.end());
  line += '"';
  return true;
}

// Appends the word of a lyric or channel-text line: a blank as "_", CR LF as "/"; false when
// the text holds a byte the word cannot carry (one that stands for another, or breaks or ends
// the line). Two fields make an empty text, so an empty one adds nothing.
bool AddWordText(std::string& line, const bytes& event, size_t from) {
  if (from < event.size()) line += ' ';
  for (size_t i = from; i < event.size(); i++) {
    uint8_t b = event[i];
    if (b == '\r' && i + 1 < event.size() && event[i + 1] == '\n') {
      line += '/';
      i++;
    } else if (b == ' ') {
      line += '_';
    } else if (b == '_' || b == '/' || b == '\\' || b < 0x20) {
      return false;
    } else {
      line += static_cast<char>(b);
    }
  }
  return true;
}

// Appends the numbers of a fixed meta layout; false when the data does not have its length or
// a number would not come back as the same bytes.
bool AddLayoutNumbers(std::string& line, const metakind& kind, const bytes& event, size_t from) {
  size_t length = 0;
  for (size_t i = 0; i < kind.count; i++) length += kind.widths[i];
  if (event.size() - from != length) return false;
  size_t p = from;
  for (size_t i = 0; i < kind.count; i++) {
    int64_t v = 0;
    for (int w = 0; w < kind.widths[i]; w++) v = v << 8 | event[p++];
    if (kind.type == kTimeSignatureType && i == 1) {
      if (v > 30) return false;  // the denominator is a power of two
      v = int64_t{1} << v;
    }
    if (kind.type == kKeySignatureType && i == 0) {
      v = static_cast<int8_t>(v);
      if (v < -7 || v > 7) return false;
    }
    line += ' ';
    AddNum(line, v);
  }
  return true;
}

void AddMetaLine(std::string& line, const bytes& event) {
  uint8_t type = event[1];
  size_t start = DataStart(event);
  const metakind* kind = FindMetaKind(type);
  size_t head = line.size();
  line += "Meta ";
  AddHex(line, type);
  if (kind) {
    line += '(';
    line += kind->name;
    line += ')';
  }
  bool said = false;
  switch (TextForm(type)) {
    case textform::Quoted:
      said = AddQuotedText(line, event, start);
      break;
    case textform::Word:
      said = AddWordText(line, event, start);
      break;
    case textform::None:
      if (kind == nullptr) AddHexList(line, event, start);
      said = kind == nullptr || AddLayoutNumbers(line, *kind, event, start);
      break;
  }
  if (said) return;
  line.resize(head);
  AddExactLine(line, event, start);
}

void AddChannelLine(std::string& line, const bytes& event) {
  uint8_t status = event[0];
  uint8_t kind = status & 0xF0;
  if (kind == kPitchBend && event[1] <= 0x7F) {
    line += "Bend ";
    AddNum(line, status & 0x0F);
    line += ' ';
    AddNum(line, event[1] + event[2] * 128 - 8192);
    return;
  }
  const channelkind* form = nullptr;
  for (const channelkind& k : kChannelKinds) {
    if (k.status == kind && k.status != kPitchBend) form = &k;
  }
  if (form) {
    line += form->word;
    line += ' ';
    AddNum(line, status & 0x0F);
  } else {
    // a note off, and a bend whose low data byte has bit 7 set: only the exact line says them
    line += "X ";
    AddHex(line, status);
  }
  for (size_t i = 1; i < event.size(); i++) {
    line += ' ';
    AddNum(line, event[i]);
  }
}

void AddEventLine(std::string& line, const bytes& event) {
  uint8_t status = event.empty() ? 0 : event[0];
  if (status >= kNoteOff && status < kSysex) {
    AddChannelLine(line, event);
  } else if (status == kMeta && event.size() >= 2) {
    AddMetaLine(line, event);
  } else if (status == kEscape) {
    line += 'H';
    AddHexList(line, event, DataStart(event));
  } else if (status >= kSysex && status < 0xF8) {
    AddExactLine(line, event, DataStart(event));
  } else {
    line += "O ";
    AddHex(line, status);
  }
}

// The track line's name: the text of the first FF 03 before the track's first channel event,
// without the bytes that would break the line.
std::string CleanName(const bytes& event) {
  std::string name;
  for (size_t i = DataStart(event); i < event.size(); i++) {
    if (event[i] >= 0x20 && event[i] != 0x7F) name += static_cast<char>(event[i]);
  }
  return name;
}

// Prints a line for each chunk after the last track chunk, and for bytes that make none.
void SayTrailing(const Midi& m) {
  const bytes& image = m.image;
  int64_t size = static_cast<int64_t>(image.size());
  int64_t pos = kHeaderSize;
  for (int32_t k = 0; k < m.GetTrackCount(); k++) {
    uint32_t length = 0;
    for (int i = 4; i < 8; i++) length = length << 8 | image[pos + i];
    pos += kTrackHeaderSize + length;
  }
  while (pos + kTrackHeaderSize <= size) {
    uint32_t length = 0;
    for (int i = 4; i < 8; i++) length = length << 8 | image[pos + i];
    if (pos + kTrackHeaderSize + length > size) break;
    say("Chunk " + std::string(image.begin() + pos, image.begin() + pos + 4) + " at byte " +
        Num(pos) + " left out: MEV holds track chunks only");
    pos += kTrackHeaderSize + length;
  }
}

}  // namespace

std::string EventLine(const bytes& event) {
  std::string line;
  AddEventLine(line, event);
  return line;
}

barcounter::barcounter(const std::vector<meter>& meters, int32_t division)
    : segments{{0, 1, 4, 2}}, whole(int64_t{division} * 4) {
  for (const meter& m : meters) {
    if (m.numerator < 1 || m.power < 0 || m.power > 6) continue;
    segment& last = segments.back();
    if (m.time == last.start) {  // a later signature at the same tick wins
      last.beats = m.numerator;
      last.power = m.power;
      continue;
    }
    // a signature on a bar line, or less than a beat past one (as files that start every
    // track a tick late have it), counts its bars from that bar; one further in starts the
    // next bar
    int64_t elapsed = (m.time - last.start) << last.power;
    int64_t bar = whole * last.beats;
    int64_t number = last.bar + elapsed / bar + (elapsed % bar >= whole ? 1 : 0);
    segments.push_back({m.time, number, m.numerator, m.power});
  }
}

void barcounter::AddPlace(std::string& line, int64_t t) {
  while (current + 1 < segments.size() && segments[current + 1].start <= t) current++;
  const segment& s = segments[current];
  // in units of 1/2^power tick a beat is a whole note's ticks, so no beat length is rounded
  int64_t elapsed = (t - s.start) << s.power;
  int64_t beat = elapsed / whole;
  int64_t past = elapsed % whole;
  line += "bar ";
  AddNum(line, s.bar + beat / s.beats);
  line += " beat ";
  AddNum(line, beat % s.beats + 1);
  if (past > 0) {
    line += " +";
    AddNum(line, (past + (int64_t{1} << s.power) - 1) >> s.power);
  }
}

void Decompile(Midi& m, const linesink& put, const std::vector<placedline>& placed) {
  int32_t tracks = m.GetTrackCount();
  int32_t type = m.GetMidiType();
  // first walk: each track's name and time signatures
  std::vector<std::string> names(static_cast<size_t>(tracks));
  std::vector<std::vector<meter>> meters(static_cast<size_t>(tracks));
  std::vector<bool> channelMet(static_cast<size_t>(tracks), false);
  std::vector<bool> named(static_cast<size_t>(tracks), false);
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    const bytes& ev = e.event;
    if (!ev.empty() && ev[0] >= kNoteOff && ev[0] < kSysex) channelMet[k] = true;
    if (ev.size() < 2 || ev[0] != kMeta) return;
    if (ev[1] == kTrackNameType && !channelMet[k] && !named[k]) {
      names[k] = CleanName(ev);
      named[k] = true;
    }
    size_t d = DataStart(ev);
    if (ev[1] == kTimeSignatureType && ev.size() - d >= 2) {
      meters[k].push_back({e.time, ev[d], ev[d + 1]});
    }
  });
  // in a type-1 file the time signatures of every track rule all tracks
  std::vector<meter> all;
  if (type == 1) {
    for (const auto& t : meters) all.insert(all.end(), t.begin(), t.end());
    std::stable_sort(all.begin(), all.end(),
                     [](const meter& a, const meter& b) { return a.time < b.time; });
  }

  put("File " + Num(type) + " (" + Num(tracks) + ") " + Num(m.GetTicks()));
  barcounter bars(all, m.GetTicks());
  int32_t opened = 0;  // the track lines written
  auto openUpTo = [&](int32_t k) {
    for (; opened <= k && opened < tracks; opened++) {
      put("Track #" + Num(opened + 1) + (names[opened].empty() ? "" : " " + names[opened]));
    }
  };
  std::string line;
  auto next = placed.begin();
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    openUpTo(k);
    if (e.index == 0) {
      if (type == 1) {
        bars.Restart();
      } else {
        bars = barcounter(meters[k], m.GetTicks());
      }
    }
    uint32_t delta = static_cast<uint32_t>(e.delta);
    if (delta > static_cast<uint32_t>(kMaxDeltaTime)) {
      say("Delta time " + Num(delta) + " before byte " + Num(e.at) + " is over " +
          Num(kMaxDeltaTime) + ": split, with empty events between");
    }
    auto timeLine = [&](uint32_t ticks, int64_t at) {
      line.clear();
      AddNum(line, ticks);
      line += ' ';
      bars.AddPlace(line, at);
      put(line);
    };
    while (delta > static_cast<uint32_t>(kMaxDeltaTime)) {
      delta -= kMaxDeltaTime;
      timeLine(kMaxDeltaTime, e.time - delta);
    }
    if (delta > 0) timeLine(delta, e.time);
    for (; next != placed.end() && next->track == k && next->index == e.index; ++next) {
      put(next->line);
    }
    // a data byte where no running status is in force makes no event, but stays a byte
    line.clear();
    if (e.event.empty()) {
      AddEventLine(line, bytes{m.image[e.at]});
    } else {
      AddEventLine(line, e.event);
    }
    put(line);
  });
  openUpTo(tracks - 1);
  SayTrailing(m);
}
