#pragma once

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include "Algemeen.h"
#include "MidiDoos.h"

// The fuzz targets. Each takes arbitrary bytes through the library routines that one program
// calls, in the program's order, checks what must hold afterwards and returns 0; a broken rule
// ends the run through FuzzFailure, so the fuzzer keeps the input.

// verse2chan: the first byte chooses the channel, the rest is the file; the check with the
// lyrics found in its walk, then Relabel. The image may differ from the input only at meta
// type bytes 05, and is what CheckFile and RelabelLyrics, walking twice, make of it.
int FuzzVerse2chan(const uint8_t* data, size_t size);
// smf1to0: for a type-1 file whose header passes, MergeToType0, which finds the file broken
// exactly when CheckFile refuses it, and otherwise writes the same bytes as CollectEvents,
// RepairEndOfTrack and WriteType0. The result passes CheckFile, holds the merged events at their
// times and ends with its only End of Track.
int FuzzSmf1to0(const uint8_t* data, size_t size);
// One MEV line through ExtractNumbers and EncodeEventLine: the event has the layout of its kind.
int FuzzEventLine(const uint8_t* data, size_t size);
// A whole MEV text through CompileMev: a compiled image has exact chunks, every meta and escape
// event reads back whole, and the image passes CheckFile when its header does and every event
// line gives a complete event.
int FuzzMev2smf(const uint8_t* data, size_t size);
// A lyric sheet through the conversion: no piece holds a blank, the pieces hold every other
// byte of the line, and the MEV compiles into a file that passes CheckFile.
int FuzzLys2mev(const uint8_t* data, size_t size);

// smf2mev: the check with the song read in its walk, then Decompile, then CompileMev of the
// text. The recompiled file passes CheckFile with the same header and the same events at the
// same ticks in every track, and decompiles to the same text, which compiles to the same bytes
// again.
int FuzzSmf2mev(const uint8_t* data, size_t size);

// kar2smf, smf2kar, smf2lrc and smf2svg: the check with what the file holds, then each conversion
// of its words (both ways, with and without --both): a converted file of a file that passes the
// strict check passes it too, with as many tracks; then the timed lyrics in every format,
// which a file without words does not get, and the picture, which ends whole.
int FuzzWords(const uint8_t* data, size_t size);

// Prints which rule broke in which target (and the replayed input's name when one is set),
// then aborts.
[[noreturn]] void FuzzFailure(const char* target, const std::string& what);
// The name of the input being replayed, for FuzzFailure's line; empty while fuzzing.
void SetFuzzInputName(const std::string& name);

// True when event, alone in an image and read from its start, reads back as itself and ends
// exactly at its last byte: a complete event with its status byte.
bool ReadsBackWhole(const bytes& event);

// The events of every track of a file that passed CheckFile, one "tick status data" line each
// with the lengths of sized events left out, and "tick stray byte" for a stray data byte.
std::vector<lijst> TimedEvents(const Midi& m);

// Sends std::cout to nowhere while it lives, so the routines' messages stay quiet.
class QuietOutput {
 public:
  QuietOutput() : old(std::cout.rdbuf(&nowhere)) {}
  ~QuietOutput() { std::cout.rdbuf(old); }
  QuietOutput(const QuietOutput&) = delete;
  QuietOutput& operator=(const QuietOutput&) = delete;

 private:
  class NullBuffer : public std::streambuf {
   protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  };
  NullBuffer nowhere;
  std::streambuf* old;
};
