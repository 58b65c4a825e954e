#pragma once

#include <string>

#include "Algemeen.h"

// Prints the usage text of lys2mev.
void ShowUsage();
// Checks the argument count (args without the program name) and that the input exists; prints
// the usage text or ": does Not exist" and clears ok when not.
void CheckParameters(const lijst& args, bool& ok);
// The MEV lines that open the file: the header line and the one track line.
lijst MevHead();
// Appends to mev, for every piece of a lyric sheet line, a time line "0" and its Lyric line.
void AddPieces(const std::string& line, lijst& mev);
// The MEV lines that close the track: an empty Lyric event and End of Track.
lijst MevTail();
