#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "Algemeen.h"

// The name that stands for standard input as an input and for standard output as an output.
inline const std::string kStandard = "-";

// The kind of file a program writes: an existing plain file is replaced only when it is empty
// or of that kind (Any replaces every file). Lyrics are timed lyrics: LRC, SRT and ASS files,
// which begin with "[" or a digit; Svg pictures, which begin with "<".
enum class Format : uint8_t { Any, Midi, Mev, Lyrics, Svg };

// True when name is an existing regular file (a directory is no file), or "-".
bool fileexists(const std::string& name);

// Asks for the whole 2 MB pages of data's reserved array to be huge pages: touching a large
// new array for the first time a small page at a time costs more than filling it. An advice
// only; nothing changes where the system has no huge pages.
void askhugepages(bytes& data);
// The same for size bytes of memory from data.
void askhugepages(const void* data, size_t size);

// Reads the whole file, or standard input for "-", into data; false when it cannot be opened
// or read, or holds 2 GB or more.
bool readfile(const std::string& name, bytes& data);

// True when line can be a MEV file's header line: it begins with F and holds exactly two
// numbers (decimal digits, or $ and hexadecimal digits), text in quotes or parentheses skipped.
bool ismevheader(const std::string& line);

// Reads a text file line by line in large blocks: CR LF or LF ends a line, any other CR is
// dropped, the last line needs no line end, a byte 1A hex ends the file, and a UTF-8 byte-order
// mark at the start is skipped. Lines are byte strings of any length.
class textreader {
 public:
  textreader() = default;
  textreader(const textreader&) = delete;
  textreader& operator=(const textreader&) = delete;
  ~textreader();
  // Opens name at its start, or takes standard input whole into memory for "-"; false when it
  // cannot.
  bool Open(const std::string& name);
  // Reads text from memory instead of a file, with the same rules.
  void OpenText(const std::string& text);
  // Starts over at the first line; false when that fails.
  bool Rewind();
  // Puts the next line, without its line end, into line; false at the end of the file or
  // when reading failed (see Failed).
  bool ReadLine(std::string& line);
  // The size of the text in bytes, as far as it is known before reading it (0 when not).
  size_t Size() const;
  // True when a read failed: the lines given so far are not the whole file.
  bool Failed() const { return failed; }

 private:
  bool Fill();
  // ReadLine without the byte-order mark's skip.
  bool ReadRaw(std::string& line);
  int fd = -1;
  std::vector<char> buffer;
  size_t begin = 0;
  size_t end = 0;
  bool ended = false;
  bool failed = false;
  bool inMemory = false;
  bool atStart = true;  // the next line is the text's first
};

// Writes an output whole or not at all. A plain file, or a name where none exists, is written as
// a new file beside it that is renamed over it once complete, so a run that fails, is killed or
// fills the disk never leaves a partial file or touches the old one; the output may be the file
// the program is reading, and a symbolic link keeps pointing to the file it names, which is
// replaced. "-" (standard output), a device and a FIFO are written into directly, at Commit.
class outputfile {
 public:
  outputfile() = default;
  outputfile(const outputfile&) = delete;
  outputfile& operator=(const outputfile&) = delete;
  // Removes the temporary file unless Commit has renamed it.
  ~outputfile();
  // Gets ready to write the output name as a file of format; false, after the line
  // "NAME: cannot be written" (unless quiet: the caller says it when it is due), when the
  // temporary file cannot be created or the device opened.
  bool Open(const std::string& name, Format format = Format::Any, bool quiet = false);
  // Appends n bytes; a failure is kept and reported by Commit.
  void Write(const char* data, size_t n);
  // Appends line and a CR LF line end.
  void WriteLine(const std::string& line);
  // Writes n bytes over bytes already written from offset on: for a length known only at the end.
  void Patch(size_t offset, const char* data, size_t n);
  // Writes out what is buffered and puts the file in the target's place; false, after a line,
  // when anything failed ("NAME: cannot be written") or an existing plain file is not empty and
  // not of the format ("NAME exists and is not a MIDI file: not replaced"); the target is then as
  // it was and the temporary file is gone.
  bool Commit();

 private:
  bool Flush();
  void WriteAll(const char* data, size_t n);
  void Discard();
  // True when the existing target may be replaced: it is no plain file, is empty, or is of the
  // format.
  bool Replaceable() const;
  int fd = -1;
  std::string name;    // as the user gave it, for the messages
  std::string target;  // the file replaced: name with its symbolic links followed
  std::string temporary;
  std::vector<char> buffer;
  Format format = Format::Any;
  bool direct = false;  // written into at Commit, not replaced
  bool failed = false;
  size_t written = 0;  // the bytes written to the file
  size_t started = 0;  // the bytes sent on to the disk before Commit
};

// Handles the arguments every program takes alike: --help or -h alone prints the usage text
// through showUsage, --version alone the line "NAME (lyricmidi) VERSION", both status 0; any
// count but count (up to count + optional) prints the usage text, status 2, and so does an
// argument that begins with "--", after the line "Unknown option ARG". True when the
// program goes on, status then 1 for a check that fails after this one, and every later line
// going to standard error when the output, the second argument, is standard output; otherwise
// status holds the status to end with.
bool checkarguments(const lijst& args, size_t count, const std::string& name, void (*showUsage)(),
                    int& status, size_t optional = 0);
// True when the input file name exists; otherwise prints name + missing, the program's wording,
// or "NAME is a folder" for a folder.
bool checkinput(const std::string& name, const std::string& missing);

// Prints the line for a file that exists but cannot be read: name + ": cannot be read".
void saycannotread(const std::string& name);
// Prints the line for an output that cannot be created or written: name + ": cannot be written".
void saycannotwrite(const std::string& name);

// True when arg is a track of a file of tracks tracks, decimal digits only from 1, put in track
// counted from 0; otherwise prints "Track ARG out of [1,TRACKS] range" with arg as typed.
bool checktrack(const std::string& arg, int32_t tracks, int32_t& track);
// Takes the option at the front of args off when it is one of flags, or one of valued with its
// value (the argument after it, put in value); false when args begins with no such option, or
// when a valued option has no value: then after the line "OPTION needs a value", with ok
// cleared. option is the one taken.
bool takeoption(lijst& args, std::initializer_list<std::string_view> flags,
                std::initializer_list<std::string_view> valued, std::string& option,
                std::string& value, bool& ok);

// True when arg is a channel, decimal digits only from 0 to 15, put in channel; otherwise prints
// "Channel ARG out of [0,15] range" with arg as typed.
bool checkchannel(const std::string& arg, int32_t& channel);

// Writes data as the output name of format through an outputfile; false after the line saying
// why it failed.
bool savefile(const std::string& name, const bytes& data, Format format = Format::Any);
