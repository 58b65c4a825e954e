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

bytes EncodeEventLine(const std::string& line) {
  if (line.empty()) return {};
  integers n = ExtractNumbers(line);
  size_t count = n.size();
  auto status = [&](uint8_t kind) { return static_cast<uint8_t>(kind | Low(n[0])); };
  switch (line[0]) {
    case 'N':
      if (count == 3) return {status(0x90), Low(n[1]), Low(n[2])};
      break;
    case 'A':
      if (count == 3) return {status(0xA0), Low(n[1]), Low(n[2])};
      if (count == 2) return {status(0xD0), Low(n[1])};
      break;
    case 'C':
      if (count == 3) return {status(0xB0), Low(n[1]), Low(n[2])};
      break;
    case 'P':
      if (count == 2) return {status(0xC0), Low(n[1])};
      break;
    case 'B':
      if (count == 2) {
        // the bend is an offset from the centre 8192, 7 bits per data byte, low bits first
        uint32_t v = static_cast<uint32_t>(n[1]) + 8192;
        return {status(0xE0), static_cast<uint8_t>(v & 0x7F), static_cast<uint8_t>(v >> 7)};
      }
      break;
    case 'H': {
      bytes data;
      for (int32_t b : n) data.push_back(Low(b));
      return WithLength({0xF7}, data);
    }
    case 'O':
    case 'V':
      if (count >= 1) return {Low(n[0])};
      break;
    case 'M':
      if (count >= 1) return EncodeMetaEvent(n, line);
      break;
  }
  return {};
}

bytes EncodeMetaEvent(const integers& numbers, const std::string& line) {
  if (numbers.empty() || numbers[0] < 0 || numbers[0] > 255) return {};
  uint8_t type = Low(numbers[0]);
  integers args(numbers.begin() + 1, numbers.end());
  // the fixed layouts need their arguments; extra ones are ignored
  auto needs = [&](size_t k) { return args.size() >= k; };
  switch (type) {
    case 0x00:
      if (!needs(1)) return {};
      return {0xFF, 0x00, 0x02, Low(args[0] >> 8), Low(args[0])};
    case 0x05:
      return EncodeWordText(type, line);
    case 0x21:
      if (!needs(1)) return {};
      return {0xFF, 0x21, 0x01, Low(args[0])};
    case 0x2F:
      return {0xFF, 0x2F, 0x00};
    case 0x51:
      if (!needs(1)) return {};
      return {0xFF, 0x51, 0x03, Low(args[0] >> 16), Low(args[0] >> 8), Low(args[0])};
    case 0x54:
      if (!needs(5)) return {};
      return {0xFF,         0x54,         0x05,         Low(args[0]),
              Low(args[1]), Low(args[2]), Low(args[3]), Low(args[4])};
    case 0x58: {
      if (!needs(4)) return {};
      // the denominator is written as the power of two at or below it; 0 gives FF
      int power = std::bit_width(static_cast<uint32_t>(args[1])) - 1;
      return {0xFF, 0x58, 0x04, Low(args[0]), Low(power), Low(args[2]), Low(args[3])};
    }
    case 0x59:
      if (!needs(2) || args[0] < -7 || args[0] > 7) return {};
      return {0xFF, 0x59, 0x02, Low(args[0]), Low(args[1])};
  }
  if (type >= 0x01 && type <= 0x0F) return EncodeQuotedText(numbers, line);
  if (type >= 0x10 && type <= 0x1F) return EncodeWordText(type, line);
  bytes data;
  for (int32_t a : args) data.push_back(Low(a));
  return WithLength({0xFF, type}, data);
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
