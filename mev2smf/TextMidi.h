#pragma once

#include <cstdint>
#include <string>

#include "Algemeen.h"

// The numbers of a MEV line in the order they begin: decimal, "$" hexadecimal, "-" negative;
// text in double quotes or parentheses is skipped; values wrap at 32 bits.
integers ExtractNumbers(const std::string& line);
// The complete event of one MEV event line, status byte first; empty when the line makes no
// event (unknown kind letter, wrong count of numbers, or a meta line it cannot encode).
bytes EncodeEventLine(const std::string& line);
// The event of an M line, chosen by its first number, the meta type.
bytes EncodeMetaEvent(const integers& numbers, const std::string& line);
// A text meta event of type numbers[0] whose text stands between the line's first two double
// quotes; empty when a quote is opened and not closed.
bytes EncodeQuotedText(const integers& numbers, const std::string& line);
// A text meta event whose text is the line's third blank-separated field, "/" and "\" made
// CR LF and "_" a blank; the text is empty unless the line has exactly three fields.
bytes EncodeWordText(uint8_t type, const std::string& line);
// Reads the header line into type and division; prints the first failing test's line and
// clears ok.
void ParseHeader(const std::string& line, bool& ok, int32_t& type, int32_t& division);
