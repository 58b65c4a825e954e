#include <string_view>

#include "FuzzTargets.h"
#include "TextMidi.h"

namespace {

[[noreturn]] void Fail(const std::string& what) { FuzzFailure("eventline", what); }

}  // namespace

int FuzzEventLine(const uint8_t* data, size_t size) {
  QuietOutput quiet;
  const std::string line(reinterpret_cast<const char*>(data), size);
  const integers numbers = ExtractNumbers(line);
  const bytes event = EncodeEventLine(line);
  if (EncodeEventLine(line) != event) Fail("two encodings of one line differ");
  // every line that makes no event says why, and only those
  eventline read;
  ReadEventLine(line, read);
  if (!line.empty() && event.empty() == read.refusal.empty()) {
    Fail(event.empty() ? "a refused line gives no reason" : "a line with an event gives a reason");
  }
  if (line.empty()) {
    if (!event.empty()) Fail("an empty line gives an event");
    return 0;
  }
  const char letter = line[0];
  if (std::string_view("ABCHMNOPRSVX").find(letter) == std::string_view::npos) {
    if (!event.empty()) Fail("a line without a kind letter gives an event");
    return 0;
  }
  const size_t count = numbers.size();
  const uint8_t first = count > 0 ? static_cast<uint8_t>(numbers[0]) : 0;
  switch (letter) {
    case 'H':
      // F7, the length, one byte per number
      if (event.empty() || event[0] != 0xF7 || !ReadsBackWhole(event) ||
          event.size() != 1 + static_cast<size_t>(vlqlength(static_cast<int32_t>(count))) + count) {
        Fail("an H line gives no complete escape event");
      }
      return 0;
    case 'O':
    case 'V':
      if (event != (count > 0 ? bytes{first} : bytes{})) Fail("an O or V line gives another byte");
      return 0;
    case 'X':
      // the numbers (and quoted texts) are the bytes, the length put in where the status
      // carries one
      if (!event.empty() && (!ReadsBackWhole(event) || event[0] < 0x80)) {
        Fail("an X line gives no complete event");
      }
      return 0;
    case 'S':
      if (!event.empty() && (!ReadsBackWhole(event) || event[0] != 0xF0)) {
        Fail("an S line gives no complete System Exclusive message");
      }
      return 0;
    case 'M':
      if (count == 0 && !event.empty()) Fail("an M line without a number gives an event");
      if (!event.empty() && (event[0] != 0xFF || event[1] != first || !ReadsBackWhole(event))) {
        Fail("an M line gives no complete meta event of its type");
      }
      return 0;
  }
  for (const channelkind& k : kChannelKinds) {
    if (k.letter != letter || k.numbers != count) continue;
    size_t length = HasOneDataByte(k.status) ? 2 : 3;
    if (event.size() != length || event[0] != (k.status | first)) {
      Fail("a channel line gives the wrong status or length");
    }
    // a channel above 15 merges into the status kind; 0..15 keeps a complete channel message
    if (numbers[0] >= 0 && numbers[0] <= 15 && !ReadsBackWhole(event)) {
      Fail("a channel message does not read back whole");
    }
    return 0;
  }
  if (!event.empty()) Fail("a channel line with the wrong count of numbers gives an event");
  return 0;
}
