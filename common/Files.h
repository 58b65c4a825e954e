#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Algemeen.h"

// True when name is an existing regular file (a directory is no file).
bool fileexists(const std::string& name);

// Reads the whole file into data; false when it cannot be opened or read, or holds 2 GB or more.
bool readfile(const std::string& name, bytes& data);

// Reads a text file line by line in large blocks: CR LF or LF ends a line, any other CR is
// dropped, the last line needs no line end, and a byte 1A hex ends the file. Lines are byte
// strings of any length.
class textreader {
 public:
  textreader() = default;
  textreader(const textreader&) = delete;
  textreader& operator=(const textreader&) = delete;
  ~textreader();
  // Opens name at its start; false when it cannot.
  bool Open(const std::string& name);
  // Reads text from memory instead of a file, with the same rules.
  void OpenText(const std::string& text);
  // Starts over at the first line; false when that fails.
  bool Rewind();
  // Puts the next line, without its line end, into line; false at the end of the file or
  // when reading failed (see Failed).
  bool ReadLine(std::string& line);
  // True when a read failed: the lines given so far are not the whole file.
  bool Failed() const { return failed; }

 private:
  bool Fill();
  int fd = -1;
  std::vector<char> buffer;
  size_t begin = 0;
  size_t end = 0;
  bool ended = false;
  bool failed = false;
  bool inMemory = false;
};

// Writes a new file beside its target and renames it over the target only once complete, so a
// run that fails, is killed or fills the disk never leaves a partial file or touches the old one.
// The target may be the file the program is reading.
class outputfile {
 public:
  outputfile() = default;
  outputfile(const outputfile&) = delete;
  outputfile& operator=(const outputfile&) = delete;
  // Removes the temporary file unless Commit has renamed it.
  ~outputfile();
  // Creates the temporary file in target's folder; false when it cannot be created.
  bool Open(const std::string& target);
  // Appends n bytes; a failure is kept and reported by Commit.
  void Write(const char* data, size_t n);
  // Appends line and a CR LF line end.
  void WriteLine(const std::string& line);
  // Writes out what is buffered and puts the file in the target's place; false when anything
  // failed, and then the target is as it was and the temporary file is gone.
  bool Commit();

 private:
  bool Flush();
  void WriteAll(const char* data, size_t n);
  void Discard();
  int fd = -1;
  std::string target;
  std::string temporary;
  std::vector<char> buffer;
  bool failed = false;
};

// True when args holds count arguments; otherwise prints the usage text through showUsage.
bool checkcount(const lijst& args, size_t count, void (*showUsage)());
// True when the input file name exists; otherwise prints name + missing, the program's wording.
bool checkinput(const std::string& name, const std::string& missing);

// Prints the line for a file that exists but cannot be read: name + ": cannot be read".
void saycannotread(const std::string& name);
// Prints the line for an output that cannot be created or written: name + ": cannot be written".
void saycannotwrite(const std::string& name);

// Creates or replaces the file name with data through an outputfile; false when that failed.
bool savefile(const std::string& name, const bytes& data);
