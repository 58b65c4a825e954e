#pragma once

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "Algemeen.h"

// The bytes of annotated hexadecimal text: pairs of digits, blanks and line ends between them,
// and everything from a '#' to the end of its line ignored.
bytes Hex(const std::string& text);

// Lines joined, each followed by a line feed: the way say() prints them.
std::string Lines(const std::vector<std::string>& lines);

// Collects what is written to std::cout while it lives.
class CoutCapture {
 public:
  CoutCapture() : old(std::cout.rdbuf(captured.rdbuf())) {}
  ~CoutCapture() { std::cout.rdbuf(old); }
  std::string Text() const { return captured.str(); }

 private:
  std::ostringstream captured;
  std::streambuf* old;
};

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  // The path of name inside the folder.
  std::string Path(const std::string& name) const { return path + "/" + name; }
  // The names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path;
};

// A run that takes longer than this hangs.
constexpr int kTimeLimitSeconds = 120;

// What a program run printed and how it ended.
struct RunResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  bool hung = false;
  std::string out;
  std::string err;
};

// Runs program with args in folder, standard input empty, collecting standard output and
// standard error apart; a program still running after kTimeLimitSeconds is killed as hung.
RunResult RunProgramIn(const std::string& folder, const std::string& program,
                       const std::vector<std::string>& args);
// The same in the current folder; what the program wrote to standard error is passed on.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// Reads a whole file as text; a missing file gives "<missing>".
std::string ReadText(const std::string& name);
// Reads a whole file as bytes; a missing file gives no bytes.
bytes ReadBytes(const std::string& name);
// Creates or replaces a file.
void WriteText(const std::string& name, const std::string& text);
void WriteBytes(const std::string& name, const bytes& data);
// True when name exists as anything (file, folder, ...).
bool Exists(const std::string& name);

// A regular file whose reading fails: one without read permission, or, for root, who reads
// every file, /proc/self/mem (unreadable at its start).
std::string UnreadableFile(const TempDir& dir);

// True when Debian's midicsv is installed; the first call without it prints a loud notice.
bool HaveMidicsv();
// The records of midicsv's decoding of a MIDI file, one per line; empty when it refused it.
std::vector<std::string> Midicsv(const std::string& name);

// A Standard MIDI File: the header chunk with type, the track count and division, one track
// chunk around the annotated hex of each entry of tracks, then the bytes of trailing.
bytes SmfImage(uint16_t type, uint16_t division, const std::vector<std::string>& tracks,
               const std::string& trailing = "");

// How a program is called: [input] [output], then extra (verse2chan's channel).
struct CommandLine {
  std::string program;
  std::string usage;    // printed with exit status 2 after a wrong argument count
  std::string missing;  // printed after the name of an input that is no file
  std::vector<std::string> extra;
  std::string kind = "MIDI";  // what it writes, as its refusal of another kind of file says
  size_t optional = 0;        // the count of optional arguments that may follow
};

// The command-line rules every program shares, given a valid input and the output it makes of
// it. A wrong argument count prints the usage text (exit 2); a missing input, a folder or an
// empty name prints the missing line; an unreadable input and an output in a missing folder
// print their lines (exit 1), and so does an existing output that is not of the program's kind;
// none of these touches an existing output or makes a new one. A good run converts as
// ExpectConverted says, also when the output is the input itself if both are MIDI files (else
// the input is refused as an output of another kind).
void ExpectCommandLine(const CommandLine& cli, const bytes& input, const bytes& output);
// Runs the program on input, written to a file: it exits 0 after printing exactly out, replaces
// a longer existing output of its kind (output and more bytes) whole with output and leaves the
// input as it was.
void ExpectConverted(const CommandLine& cli, const bytes& input, const std::string& out,
                     const bytes& output);
// Runs the program on a refused input, written to a file: it exits 1 after printing exactly out
// (where "<in>" stands for the input's name), leaves an existing output as it was and makes no
// new one.
void ExpectRefused(const CommandLine& cli, const bytes& input, const std::string& out);
