#include "TextMidi.h"

#include <array>
#include <bit>

#include "MidiDoos.h"

namespace {

// The meta type of a tempo, microseconds a quarter note.
constexpr uint8_t kTempoType = 0x51;

uint8_t Low(int32_t v) { return static_cast<uint8_t>(v); }

// Appends the length of the n bytes at data as a variable-length quantity, then the bytes.
void AppendWithLength(bytes& event, const uint8_t* data, size_t n) {
  Midi::AppendVarLen(static_cast<int32_t>(n), event);
  event.insert(event.end(), data, data + n);
}

// The text meta event of type holding the n characters at text.
void TextMeta(uint8_t type, const char* text, size_t n, bytes& event) {
  event.assign({kMeta, type});
  AppendWithLength(event, reinterpret_cast<const uint8_t*>(text), n);
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsLetterOrDigit(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }

// What a character is to the number scanner; the order counts: Plain and HexLetter are the
// characters of the runs that change nothing, and the marks of quotes and remarks come last.
enum class charclass : uint8_t { Plain, HexLetter, Digit, Dollar, Minus, Quote, Open, Close };
constexpr std::array<charclass, 256> kCharClasses = [] {
  std::array<charclass, 256> classes{};  // Plain
  for (char c = '0'; c <= '9'; c++) classes[static_cast<uint8_t>(c)] = charclass::Digit;
  for (char c : std::string_view("ABCDEFabcdef")) {
    classes[static_cast<uint8_t>(c)] = charclass::HexLetter;
  }
  classes['$'] = charclass::Dollar;
  classes['-'] = charclass::Minus;
  classes['"'] = charclass::Quote;
  classes['('] = charclass::Open;
  classes[')'] = charclass::Close;
  return classes;
}();

charclass ClassOf(char c) { return kCharClasses[static_cast<uint8_t>(c)]; }

// ExtractNumbers into numbers, whose array is used again; also the first number with a letter
// right before or after its digits (index: the count of numbers when there is none). A number's
// digits, a quote or remark, and a run of letters and blanks are each passed in one go.
void ScanNumbers(const std::string& line, integers& numbers, placed& against) {
  numbers.clear();
  against = {SIZE_MAX, 0, 0};
  bool inQuotes = false;
  bool inRemark = false;
  bool hex = false;    // after "$"
  bool minus = false;  // after "-"
  size_t n = line.size();
  for (size_t i = 0; i < n;) {
    charclass k = ClassOf(line[i]);
    // quotes and parentheses are looked at in every state: a "(" inside quotes opens a remark
    if (k == charclass::Quote) inQuotes = !inQuotes;
    if (k == charclass::Open) inRemark = true;
    if (k == charclass::Close) inRemark = false;
    if (inQuotes || inRemark) {  // nothing counts up to the next quote or parenthesis
      for (i++; i < n && ClassOf(line[i]) < charclass::Quote; i++) {
      }
      continue;
    }
    if (k != charclass::Digit && !(hex && k == charclass::HexLetter)) {
      hex = k == charclass::Dollar;
      minus = k == charclass::Minus;
      i++;
      if (k <= charclass::HexLetter) {  // the letters and blanks after it change nothing more
        for (; i < n && ClassOf(line[i]) <= charclass::HexLetter; i++) {
        }
      }
      continue;
    }
    size_t begin = i;
    uint32_t v = 0;
    for (; i < n && hex && ishex(line[i]); i++) v = v * 16 + hex2half(line[i]);
    for (; i < n && !hex && ClassOf(line[i]) == charclass::Digit; i++) {
      v = v * 10 + static_cast<uint32_t>(line[i] - '0');
    }
    // a "$" or "-" right after the digits starts the next number before this one takes its sign
    bool signs = minus && !(i < n && (line[i] == '$' || line[i] == '-'));
    numbers.push_back(static_cast<int32_t>(signs ? 0u - v : v));
    bool letters = (begin > 0 && IsLetter(line[begin - 1])) || (i < n && IsLetter(line[i]));
    if (against.index == SIZE_MAX && letters) against = {numbers.size() - 1, begin, i};
    hex = false;
    minus = false;
  }
  if (against.index == SIZE_MAX) against.index = numbers.size();
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

integers ExtractNumbers(const std::string& line) {
  eventline e;
  ScanNumbers(line, e.numbers, e.nextTo);
  return e.numbers;
}

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
  eventline e;
  ReadEventLine(line, e);
  return e.event;
}

void ReadEventLine(const std::string& line, eventline& e) {
  e.event.clear();
  if (line.empty()) return;
  ScanNumbers(line, e.numbers, e.nextTo);
  const integers& n = e.numbers;
  if (const channelkind* k = FindChannelKind(line[0], n.size())) {
    // channel bits above 15 merge into the status kind
    uint8_t status = static_cast<uint8_t>(k->status | Low(n[0]));
    if (k->status == kPitchBend) {
      // the bend is an offset from the centre 8192, 7 bits per data byte, low bits first
      uint32_t v = static_cast<uint32_t>(n[1]) + 8192;
      e.event.assign({status, static_cast<uint8_t>(v & 0x7F), static_cast<uint8_t>(v >> 7)});
      return;
    }
    e.event.push_back(status);
    for (size_t i = 1; i < n.size(); i++) e.event.push_back(Low(n[i]));
    return;
  }
  switch (line[0]) {
    case 'H': {
      e.event.push_back(kEscape);
      Midi::AppendVarLen(static_cast<int32_t>(n.size()), e.event);
      for (int32_t b : n) e.event.push_back(Low(b));
      return;
    }
    case 'O':
    case 'V':
      if (!n.empty()) e.event.push_back(Low(n[0]));
      return;
    case 'M':
      if (!n.empty()) EncodeMetaEvent(n, line, e.event);
      return;
    case 'X':
      EncodeExactEvent(n, e.event);
      return;
  }
}

void EncodeExactEvent(const integers& numbers, bytes& event) {
  event.clear();
  for (int32_t v : numbers) {
    if (v < 0 || v > 0xFF) return;
  }
  if (numbers.empty() || numbers[0] < kNoteOff) return;
  uint8_t status = Low(numbers[0]);
  size_t data = numbers.size() - 1;
  auto append = [&](size_t from) {
    for (size_t i = from; i < numbers.size(); i++) event.push_back(Low(numbers[i]));
  };
  // a data byte above 7F is kept: files in use hold such bytes, and the line carries any file
  if (status < kSysex) {
    if (data == (HasOneDataByte(status) ? 1u : 2u)) append(0);
  } else if (status == kMeta) {
    if (data == 0) return;
    event.assign({kMeta, Low(numbers[1])});
    Midi::AppendVarLen(static_cast<int32_t>(data - 1), event);
    append(2);
  } else if (status < 0xF8) {  // F0 to F7 carry a length
    event.push_back(status);
    Midi::AppendVarLen(static_cast<int32_t>(data), event);
    append(1);
  } else if (data == 0) {
    event.push_back(status);
  }
}

void EncodeMetaEvent(const integers& numbers, const std::string& line, bytes& event) {
  event.clear();
  if (numbers.empty() || numbers[0] < 0 || numbers[0] > 255) return;
  uint8_t type = Low(numbers[0]);
  if (TextForm(type) == textform::Quoted) return EncodeQuotedText(numbers, line, event);
  if (TextForm(type) == textform::Word) return EncodeWordText(type, line, event);
  size_t args = numbers.size() - 1;  // the numbers after the type
  event.assign({kMeta, type});
  const metakind* kind = FindMetaKind(type);
  if (kind == nullptr) {  // a type without a layout: its numbers as bytes
    Midi::AppendVarLen(static_cast<int32_t>(args), event);
    for (size_t i = 1; i < numbers.size(); i++) event.push_back(Low(numbers[i]));
    return;
  }
  // a fixed layout needs its numbers; extra ones are ignored
  if (args < kind->count || (type == kKeySignatureType && (numbers[1] < -7 || numbers[1] > 7))) {
    event.clear();
    return;
  }
  size_t length = 0;
  for (size_t i = 0; i < kind->count; i++) length += kind->widths[i];
  Midi::AppendVarLen(static_cast<int32_t>(length), event);
  for (size_t i = 0; i < kind->count; i++) {
    int32_t v = numbers[i + 1];
    if (type == kTimeSignatureType && i == 1) {
      // the denominator is written as the power of two at or below it; 0 gives FF
      v = std::bit_width(static_cast<uint32_t>(v)) - 1;
    }
    for (int w = kind->widths[i] - 1; w >= 0; w--) event.push_back(Low(v >> (8 * w)));
  }
}

void EncodeQuotedText(const integers& numbers, const std::string& line, bytes& event) {
  uint8_t type = numbers.empty() ? 0 : Low(numbers[0]);
  size_t open = line.find('"');
  if (open == std::string::npos) return TextMeta(type, "", 0, event);
  size_t close = line.find('"', open + 1);
  if (close == std::string::npos || !QuotedTextLoss(line).empty()) {
    event.clear();
    return;
  }
  TextMeta(type, line.data() + open + 1, close - open - 1, event);
}

void EncodeWordText(uint8_t type, const std::string& line, bytes& event) {
  // three fields, two blanks: the text is the third; the other lines are seldom and slow
  size_t first = line.find(' ');
  size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
  bool three = second != std::string::npos && line.find(' ', second + 1) == std::string::npos;
  if (!three && !WordTextLoss(type, line).empty()) {
    event.clear();
    return;
  }
  // fewer fields give no text; "/" and "\" become CR LF, "_" a blank
  size_t begin = three ? second + 1 : line.size();
  size_t length = line.size() - begin;
  for (size_t i = begin; i < line.size(); i++) length += line[i] == '/' || line[i] == '\\';
  event.assign({kMeta, type});
  Midi::AppendVarLen(static_cast<int32_t>(length), event);
  for (size_t i = begin; i < line.size(); i++) {
    char c = line[i];
    if (c == '/' || c == '\\') {
      event.insert(event.end(), {'\r', '\n'});
    } else {
      event.push_back(static_cast<uint8_t>(c == '_' ? ' ' : c));
    }
  }
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

lijst LineWarnings(const std::string& line) {
  eventline e;
  ReadEventLine(line, e);
  return LineWarnings(line, e);
}

lijst LineWarnings(const std::string& line, const eventline& e) {
  lijst reasons;
  const bytes& event = e.event;
  if (event.empty()) return reasons;
  const integers& n = e.numbers;

  // the kind comes from the first letter; the first word should be one of its spellings
  const channelkind* channel = FindChannelKind(line[0], n.size());
  std::string_view word = channel ? channel->word : "";
  const std::string_view* others = channel ? channel->others : nullptr;
  for (const otherkind& k : kOtherKinds) {
    if (k.letter == line[0]) {
      word = k.word;
      others = k.others;
    }
  }
  size_t length = 0;
  while (length < line.size() && (IsLetter(line[length]) || line[length] == '-')) length++;
  std::string_view first(line.data(), length);
  bool spelt = first == word;
  for (size_t i = 0; i < 3; i++) spelt = spelt || (!others[i].empty() && first == others[i]);
  if (!spelt) reasons.push_back("read as " + std::string(word));

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
  if (e.nextTo.index < (wordText ? 1 : n.size())) {
    size_t begin = e.nextTo.begin;
    size_t end = e.nextTo.end;
    while (begin > 0 && IsLetterOrDigit(line[begin - 1])) begin--;
    while (end < line.size() && IsLetterOrDigit(line[end])) end++;
    reasons.push_back(line.substr(begin, end - begin) + ": a number next to letters");
  }

  // a tab at either end of a word text is kept in the text, unseen; the text is the third of
  // exactly three fields
  if (wordText && std::count(line.begin(), line.end(), ' ') == 2) {
    size_t begin = line.find(' ', line.find(' ') + 1) + 1;
    if (begin < line.size() && (line[begin] == '\t' || line.back() == '\t')) {
      reasons.push_back("a tab at the start or end of the text");
    }
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
