#pragma once

#include <cstdint>
#include <string>

#include "Algemeen.h"
#include "Files.h"
#include "MidiDoos.h"

// A time line read in one pass: the length of its timestamp (its leading run of digits and
// blanks); the delay, the timestamp's digits run together and wrapping at 32 bits; whether the
// timestamp fits, with at most 255 characters and a value of at most 0FFFFFFF hex, the longest
// delta time; and whether digits stand after a blank that follows a digit, so that they join
// the number and the line may not wait what it seems to.
struct timeline {
  size_t stamp = 0;
  uint32_t value = 0;
  bool fits = true;
  bool split = false;
};
// Reads line into t; true when it is a time line: its first character that is no digit is a
// blank, or it has none.
bool ReadTimeLine(const std::string& line, timeline& t);
// True for a time line.
bool IsTimeLine(const std::string& line);
// The timestamp of a time line.
std::string GetTimeStamp(const std::string& line);
// IsTimeLine and GetTimeStamp are part of the suite's interface; the compiler reads a time
// line once, with ReadTimeLine.
// Compiles the whole MEV text of in into m in one pass: header line and every track. Prints
// the reason when the text is refused (a header message, "NO Tracks found", or one line per
// line it cannot compile) and then returns false; also false when reading fails (in.Failed()).
// Prints a warning line for each doubt about a line that compiles, in line order among the error
// lines, and counts them in warnings.
bool CompileMev(textreader& in, Midi& m, int32_t& warnings);
// The same without the count.
bool CompileMev(textreader& in, Midi& m);
