#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Algemeen.h"
#include "Cursor.h"
#include "MidiDoos.h"
#include "TrackWriter.h"

// The MEV notation: its kinds of event line, each line read into an event and each event
// written as a line, the fields that are not written as their bytes converted both ways, and
// the lines the programs write.

// One kind of channel event line: its kind letter, the word the docs spell it with, the status
// byte without the channel, the count of numbers its line holds (the channel first), what they
// are, and the other first words the docs allow for it.
struct channelkind {
  char letter;
  std::string_view word;
  uint8_t status;
  size_t numbers;
  std::string_view fields;
  std::string_view others[3];
};
// The channel kinds; A stands for two, told apart by their count of numbers.
inline constexpr channelkind kChannelKinds[] = {
    {'N', "Note", kNoteOn, 3, "channel, key, velocity", {"N", "NoteOn", "Note-on"}},
    {'R', "Release", kNoteOff, 3, "channel, key, velocity", {"R"}},
    {'A', "Aftertouch", kChannelPressure, 2, "channel, pressure", {"A"}},
    {'A', "Aftertouch", kKeyPressure, 3, "channel, key, pressure", {"A"}},
    {'C', "Control", kControl, 3, "channel, controller, value", {"C"}},
    {'P', "Program", kProgram, 2, "channel, program", {"P"}},
    {'B', "Bend", kPitchBend, 2, "channel, bend", {"B"}},
};
// The other kinds of event line, spelt as for the channel kinds: escape, single bytes, meta
// event, exact event and System Exclusive message.
struct otherkind {
  char letter;
  std::string_view word;
  std::string_view others[3];
};
inline constexpr otherkind kOtherKinds[] = {
    {'H', "H", {}},       {'O', "O", {}}, {'V', "V", {}},
    {'M', "Meta", {"M"}}, {'X', "X", {}}, {'S', "Sysex", {"S"}},
};
// The channel kind of letter whose line holds count numbers, or nullptr.
const channelkind* FindChannelKind(char letter, size_t count);

// One meta type with a name for its remark and, for a fixed layout, the byte count of each of
// its numbers and what they are (count 0: a text, or no data at all for End of Track).
struct metakind {
  uint8_t type;
  const char* name;
  size_t count;
  uint8_t widths[5];
  std::string_view fields;
};
// The named meta types. Of the fixed layouts, a time signature's second number is written as
// a power of two and a key signature's first is -7 to 7.
inline constexpr metakind kMetaKinds[] = {
    {0x00, "SeqNr", 1, {2}, "the sequence number"},
    {0x01, "Text", 0, {}, ""},
    {0x02, "Copyright", 0, {}, ""},
    {0x03, "Name", 0, {}, ""},
    {0x04, "Instrument", 0, {}, ""},
    {0x05, "Lyric", 0, {}, ""},
    {0x06, "Marker", 0, {}, ""},
    {0x07, "Cue", 0, {}, ""},
    {0x21, "Port", 1, {1}, "the port"},
    {0x2F, "TrkEnd", 0, {}, ""},
    {0x51, "Tempo", 1, {3}, "microseconds a quarter note"},
    {0x54, "SMPTE", 5, {1, 1, 1, 1, 1}, "hours, minutes, seconds, frames, hundredths of a frame"},
    {0x58, "TimeSig", 4, {1, 1, 1, 1}, "numerator, denominator, clocks a click, 32nds a quarter"},
    {0x59, "KeySig", 2, {1, 1}, "sharps (below 0 flats), 0 major or 1 minor"},
};
// The entry of meta type t, or nullptr.
const metakind* FindMetaKind(uint8_t t);
// How a meta type's text is written: in double quotes (01 to 0F but 05), as one word (05, the
// lyric, and 10 to 1F, the channel texts), or not at all (numbers).
enum class textform : uint8_t { None, Quoted, Word };
textform TextForm(uint8_t type);

// The fields written other than as their bytes, each converted both ways by a pair of routines
// side by side; a routine that can fail returns false when the value has no form on the
// other side.
// A pitch bend: its two data bytes (7 bits each, low first) and its number, an offset from the
// centre 8192; no number gives a low byte above 7F.
bool BendNumber(uint8_t low, uint8_t high, int32_t& bend);
void BendBytes(int32_t bend, uint8_t& low, uint8_t& high);
// A time signature's denominator: its byte, a power of two, and the number, 2 to that power;
// a number that is no power of two is written as the power at or below it (0 gives FF).
bool DenominatorNumber(uint8_t power, int32_t& denominator);
uint8_t DenominatorByte(int32_t denominator);
// A key signature's count of sharps (of flats when negative), -7 to 7, and its byte.
bool KeyNumber(uint8_t b, int32_t& key);
bool KeyByte(int32_t key, uint8_t& b);
// The text of a lyric or channel text and its word, the line's third field: a blank is "_",
// CR LF "/" (and "\" reads as CR LF too). A text holding a byte that stands for another, or
// that would break or end the line, has no word.
bool TextWord(const uint8_t* text, size_t n, std::string& word);
void WordText(const char* word, size_t n, bytes& text);
// The text of the other text events and its quoted form: a text with a double quote or a
// control byte in it has none.
bool TextQuoted(const uint8_t* text, size_t n, std::string& quoted);
void QuotedText(const char* quoted, size_t n, bytes& text);

// The numbers of a MEV line in the order they begin: decimal, "$" hexadecimal, "-" negative;
// text in double quotes or parentheses is skipped; values wrap at 32 bits.
integers ExtractNumbers(const std::string& line);

// One number of a line: its place among the numbers, and where its digits begin and end.
struct placed {
  size_t index = 0;
  size_t begin = 0;
  size_t end = 0;
};
// An event line read once, for its event, why it was refused and its warnings; the arrays are
// used again for the next line, so a long text is compiled without a fresh array for each line.
struct eventline {
  integers numbers;  // as ExtractNumbers gives them
  placed nextTo;     // the first number with a letter right before or after its digits (index:
                     // the count of numbers when there is none)
  bytes event;       // as EncodeEventLine makes it
  // Why a line that makes no event was refused, as the error line says it after the line:
  // "Note takes 3 numbers: channel, key, velocity"; empty when the line makes an event.
  std::string refusal;
};
// Reads an event line into e.
void ReadEventLine(const std::string& line, eventline& e);
// The complete event of one MEV event line, status byte first; empty when the line makes no
// event (unknown kind letter, wrong count of numbers, or a meta line it cannot encode).
bytes EncodeEventLine(const std::string& line);
// The encoders of ReadEventLine, each putting its event, or nothing, in event.
// The event of an X line, the exact event line: its numbers are the status byte and the data
// (a text in double quotes among them gives its bytes), and for F0 to F7 and for FF and its type
// the length is put in; empty when a number is not a byte, the status is missing, or a
// status has the wrong count of data bytes.
void EncodeExactEvent(const integers& numbers, bytes& event);
// The event of an M line, chosen by its first number, the meta type.
void EncodeMetaEvent(const integers& numbers, const std::string& line, bytes& event);
// A text meta event of type numbers[0] whose text stands between the line's first two double
// quotes; empty when a quote is opened and not closed, or when a further quote follows.
void EncodeQuotedText(const integers& numbers, const std::string& line, bytes& event);
// A text meta event whose text is the line's third blank-separated field, "/" and "\" made
// CR LF and "_" a blank; the text is empty when the line has fewer than three fields. Empty (no
// event) when it has more, or fewer with a text behind a tab, which is no blank.
void EncodeWordText(uint8_t type, const std::string& line, bytes& event);
// The reasons an event line read into e by ReadEventLine, which makes an event, may not say what
// was meant: a first word that is no spelling of its kind, a channel, data byte or bend out of
// range, a number next to letters, a tab at either end of a word text, a tempo below 10000;
// none for a refused line.
lijst LineWarnings(const std::string& line, const eventline& e);
// The reasons a header line that ParseHeader accepts may not work with the other programs: type
// 0 over several tracks, a division outside 1 to 32767 that is no SMPTE division.
lijst HeaderWarnings(const std::string& line, int32_t tracks);
// Reads the header line into type and division; prints the first failing test's line and
// clears ok.
void ParseHeader(const std::string& line, bool& ok, int32_t& type, int32_t& division);

// A line that switches how the track's status bytes are written from where it stands: "Write
// running status" (the way every track begins), "Write every status", "Write running status
// across meta and sysex"; a remark in parentheses may follow. Reads it into way; why it is
// refused, or "".
std::string ReadWayLine(const std::string& line, statusway& way);
// The line of way.
std::string WayLine(statusway way);

// The lines as the programs write them.
// The header line: "File 1 (3) 480".
std::string HeaderLine(int32_t type, int32_t tracks, int32_t division);
// The line of track k (from 1), with the track's name when it has one: "Track #2 Melody".
std::string TrackLine(int32_t k, const std::string& name);
// The time line of a delta time, digits only; a remark may follow after a blank.
std::string TimeLine(uint32_t ticks);
// Appends the event line of one event: the documented forms where they give back exactly its
// bytes, an X line for everything else. A stray data byte is written as an O line, which
// gives the byte back too.
void AddEventLine(std::string& line, const eventview& e);
// The same as a line of its own; for an event held as one array, status byte first.
std::string EventLine(const eventview& e);
std::string EventLine(const bytes& event);
// The line of a text event of type in the word form, the word as it stands: "Meta $05(Lyric) "
// and word. A lyric sheet's pieces are written so.
std::string WordLine(uint8_t type, const std::string& word);
