#include "Decompiler.h"

#include <algorithm>

#include "TextMidi.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

std::string Hex(uint8_t b) { return "$" + byte2hex(b); }

// Every byte as a hexadecimal number behind a blank.
std::string HexList(bytes::const_iterator from, bytes::const_iterator to) {
  std::string text;
  text.reserve(4 * static_cast<size_t>(to - from));
  for (auto b = from; b != to; ++b) text += " " + Hex(*b);
  return text;
}

std::string ExactLine(const bytes& event, size_t dataStart) {
  // the length is left out: the compiler puts it in
  std::string line = "X " + Hex(event[0]);
  if (event[0] == kMeta) line += " " + Hex(event[1]);
  return line + HexList(event.begin() + static_cast<std::ptrdiff_t>(dataStart), event.end());
}

// Where the data of a sized event (F0 to F7, or FF and its type) begins: behind its length.
size_t DataStart(const bytes& event) {
  size_t p = event[0] == kMeta ? 2 : 1;
  while (p < event.size() && (event[p] & 0x80)) p++;
  return std::min(p + 1, event.size());
}

// The text of a quoted form, or false when a byte of it would end the text or the line.
bool QuotedText(const bytes& data, std::string& text) {
  for (uint8_t b : data) {
    if (b == '"' || b < 0x20) return false;
  }
  text.assign(data.begin(), data.end());
  return true;
}

// The word of a lyric or channel-text line: a blank as "_", CR LF as "/"; false when the text
// holds a byte the word cannot carry (one that stands for another, or breaks or ends the line).
bool WordText(const bytes& data, std::string& word) {
  word.clear();
  for (size_t i = 0; i < data.size(); i++) {
    uint8_t b = data[i];
    if (b == '\r' && i + 1 < data.size() && data[i + 1] == '\n') {
      word += '/';
      i++;
    } else if (b == ' ') {
      word += '_';
    } else if (b == '_' || b == '/' || b == '\\' || b < 0x20) {
      return false;
    } else {
      word += static_cast<char>(b);
    }
  }
  return true;
}

// The numbers of a fixed meta layout, or false when the data does not have its length or a
// number would not come back as the same bytes.
bool LayoutNumbers(const metakind& kind, const bytes& data, std::string& numbers) {
  size_t length = 0;
  for (size_t i = 0; i < kind.count; i++) length += kind.widths[i];
  if (data.size() != length) return false;
  numbers.clear();
  size_t p = 0;
  for (size_t i = 0; i < kind.count; i++) {
    int64_t v = 0;
    for (int w = 0; w < kind.widths[i]; w++) v = v << 8 | data[p++];
    if (kind.type == kTimeSignatureType && i == 1) {
      if (v > 30) return false;  // the denominator is a power of two
      v = int64_t{1} << v;
    }
    if (kind.type == kKeySignatureType && i == 0) {
      v = static_cast<int8_t>(v);
      if (v < -7 || v > 7) return false;
    }
    numbers += " " + Num(v);
  }
  return true;
}

std::string MetaLine(const bytes& event) {
  uint8_t type = event[1];
  size_t start = DataStart(event);
  bytes data(event.begin() + static_cast<std::ptrdiff_t>(start), event.end());
  const metakind* kind = FindMetaKind(type);
  std::string head = "Meta " + Hex(type) + (kind ? "(" + std::string(kind->name) + ")" : "");
  std::string text;
  switch (TextForm(type)) {
    case textform::Quoted:
      if (QuotedText(data, text)) return head + " \"" + text + "\"";
      break;
    case textform::Word:
      // two fields make an empty text; a third, empty field would too
      if (WordText(data, text)) return text.empty() ? head : head + " " + text;
      break;
    case textform::None:
      if (kind == nullptr) return head + HexList(data.begin(), data.end());
      if (LayoutNumbers(*kind, data, text)) return head + text;
      break;
  }
  return ExactLine(event, start);
}

std::string ChannelLine(const bytes& event) {
  uint8_t status = event[0];
  uint8_t kind = status & 0xF0;
  std::string channel = Num(status & 0x0F);
  if (kind == kPitchBend && event[1] <= 0x7F) {
    return "Bend " + channel + " " + Num(event[1] + event[2] * 128 - 8192);
  }
  for (const channelkind& k : kChannelKinds) {
    if (k.status != kind || k.status == kPitchBend) continue;
    std::string line = k.word + (" " + channel);
    for (size_t i = 1; i < event.size(); i++) line += " " + Num(event[i]);
    return line;
  }
  // a note off, and a bend whose low data byte has bit 7 set: only the exact line says them
  std::string line = "X " + Hex(status);
  for (size_t i = 1; i < event.size(); i++) line += " " + Num(event[i]);
  return line;
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
  uint8_t status = event.empty() ? 0 : event[0];
  if (status >= kNoteOff && status < kSysex) return ChannelLine(event);
  if (status == kMeta && event.size() >= 2) return MetaLine(event);
  if (status == kEscape) return "H" + HexList(event.begin() + DataStart(event), event.end());
  if (status >= kSysex && status < 0xF8) return ExactLine(event, DataStart(event));
  return "O " + Hex(status);
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
    // the bars begun before the signature; it starts the next one
    int64_t elapsed = (m.time - last.start) << last.power;
    int64_t bar = whole * last.beats;
    int64_t begun = (elapsed + bar - 1) / bar;
    segments.push_back({m.time, last.bar + begun, m.numerator, m.power});
  }
}

std::string barcounter::Place(int64_t t) {
  while (current + 1 < segments.size() && segments[current + 1].start <= t) current++;
  const segment& s = segments[current];
  // in units of 1/2^power tick a beat is a whole note's ticks, so no beat length is rounded
  int64_t elapsed = (t - s.start) << s.power;
  int64_t beat = elapsed / whole;
  int64_t past = elapsed % whole;
  std::string place = "bar " + Num(s.bar + beat / s.beats) + " beat " + Num(beat % s.beats + 1);
  if (past > 0) place += " +" + Num((past + (int64_t{1} << s.power) - 1) >> s.power);
  return place;
}

void Decompile(Midi& m, const linesink& put, const std::vector<placedline>& placed) {
  int32_t tracks = m.GetTrackCount();
  int32_t type = m.GetMidiType();
  // first walk: each track's name and time signatures
  std::vector<std::string> names(static_cast<size_t>(tracks));
  std::vector<std::vector<meter>> meters(static_cast<size_t>(tracks));
  std::vector<bool> channelMet(static_cast<size_t>(tracks), false);
  std::vector<bool> named(static_cast<size_t>(tracks), false);
  int64_t time = 0;
  int32_t current = -1;
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    if (k != current) time = 0;
    current = k;
    time += static_cast<uint32_t>(e.delta);
    const bytes& ev = e.event;
    if (!ev.empty() && ev[0] >= kNoteOff && ev[0] < kSysex) channelMet[k] = true;
    if (ev.size() < 2 || ev[0] != kMeta) return;
    if (ev[1] == kTrackNameType && !channelMet[k] && !named[k]) {
      names[k] = CleanName(ev);
      named[k] = true;
    }
    size_t d = DataStart(ev);
    if (ev[1] == kTimeSignatureType && ev.size() - d >= 2) {
      meters[k].push_back({time, ev[d], ev[d + 1]});
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
  auto next = placed.begin();
  size_t index = 0;
  current = -1;
  m.ForEachEvent([&](int32_t k, const trackevent& e) {
    openUpTo(k);
    if (k != current) {
      time = 0;
      index = 0;
      if (type == 1) {
        bars.Restart();
      } else {
        bars = barcounter(meters[k], m.GetTicks());
      }
    }
    current = k;
    uint32_t delta = static_cast<uint32_t>(e.delta);
    time += delta;
    if (delta > static_cast<uint32_t>(kMaxDeltaTime)) {
      say("Delta time " + Num(delta) + " before byte " + Num(e.at) + " is over " +
          Num(kMaxDeltaTime) + ": split, with empty events between");
    }
    while (delta > static_cast<uint32_t>(kMaxDeltaTime)) {
      delta -= kMaxDeltaTime;
      put(Num(kMaxDeltaTime) + " " + bars.Place(time - delta));
    }
    if (delta > 0) put(Num(delta) + " " + bars.Place(time));
    for (; next != placed.end() && next->track == k && next->index == index; ++next) {
      put(next->line);
    }
    index++;
    // a data byte where no running status is in force makes no event, but stays a byte
    put(e.event.empty() ? "O " + Hex(m.image[e.at]) : EventLine(e.event));
  });
  openUpTo(tracks - 1);
  SayTrailing(m);
}
