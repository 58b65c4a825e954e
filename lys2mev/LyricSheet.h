#pragma once

#include <string>

#include "Algemeen.h"

// The MEV lines that open the file: the header line and the one track line.
lijst MevHead();
// Appends to mev, for every piece of a lyric sheet line, a time line "0" and its Lyric line.
void AddPieces(const std::string& line, lijst& mev);
// The MEV lines that close the track: an empty Lyric event and End of Track.
lijst MevTail();
