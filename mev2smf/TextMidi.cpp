#include "TextMidi.h"

#include <bit>

#include "MidiDoos.h"

namespace {

// The meta type of a tempo, microseconds a quarter note.
constexpr uint8_t kTempoType = 0x51;

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

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsLetterOrDigit(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }

// One number of a line: its place among the numbers, and where its digits begin and end.
struct placed {
  size_t index;
  size_t begin;
  size_t end;
};

// ExtractNumbers; when against is given, also the first number with a letter right before or
// after its digits (index: the count of numbers when there is none).
integers ScanNumbers(const std::string& line, placed* against) {
  integers numbers;
  placed last = {0, 0, 0};
  auto check = [&] {
    bool before = last.begin > 0 && IsLetter(line[last.begin - 1]);
    bool after = last.end < line.size() && IsLetter(line[last.end]);
    if (against && against->index == SIZE_MAX && !numbers.empty() && (before || after)) {
      *against = last;
    }
  };
  if (against) against->index = SIZE_MAX;
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
  for (size_t i = 0; i < line.size(); i++) {
    char c = line[i];
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
      if (startNew) {
        check();
        numbers.push_back(0);
        last = {numbers.size() - 1, i, i};
      }
      startNew = false;
      last.end = i + 1;
      uint32_t current = static_cast<uint32_t>(numbers.back());
      current = hex ? current * 16 + hex2half(c) : current * 10 + static_cast<uint32_t>(c - '0');
      numbers.back() = static_cast<int32_t>(current);
    } else {
      endNumber();
    }
  }
  endNumber();
  check();
  if (against && against->index == SIZE_MAX) against->index = numbers.size();
  return numbers;
}

// Why the text of a lyric or channel-text line would not reach its event whole, or "".
std::string WordTextLoss(uint8_t type, const std::string& line) {
  lijst fields = splitwords(line);
  if (fields.size() > 3) {
    if (fields.back().empty()) return "a blank ends the line";
    bool twoBlanks = std::any_of(fields.begin() + 1, fields.end(),
                                 [](const std::string& f) { return f.empty(); });
    if (twoBlanks) return "two blanks in a row";
    if (fields[2].front() == '(') return "a blank before the remark";
    return type == kLyricType ? "a lyric is one word" : "a channel text is one word";
  }
  // a tab is no blank: a text behind one joins the fields before it, and the text is empty
  if (fields.size() < 3) {
    std::string spread = line;
    std::replace(spread.begin(), spread.end(), '\t', ' ');
    lijst words = splitwords(spread);
    bool text = std::any_of(words.begin() + std::min<size_t>(2, words.size()), words.end(),
                            [](const std::string& w) { return !w.empty() && w.front() != '('; });
    if (text) return "a tab is no blank";
  }
  return "";
}

// Why the text of a quoted-text line would not reach its event whole, or "".
std::string QuotedTextLoss(const std::string& line) {
  size_t open = line.find('"');
  size_t close = open == std::string::npos ? open : line.find('"', open + 1);
  if (close == std::string::npos || line.find('"', close + 1) == std::string::npos) return "";
  return "a text ends at its second double quote";
}

}  // namespace

integers ExtractNumbers(const std::string& line) { return ScanNumbers(line, nullptr); }

const channelkind* FindChannelKind(char letter, size_t count) {
  for (const channelkind& k : kChannelKinds) {
    if (k.letter == letter && k.numbers == count) return &k;
  }
  return nullptr;
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
  if (const channelkind* k = FindChannelKind(line[0], n.size())) {
    // channel bits above 15 merge into the status kind
    bytes event = {static_cast<uint8_t>(k->status | Low(n[0]))};
    if (k->status == kPitchBend) {
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
  if (close == std::string::npos || !QuotedTextLoss(line).empty()) return {};
  return TextMeta(type, line.substr(open + 1, close - open - 1));
}

bytes EncodeWordText(uint8_t type, const std::string& line) {
  if (!WordTextLoss(type, line).empty()) return {};
  lijst fields = splitwords(line);
  std::string text;
  if (fields.size() == 3) {
    text = replaceall(replaceall(replaceall(fields[2], "/", "\r\n"), "\\", "\r\n"), "_", " ");
  }
  return TextMeta(type, text);
}

std::string RefusalReason(const std::string& line) {
  if (line.empty() || line[0] != 'M') return "";
  integers n = ExtractNumbers(line);
  if (n.empty() || n[0] < 0 || n[0] > 0xFF) return "";
  uint8_t type = Low(n[0]);
  std::string why = TextForm(type) == textform::Word     ? WordTextLoss(type, line)
                    : TextForm(type) == textform::Quoted ? QuotedTextLoss(line)
                                                         : "";
  if (why.empty()) return "";
  return why + ": write X $FF $" + byte2hex(type) + " ... for any bytes";
}

lijst LineWarnings(const std::string& line) { return LineWarnings(line, EncodeEventLine(line)); }

lijst LineWarnings(const std::string& line, const bytes& event) {
  lijst reasons;
  if (event.empty()) return reasons;
  placed against;
  integers n = ScanNumbers(line, &against);

  // the kind comes from the first letter; the first word should be one of its spellings
  const channelkind* channel = FindChannelKind(line[0], n.size());
  const char* word = channel ? channel->word : nullptr;
  const char* const* others = channel ? channel->others : nullptr;
  for (const otherkind& k : kOtherKinds) {
    if (k.letter == line[0]) {
      word = k.word;
      others = k.others;
    }
  }
  size_t length = 0;
  while (length < line.size() && (IsLetter(line[length]) || line[length] == '-')) length++;
  std::string first = line.substr(0, length);
  bool spelt = first == word;
  for (size_t i = 0; i < 3 && others[i] != nullptr; i++) spelt = spelt || first == others[i];
  if (!spelt) reasons.push_back(std::string("read as ") + word);

  if (channel) {
    if (n[0] < 0 || n[0] > 15) {
      reasons.push_back("channel " + std::to_string(n[0]) + " is not 0 to 15: status " +
                        byte2hex(event[0]));
    }
    if (channel->status == kPitchBend) {
      if (n[1] < -8192 || n[1] > 8191) {
        reasons.push_back("bend " + std::to_string(n[1]) + " is not -8192 to 8191: bytes" +
                          bytes2hex({event[1], event[2]}));
      }
    } else {
      for (size_t i = 1; i < n.size(); i++) {
        if (n[i] < 0 || n[i] > 0x7F) {
          reasons.push_back(std::to_string(n[i]) + " is not 0 to 127: byte " + byte2hex(event[i]));
        }
      }
    }
  }

  // a number against letters, as in C4 or 0x64, is read all the same; a word text's numbers
  // after the type are part of its text; the first such number only
  bool wordText = line[0] == 'M' && TextForm(Low(n[0])) == textform::Word;
  if (against.index < (wordText ? 1 : n.size())) {
    size_t begin = against.begin;
    size_t end = against.end;
    while (begin > 0 && IsLetterOrDigit(line[begin - 1])) begin--;
    while (end < line.size() && IsLetterOrDigit(line[end])) end++;
    reasons.push_back(line.substr(begin, end - begin) + ": a number next to letters");
  }

  // a tab at either end of a word text is kept in the text, unseen
  lijst fields = wordText ? splitwords(line) : lijst{};
  if (fields.size() == 3 && !fields[2].empty() &&
      (fields[2].front() == '\t' || fields[2].back() == '\t')) {
    reasons.push_back("a tab at the start or end of the text");
  }

  if (line[0] == 'M' && n[0] == kTempoType && n[1] < 10000) {
    std::string tempo = std::to_string(n[1]);
    std::string why = tempo + " microseconds a quarter note";
    if (n[1] > 0) {
      why += ": for " + tempo + " beats a minute write " + std::to_string(60000000 / n[1]);
    }
    reasons.push_back(why);
  }
  return reasons;
}

lijst HeaderWarnings(const std::string& line, int32_t tracks) {
  lijst reasons;
  integers n = ExtractNumbers(line);
  if (n.size() != 2) return reasons;
  if ((n[0] & 0xFF) == 0 && tracks > 1) {
    reasons.push_back("type 0 with " + std::to_string(tracks) + " tracks: use type 1");
  }
  if (n[1] < 1 || n[1] > 0x7FFF) {
    reasons.push_back("division " + std::to_string(n[1]) + " is not 1 to 32767: bytes" +
                      bytes2hex({Low(n[1] >> 8), Low(n[1])}));
  }
  return reasons;
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
