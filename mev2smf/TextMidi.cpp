#include "TextMidi.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

uint8_t Low(int32_t v) { return static_cast<uint8_t>(v); }

// Inserts the length of the bytes of event from at on before them, as a variable-length quantity.
void PutLength(bytes& event, size_t at) {
  bytes length;
  appendvarlen(static_cast<int32_t>(event.size() - at), length);
  event.insert(event.begin() + static_cast<std::ptrdiff_t>(at), length.begin(), length.end());
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
// digits, a quote or remark, and a run of letters and blanks are each passed in one go. With
// runs, the bytes of a text in double quotes are numbers too, one a byte, and a remark is
// only what stands between parentheses outside them; false when a quote is not closed.
bool ScanNumbers(const std::string& line, integers& numbers, placed& against, bool runs = false) {
  numbers.clear();
  against = {SIZE_MAX, 0, 0};
  bool inQuotes = false;
  bool inRemark = false;
  bool hex = false;    // after "$"
  bool minus = false;  // after "-"
  size_t n = line.size();
  for (size_t i = 0; i < n;) {
    charclass k = ClassOf(line[i]);
    if (runs && (k == charclass::Quote || k == charclass::Open)) {
      size_t close = line.find(k == charclass::Quote ? '"' : ')', i + 1);
      if (close == std::string::npos && k == charclass::Quote) return false;
      close = std::min(close, n);
      if (k == charclass::Quote) {
        for (size_t j = i + 1; j < close; j++) numbers.push_back(static_cast<uint8_t>(line[j]));
      }
      i = close + 1;
      hex = minus = false;
      continue;
    }
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
  return true;
}

std::string Num(int64_t v) { return std::to_string(v); }

// The first number of the line written with a slash between digits, as in a time signature's
// 3/4: "3/4 is no number: write 3 4"; "" when there is none.
std::string SlashReason(const std::string& line) {
  auto digit = [&](size_t i) { return i < line.size() && line[i] >= '0' && line[i] <= '9'; };
  for (size_t i = line.find('/'); i != std::string::npos; i = line.find('/', i + 1)) {
    if (i == 0 || !digit(i - 1) || !digit(i + 1)) continue;
    size_t begin = i;
    size_t end = i + 1;
    while (begin > 0 && digit(begin - 1)) begin--;
    while (digit(end)) end++;
    std::string left = line.substr(begin, i - begin);
    std::string right = line.substr(i + 1, end - i - 1);
    return left + "/" + right + " is no number: write " + left + " " + right;
  }
  return "";
}

// Why the line of a kind of count numbers is refused for its count: "Note takes 3 numbers:
// channel, key, velocity"; fields names them.
std::string CountReason(const std::string& line, std::string_view word, const std::string& counts,
                        std::string_view fields) {
  std::string slash = SlashReason(line);
  if (!slash.empty()) return slash;
  std::string reason = std::string(word) + " takes " + counts;
  reason += counts == "1" ? " number" : " numbers";
  return fields.empty() ? reason : reason + ": " + std::string(fields);
}

// Why a line that begins with c is refused when c is no kind letter, or the count reason when it
// is a channel kind's letter.
std::string KindReason(const std::string& line) {
  char c = line[0];
  std::string counts;
  std::string fields;
  std::string_view word;
  for (const channelkind& k : kChannelKinds) {
    if (k.letter != c) continue;
    counts += (counts.empty() ? "" : " or ") + Num(static_cast<int64_t>(k.numbers));
    fields += (fields.empty() ? "" : " or ") + std::string(k.fields);
    word = k.word;
  }
  if (!word.empty()) return CountReason(line, word, counts, fields);
  bool kind = std::string_view("NRACPBHOVMXSWT").find(static_cast<char>(c - 'a' + 'A')) !=
              std::string_view::npos;
  if (c >= 'a' && c <= 'z' && kind) return "a kind begins with a capital letter";
  if (c == '\t') return "a tab is no blank: a line that begins with one is no time line";
  if (c >= '0' && c <= '9') return "a time line has only digits, or a blank after them";
  bool printable = c > ' ' && c < 0x7F;
  return printable ? std::string(1, c) + " is no kind letter"
                   : "byte " + byte2hex(static_cast<uint8_t>(c)) + " is no kind letter";
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
    std::string joined = fields[2];
    for (size_t i = 3; i < fields.size(); i++) joined += "_" + fields[i];
    return type == kLyricType
               ? "a lyric is one word: write " + joined + " for one syllable with a blank"
               : "a channel text is one word: write " + joined + " for one text with a blank";
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

// Why a meta line of type is refused, with the line that carries any bytes; "" when why is.
// A reason that says how to write the text already is left as it is.
std::string Refused(const std::string& why, uint8_t type) {
  if (why.empty() || why.find(": write") != std::string::npos) return why;
  return why + ": write X $FF $" + byte2hex(type) + " ... for any bytes";
}

// True when a quoted run of an X line carries byte b: no double quote, and no control byte,
// which could break or end the line, or not be seen.
bool Printable(uint8_t b) { return b >= 0x20 && b != '"' && b != 0x7F; }

// EncodeQuotedText, and why it refused the line.
std::string QuotedTextEvent(uint8_t type, const std::string& line, bytes& event) {
  size_t open = line.find('"');
  size_t close = open == std::string::npos ? open : line.find('"', open + 1);
  if (open != std::string::npos && close == std::string::npos) {
    event.clear();
    return "a double quote is not closed";
  }
  // a further quote would leave the rest of the text out
  if (open != std::string::npos && line.find('"', close + 1) != std::string::npos) {
    event.clear();
    return Refused("a text ends at its second double quote", type);
  }
  event.assign({kMeta, type});
  if (open != std::string::npos) QuotedText(line.data() + open + 1, close - open - 1, event);
  PutLength(event, 2);
  return "";
}

// EncodeWordText, and why it refused the line.
std::string WordTextEvent(uint8_t type, const std::string& line, bytes& event) {
  // three fields, two blanks: the text is the third; the other lines are seldom and slow
  size_t first = line.find(' ');
  size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
  bool three = second != std::string::npos && line.find(' ', second + 1) == std::string::npos;
  if (three) {
    // a tab is no blank: a word behind one before the text is lost, as the second field
    size_t tab = line.rfind('\t', second);
    if (tab != std::string::npos && tab + 1 < second && line[tab + 1] != '(') {
      event.clear();
      return Refused("a tab is no blank", type);
    }
  } else {
    std::string why = WordTextLoss(type, line);
    if (!why.empty()) {
      event.clear();
      return Refused(why, type);
    }
  }
  // fewer fields give no text
  size_t begin = three ? second + 1 : line.size();
  event.assign({kMeta, type});
  WordText(line.data() + begin, line.size() - begin, event);
  PutLength(event, 2);
  return "";
}

// EncodeMetaEvent, and why it refused the line.
std::string MetaEvent(const integers& numbers, const std::string& line, bytes& event) {
  event.clear();
  if (numbers.empty()) return "Meta takes a type first, as in Meta $51(Tempo) 500000";
  if (numbers[0] < 0 || numbers[0] > 255) return "a meta type is 0 to 255";
  uint8_t type = Low(numbers[0]);
  if (TextForm(type) == textform::Quoted) return QuotedTextEvent(type, line, event);
  if (TextForm(type) == textform::Word) return WordTextEvent(type, line, event);
  size_t args = numbers.size() - 1;  // the numbers after the type
  event.assign({kMeta, type});
  const metakind* kind = FindMetaKind(type);
  if (kind == nullptr) {  // a type without a layout: its numbers as bytes
    for (size_t i = 1; i < numbers.size(); i++) event.push_back(Low(numbers[i]));
    PutLength(event, 2);
    return "";
  }
  // a fixed layout needs its numbers; extra ones are ignored
  if (args < kind->count) {
    event.clear();
    return CountReason(line, kind->name, Num(static_cast<int64_t>(kind->count)), kind->fields);
  }
  for (size_t i = 0; i < kind->count; i++) {
    int32_t v = numbers[i + 1];
    if (type == kTimeSignatureType && i == 1) v = DenominatorByte(v);
    if (type == kKeySignatureType && i == 0) {
      uint8_t b;
      if (!KeyByte(v, b)) {
        event.clear();
        return "a key signature has -7 to 7 sharps";
      }
      v = b;
    }
    for (int w = kind->widths[i] - 1; w >= 0; w--) event.push_back(Low(v >> (8 * w)));
  }
  PutLength(event, 2);
  return "";
}

void AddHex(std::string& line, uint8_t b) {
  char hex[3] = {'$', half2hex(b >> 4), half2hex(b & 0x0F)};
  line.append(hex, 3);
}

// Each byte of rest from from on as a hexadecimal number behind a blank.
void AddHexList(std::string& line, const eventview& e, size_t from) {
  for (size_t i = from; i < e.n; i++) {
    line += ' ';
    AddHex(line, e.rest[i]);
  }
}

// The exact line: status, a meta event's type, and the data from dataStart on; the length is
// left out, since the compiler puts it in.
void AddExactLine(std::string& line, const eventview& e, size_t dataStart) {
  line += "X ";
  AddHex(line, e.status);
  if (e.status == kMeta) {
    line += ' ';
    AddHex(line, e.rest[0]);
  }
  AddHexList(line, e, dataStart);
}

// The exact line of a text meta event: its printable runs in double quotes, its other bytes as
// numbers; a lyric that is only a line break gets a remark that says which.
void AddTextExactLine(std::string& line, const eventview& e, size_t from) {
  line += "X $FF ";
  AddHex(line, e.rest[0]);
  const uint8_t* text = e.rest;
  for (size_t i = from; i < e.n;) {
    size_t j = i;
    while (j < e.n && Printable(text[j])) j++;
    line += ' ';
    if (j == i) {
      AddHex(line, text[i++]);
      continue;
    }
    line += '"';
    line.append(text + i, text + j);
    line += '"';
    i = j;
  }
  if (e.rest[0] == kLyricType && e.n == from + 1 && (text[from] == '\r' || text[from] == '\n')) {
    line += text[from] == '\r' ? " (line break)" : " (new paragraph)";
  }
}

// "Meta $05(Lyric)": the kind word, the type and its name, as every meta line begins.
void AddMetaHead(std::string& line, uint8_t type, const metakind* kind) {
  char head[32] = "Meta $";  // made in place and appended in one go
  char* p = head + 6;
  *p++ = half2hex(type >> 4);
  *p++ = half2hex(type & 0x0F);
  if (kind) {
    *p++ = '(';
    for (const char* c = kind->name; *c;) *p++ = *c++;
    *p++ = ')';
  }
  line.append(head, static_cast<size_t>(p - head));
}

// Appends the numbers of a fixed meta layout; false when the data does not have its length or
// a number would not come back as the same bytes.
bool AddLayoutNumbers(std::string& line, const metakind& kind, const eventview& e, size_t from) {
  size_t length = 0;
  for (size_t i = 0; i < kind.count; i++) length += kind.widths[i];
  if (e.n - from != length) return false;
  size_t p = from;
  for (size_t i = 0; i < kind.count; i++) {
    int64_t v = 0;
    for (int w = 0; w < kind.widths[i]; w++) v = v << 8 | e.rest[p++];
    int32_t number;
    if (kind.type == kTimeSignatureType && i == 1) {
      if (!DenominatorNumber(static_cast<uint8_t>(v), number)) return false;
      v = number;
    }
    if (kind.type == kKeySignatureType && i == 0) {
      if (!KeyNumber(static_cast<uint8_t>(v), number)) return false;
      v = number;
    }
    line += ' ';
    appendnumber(line, v);
  }
  return true;
}

void AddMetaLine(std::string& line, const eventview& e) {
  uint8_t type = e.rest[0];
  size_t start = e.DataStart();
  const uint8_t* text = e.rest + start;
  size_t n = e.n - start;
  const metakind* kind = FindMetaKind(type);
  size_t head = line.size();
  AddMetaHead(line, type, kind);
  bool said = false;
  switch (TextForm(type)) {
    case textform::Quoted:
      line += " \"";
      said = TextQuoted(text, n, line);
      line += '"';
      break;
    case textform::Word:
      // two fields make an empty text, so an empty one adds nothing
      if (n > 0) line += ' ';
      said = TextWord(text, n, line);
      break;
    case textform::None:
      if (kind == nullptr) AddHexList(line, e, start);
      said = kind == nullptr || AddLayoutNumbers(line, *kind, e, start);
      break;
  }
  if (said) return;
  line.resize(head);
  if (TextForm(type) == textform::None) {
    AddExactLine(line, e, start);
  } else {
    AddTextExactLine(line, e, start);
  }
}

// Writes the characters of word at p; returns the end.
char* PutWord(char* p, std::string_view word) {
  std::memcpy(p, word.data(), word.size());
  return p + word.size();
}

void AddChannelLine(std::string& line, const eventview& e) {
  uint8_t kind = e.status & 0xF0;
  if (e.n != (HasOneDataByte(e.status) ? 1u : 2u)) {
    AddExactLine(line, e, 0);
    return;
  }
  // the line is made in place and appended in one go: at most 64 characters
  char made[64];
  char* p = made;
  int32_t bend;
  if (kind == kPitchBend && BendNumber(e.rest[0], e.rest[1], bend)) {
    p = PutWord(p, "Bend ");
    p = putnumber(p, e.status & 0x0F);
    *p++ = ' ';
    p = putnumber(p, bend);
    line.append(made, static_cast<size_t>(p - made));
    return;
  }
  // the word of each channel kind but the bend's, by the high four bits of its status
  static constexpr auto kWords = [] {
    std::array<std::string_view, 16> words{};
    for (const channelkind& k : kChannelKinds) {
      if (k.status != kPitchBend) words[k.status >> 4] = k.word;
    }
    return words;
  }();
  std::string_view word = kWords[e.status >> 4];
  if (!word.empty()) {
    p = PutWord(p, word);
    *p++ = ' ';
    p = putnumber(p, e.status & 0x0F);
  } else {
    // a bend whose low data byte has bit 7 set: only the exact line says it
    p = PutWord(p, "X $");
    *p++ = half2hex(e.status >> 4);
    *p++ = half2hex(e.status & 0x0F);
  }
  for (size_t i = 0; i < e.n; i++) {
    *p++ = ' ';
    p = putnumber(p, e.rest[i]);
  }
  line.append(made, static_cast<size_t>(p - made));
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

bool BendNumber(uint8_t low, uint8_t high, int32_t& bend) {
  if (low > 0x7F) return false;
  bend = low + high * 128 - 8192;
  return true;
}

void BendBytes(int32_t bend, uint8_t& low, uint8_t& high) {
  uint32_t v = static_cast<uint32_t>(bend) + 8192;  // wraps as the line's numbers do
  low = static_cast<uint8_t>(v & 0x7F);
  high = static_cast<uint8_t>(v >> 7);
}

bool DenominatorNumber(uint8_t power, int32_t& denominator) {
  if (power > 30) return false;
  denominator = int32_t{1} << power;
  return true;
}

uint8_t DenominatorByte(int32_t denominator) {
  return Low(std::bit_width(static_cast<uint32_t>(denominator)) - 1);
}

bool KeyNumber(uint8_t b, int32_t& key) {
  key = static_cast<int8_t>(b);
  return key >= -7 && key <= 7;
}

bool KeyByte(int32_t key, uint8_t& b) {
  b = Low(key);
  return key >= -7 && key <= 7;
}

bool TextWord(const uint8_t* text, size_t n, std::string& word) {
  size_t plain = 0;  // where the bytes that stand for themselves begin: appended in one go
  for (size_t i = 0; i < n; i++) {
    uint8_t b = text[i];
    if (b > ' ' && b != '_' && b != '/' && b != '\\') continue;
    word.append(reinterpret_cast<const char*>(text) + plain, i - plain);
    if (b == '\r' && i + 1 < n && text[i + 1] == '\n') {
      word += '/';
      i++;
    } else if (b == ' ') {
      word += '_';
    } else {
      return false;
    }
    plain = i + 1;
  }
  word.append(reinterpret_cast<const char*>(text) + plain, n - plain);
  return true;
}

void WordText(const char* word, size_t n, bytes& text) {
  for (size_t i = 0; i < n; i++) {
    char c = word[i];
    if (c == '/' || c == '\\') {
      text.insert(text.end(), {'\r', '\n'});
    } else {
      text.push_back(static_cast<uint8_t>(c == '_' ? ' ' : c));
    }
  }
}

bool TextQuoted(const uint8_t* text, size_t n, std::string& quoted) {
  for (size_t i = 0; i < n; i++) {
    if (text[i] == '"' || text[i] < 0x20) return false;
  }
  quoted.append(text, text + n);
  return true;
}

void QuotedText(const char* quoted, size_t n, bytes& text) {
  text.insert(text.end(), quoted, quoted + n);
}

namespace {

// Why the numbers of a line of bytes are refused: "300 is not a byte 0 to 255"; "" when they
// are bytes.
std::string NotBytes(const integers& numbers) {
  for (int32_t v : numbers) {
    if (v < 0 || v > 0xFF) return Num(v) + " is not a byte 0 to 255";
  }
  return "";
}

// EncodeExactEvent, and why it refused the line.
std::string ExactEvent(const integers& numbers, bytes& event) {
  event.clear();
  std::string why = NotBytes(numbers);
  if (!why.empty()) return why;
  if (numbers.empty()) return "X takes a status byte, then the data";
  if (numbers[0] < kNoteOff)
    return Num(numbers[0]) + " is no status byte: X takes $80 to $FF first";
  uint8_t status = Low(numbers[0]);
  std::string head = "X $" + byte2hex(status);
  size_t data = numbers.size() - 1;
  auto append = [&](size_t from) {
    for (size_t i = from; i < numbers.size(); i++) event.push_back(Low(numbers[i]));
  };
  // a data byte above 7F is kept: files in use hold such bytes, and the line carries any file
  if (status < kSysex) {
    size_t want = HasOneDataByte(status) ? 1u : 2u;
    if (data != want) return head + (want == 1 ? " takes 1 data byte" : " takes 2 data bytes");
    append(0);
  } else if (status == kMeta) {
    if (data == 0) return head + " takes the meta type";
    event.assign({kMeta, Low(numbers[1])});
    append(2);
    PutLength(event, 2);
  } else if (status < 0xF8) {  // F0 to F7 carry a length
    event.push_back(status);
    append(1);
    PutLength(event, 1);
  } else if (data == 0) {
    event.push_back(status);
  } else {
    return head + " takes no data";
  }
  return "";
}

}  // namespace

bytes EncodeEventLine(const std::string& line) {
  eventline e;
  ReadEventLine(line, e);
  return e.event;
}

void ReadEventLine(const std::string& line, eventline& e) {
  e.event.clear();
  e.refusal.clear();
  if (line.empty()) return;
  // the lines of bytes take texts in double quotes among their numbers
  if (!ScanNumbers(line, e.numbers, e.nextTo, line[0] == 'X' || line[0] == 'S')) {
    e.refusal = "a double quote is not closed";
    return;
  }
  const integers& n = e.numbers;
  if (const channelkind* k = FindChannelKind(line[0], n.size())) {
    // channel bits above 15 merge into the status kind
    uint8_t status = static_cast<uint8_t>(k->status | Low(n[0]));
    if (k->status == kPitchBend) {
      uint8_t low, high;
      BendBytes(n[1], low, high);
      e.event.assign({status, low, high});
      return;
    }
    e.event.push_back(status);
    for (size_t i = 1; i < n.size(); i++) e.event.push_back(Low(n[i]));
    return;
  }
  switch (line[0]) {
    case 'H': {
      e.event.push_back(kEscape);
      appendvarlen(static_cast<int32_t>(n.size()), e.event);
      for (int32_t b : n) e.event.push_back(Low(b));
      return;
    }
    case 'O':
    case 'V':
      if (n.empty()) e.refusal = std::string(1, line[0]) + " takes a byte";
      if (!n.empty()) e.event.push_back(Low(n[0]));
      return;
    case 'M':
      e.refusal = MetaEvent(n, line, e.event);
      return;
    case 'X':
      e.refusal = ExactEvent(n, e.event);
      return;
    case 'S':
      e.refusal = NotBytes(n);
      if (!e.refusal.empty()) return;
      e.event.push_back(kSysex);
      for (int32_t b : n) e.event.push_back(Low(b));
      PutLength(e.event, 1);
      return;
  }
  e.refusal = KindReason(line);
}

void EncodeExactEvent(const integers& numbers, bytes& event) { ExactEvent(numbers, event); }

void EncodeMetaEvent(const integers& numbers, const std::string& line, bytes& event) {
  MetaEvent(numbers, line, event);
}

void EncodeQuotedText(const integers& numbers, const std::string& line, bytes& event) {
  QuotedTextEvent(numbers.empty() ? 0 : Low(numbers[0]), line, event);
}

void EncodeWordText(uint8_t type, const std::string& line, bytes& event) {
  WordTextEvent(type, line, event);
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
  // an SMPTE division: frames a second (24, 25, 29 for 29.97 or 30) negated in the high byte,
  // ticks a frame in the low one
  int32_t frames = -static_cast<int8_t>(Low(n[1] >> 8));
  bool smpte = (n[1] & 0xFF) > 0 && (frames == 24 || frames == 25 || frames == 29 || frames == 30);
  if ((n[1] < 1 || n[1] > 0x7FFF) && !smpte) {
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

std::string HeaderLine(int32_t type, int32_t tracks, int32_t division) {
  std::string line = "File ";
  appendnumber(line, type);
  line += " (";
  appendnumber(line, tracks);
  line += ") ";
  appendnumber(line, division);
  return line;
}

std::string TrackLine(int32_t k, const std::string& name) {
  std::string line = "Track #";
  appendnumber(line, k);
  if (!name.empty()) line += ' ' + name;
  return line;
}

std::string TimeLine(uint32_t ticks) {
  std::string line;
  appendnumber(line, ticks);
  return line;
}

void AddEventLine(std::string& line, const eventview& e) {
  if (!e.IsEvent()) {
    // a data byte where no running status is in force makes no event, but stays a byte
    line += "O ";
    AddHex(line, e.status);
  } else if (IsChannelStatus(e.status)) {
    AddChannelLine(line, e);
  } else if (e.status == kMeta && e.n >= 1) {
    AddMetaLine(line, e);
  } else if (e.status == kEscape) {
    line += 'H';
    AddHexList(line, e, e.DataStart());
  } else if (e.status == kSysex) {
    line += "Sysex";
    AddHexList(line, e, e.DataStart());
  } else if (e.status < 0xF8) {
    AddExactLine(line, e, e.DataStart());
  } else {
    line += "O ";
    AddHex(line, e.status);
  }
}

std::string EventLine(const eventview& e) {
  std::string line;
  AddEventLine(line, e);
  return line;
}

std::string EventLine(const bytes& event) {
  if (event.empty()) return "";
  return EventLine(eventview{event[0], event.data() + 1, event.size() - 1});
}

std::string WordLine(uint8_t type, const std::string& word) {
  std::string line;
  AddMetaHead(line, type, FindMetaKind(type));
  return line + ' ' + word;
}

namespace {

// The lines that switch the way status bytes are written, in the order of statusway.
constexpr std::string_view kWayLines[] = {"Write running status", "Write every status",
                                          "Write running status across meta and sysex"};

}  // namespace

std::string ReadWayLine(const std::string& line, statusway& way) {
  // the longest first: the others begin as it does
  for (size_t i : {2, 1, 0}) {
    std::string_view w = kWayLines[i];
    if (line.starts_with(w) && (line.size() == w.size() || line.compare(w.size(), 2, " (") == 0)) {
      way = static_cast<statusway>(i);
      return "";
    }
  }
  return "write " + std::string(kWayLines[1]) + ", " + std::string(kWayLines[0]) + " or " +
         std::string(kWayLines[2]);
}

std::string WayLine(statusway way) { return std::string(kWayLines[static_cast<size_t>(way)]); }
