#pragma once

#include <cstdint>
#include <string>

#include "Algemeen.h"
#include "Files.h"
#include "MidiDoos.h"

// True for a time line: its first character that is no digit is a blank, or it has none.
bool IsTimeLine(const std::string& line);
// The timestamp of a time line: its leading run of digits and blanks.
std::string GetTimeStamp(const std::string& line);
// Why a time line may not wait what it seems to (digits after a blank join the number), or "".
std::string TimeLineWarning(const std::string& line);
// Compiles the whole MEV text of in into m in one pass: header line and every track. Prints
// the reason when the text is refused (a header message, "NO Tracks found", or one line per
// line it cannot compile) and then returns false; also false when reading fails (in.Failed()).
// Prints a warning line for each doubt about a line that compiles, in line order among the error
// lines, and counts them in warnings.
bool CompileMev(textreader& in, Midi& m, int32_t& warnings);
// The same without the count.
bool CompileMev(textreader& in, Midi& m);
