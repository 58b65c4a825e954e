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

// What a program run printed and how it ended.
struct RunResult {
  int status;  // the exit status, or 128 + the signal that ended it
  std::string out;
};

// Runs program with args, standard input empty, and collects its standard output.
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
