#include "TextMidi.h"

#include <bit>

#include "MidiDoos.h"

namespace {

int32_t Negate(int32_t v) { return static_cast<int32_t>(0u - static_cast<uint32_t>(v)); }

uint8_t Low(int32_t v) { return static_cast<uint8_t>(v); }

// head, then the length of data as a variable-length quantity, then data.
bytes WithLength(bytes head, const bytes& data) {
  bytes length = Midi::VarLen(static_cast<int32_t>(data.size()));
  head.insert(head.end(), length.begin(), length.end());
  head.insert(head.end(), data.begin(), data.end());
  return head;
}

bytes TextMeta(uint8_t type, const std::string& text) {
  return WithLength({0xFF, type}, bytes(text.begin(), text.end()));
}

}  // namespace

integers ExtractNumbers(const std::string& line) {
  integers numbers;
  bool inQuotes = false;
  bool inRemark = false;
  bool startNew = true;
  bool hex = false;
  bool minus = false;
  auto endNumber = [&] {
    if (minus && !startNew) numbers.back() = Negate(numbers.back());
    startNew = true;
    hex = false;
    minus = false;
  };
  for (char c : line) {
    // quotes and parentheses are looked at in every state: a "(" inside quotes opens a remark
    if (c == '"') inQuotes = !inQuotes;
    if (c == '(') inRemark = true;
    if (c == ')') inRemark = false;
    if (inQuotes || inRemark) continue;
    if (c == '$') {
      startNew = true;
      hex = true;
      minus = false;
    } else if (c == '-') {
      startNew = true;
      hex = false;
      minus = true;
    } else if ((c >= '0' && c <= '9') || (hex && ishex(c))) {
      if (startNew) numbers.push_back(0);
      startNew = false;
      uint32_t current = static_cast<uint32_t>(numbers.back());
      current = hex ? current * 16 + hex2half(c) : current * 10 + static_cast<uint32_t>(c - '0');
      numbers.back() = static_cast<int32_t>(current);
    } else {
      endNumber();
    }
  }
  endNumber();
  return numbers;
}

const metakind* FindMetaKind(uint8_t t) {
  for (const metakind& k : kMetaKinds) {
    if (k.type == t) return &k;
  }
  return nullptr;
}

textform TextForm(uint8_t type) {
  if (type == kLyricType || (type >= kChannelTextType && type <= kChannelTextType + 15)) {
    return textform::Word;
  }
  return type >= 0x01 && type <= 0x0F ? textform::Quoted : textform::None;
}

bytes EncodeEventLine(const std::string& line) {
  if (line.empty()) return {};
  integers n = ExtractNumbers(line);
  for (const channelkind& k : kChannelKinds) {
    if (k.letter != line[0] || k.numbers != n.size()) continue;
    // channel bits above 15 merge into the status kind
    bytes event = {static_cast<uint8_t>(k.status | Low(n[0]))};
    if (k.status == kPitchBend) {
      // the bend is an offset from the centre 8192, 7 bits per data byte, low bits first
      uint32_t v = static_cast<uint32_t>(n[1]) + 8192;
      return {event[0], static_cast<uint8_t>(v & 0x7F), static_cast<uint8_t>(v >> 7)};
    }
    for (size_t i = 1; i < n.size(); i++) event.push_back(Low(n[i]));
    return event;
  }
  switch (line[0]) {
    case 'H': {
      bytes data;
      for (int32_t b : n) data.push_back(Low(b));
      return WithLength({kEscape}, data);
    }
    case 'O':
    case 'V':
      if (!n.empty()) return {Low(n[0])};
      break;
    case 'M':
      if (!n.empty()) return EncodeMetaEvent(n, line);
      break;
    case 'X':
      return EncodeExactEvent(n);
  }
  return {};
}

bytes EncodeExactEvent(const integers& numbers) {
  bytes event;
  for (int32_t v : numbers) {
    if (v < 0 || v > 0xFF) return {};
    event.push_back(Low(v));
  }
  if (event.empty() || event[0] < kNoteOff) return {};
  uint8_t status = event[0];
  bytes data(event.begin() + 1, event.end());
  // a data byte above 7F is kept: files in use hold such bytes, and the line carries any file
  if (status < kSysex) return data.size() == (HasOneDataByte(status) ? 1u : 2u) ? event : bytes{};
  if (status == kMeta) {
    if (data.empty()) return {};
    return WithLength({kMeta, data[0]}, bytes(data.begin() + 1, data.end()));
  }
  if (status < 0xF8) return WithLength({status}, data);  // F0 to F7 carry a length
  return data.empty() ? event : bytes{};
}

bytes EncodeMetaEvent(const integers& numbers, const std::string& line) {
  if (numbers.empty() || numbers[0] < 0 || numbers[0] > 255) return {};
  uint8_t type = Low(numbers[0]);
  if (TextForm(type) == textform::Quoted) return EncodeQuotedText(numbers, line);
  if (TextForm(type) == textform::Word) return EncodeWordText(type, line);
  integers args(numbers.begin() + 1, numbers.end());
  bytes data;
  const metakind* kind = FindMetaKind(type);
  if (kind == nullptr) {  // a type without a layout: its numbers as bytes
    for (int32_t a : args) data.push_back(Low(a));
    return WithLength({kMeta, type}, data);
  }
  // a fixed layout needs its numbers; extra ones are ignored
  if (args.size() < kind->count) return {};
  if (type == kKeySignatureType && (args[0] < -7 || args[0] > 7)) return {};
  if (type == kTimeSignatureType) {
    // the denominator is written as the power of two at or below it; 0 gives FF
    args[1] = std::bit_width(static_cast<uint32_t>(args[1])) - 1;
  }
  for (size_t i = 0; i < kind->count; i++) {
    for (int w = kind->widths[i] - 1; w >= 0; w--) data.push_back(Low(args[i] >> (8 * w)));
  }
  return WithLength({kMeta, type}, data);
}

bytes EncodeQuotedText(const integers& numbers, const std::string& line) {
  uint8_t type = numbers.empty() ? 0 : Low(numbers[0]);
  size_t open = line.find('"');
  if (open == std::string::npos) return TextMeta(type, "");
  size_t close = line.find('"', open + 1);
  if (close == std::string::npos) return {};
  return TextMeta(type, line.substr(open + 1, close - open - 1));
}

bytes EncodeWordText(uint8_t type, const std::string& line) {
  lijst fields = splitwords(line);
  std::string text;
  if (fields.size() == 3) {
    text = replaceall(replaceall(replaceall(fields[2], "/", "\r\n"), "\\", "\r\n"), "_", " ");
  }
  return TextMeta(type, text);
}

void ParseHeader(const std::string& line, bool& ok, int32_t& type, int32_t& division) {
  if (line.empty() || line[0] != 'F') {
    say("NO MidiFile header");
    ok = false;
    return;
  }
  integers numbers = ExtractNumbers(line);
  if (numbers.size() != 2) {
    say("Wrong header: NO #type #ticks");
    ok = false;
    return;
  }
  type = numbers[0] & 0xFF;
  division = numbers[1] & 0xFFFF;
  if (type > 2) {
    say("Wrong #type of MidiFile");
    ok = false;
  } else if (division == 0) {
    say("Wrong #ticks in header");
    ok = false;
  }
}
