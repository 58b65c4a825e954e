#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

// A growable byte array: a MIDI file image or one encoded event.
using bytes = std::vector<uint8_t>;
// A growable array of signed 32-bit values, such as line numbers.
using integers = std::vector<int32_t>;
// A growable array of strings: the pieces of a split line.
using lijst = std::vector<std::string>;

// One event with its absolute time in ticks; 64-bit, since 5-byte delta times add up beyond
// 7FFFFFFF hex.
struct samen {
  int64_t time;
  bytes event;
};
// Events of one or more tracks in time order.
using gegevens = std::vector<samen>;

// Writes one line and a line end to standard output, or to standard error after
// saytoerror(true); every message goes through here.
void say(const std::string& line);
// Sends every later say() line to standard error when on: set once by a program whose output
// is standard output, so its messages never mix with the data.
void saytoerror(bool on);

// Writes each of lines through say().
void saylines(std::initializer_list<const char*> lines);

// True for the characters 0-9, A-F and a-f.
bool ishex(char ch);
// The value 0..15 of a hexadecimal digit; any other character prints a line and ends the program.
uint8_t hex2half(char ch);
// The upper-case hexadecimal digit of 0..15; larger values give '0'.
char half2hex(uint8_t v);
// The two upper-case hexadecimal digits of b.
std::string byte2hex(uint8_t b);
// A blank and two hexadecimal digits per byte: FF 2F 00 gives " FF 2F 00".
std::string bytes2hex(const bytes& a);
// The digits of s run together as one decimal number, negated when s holds a minus sign anywhere;
// every other character is skipped, and the value wraps at 32 bits. Part of the suite's
// interface: no program reads its numbers this loosely now (see str2range).
int32_t str2int(const std::string& s);
// True when s is one or more decimal digits and nothing else, of a value from low to high;
// the value is put in value.
bool str2range(const std::string& s, int32_t low, int32_t high, int32_t& value);
// putnumber for every n.
char* putlongnumber(char* p, int64_t n);
// The two digits of 0 to 99, one pair after the other.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
// Writes the decimal digits of n, with a minus sign when negative, at p: at most 20 characters.
// Returns the end of what it wrote.
inline char* putnumber(char* p, int64_t n) {
  if (n < 0 || n >= 10000) return putlongnumber(p, n);
  // most numbers of a MIDI file are small: their digits go two at a time
  uint32_t v = static_cast<uint32_t>(n);
  if (v < 10) {
    *p = static_cast<char>('0' + v);
    return p + 1;
  }
  if (v >= 100) {
    uint32_t high = v / 100;
    v %= 100;
    if (high < 10) {
      *p++ = static_cast<char>('0' + high);
    } else {
      std::memcpy(p, kDigitPairs + 2 * high, 2);
      p += 2;
    }
    std::memcpy(p, kDigitPairs + 2 * v, 2);
    return p + 2;
  }
  std::memcpy(p, kDigitPairs + 2 * v, 2);
  return p + 2;
}
// Appends the decimal digits of n, with a minus sign when negative, to text.
inline void appendnumber(std::string& text, int64_t n) {
  char digits[20];
  text.append(digits, static_cast<size_t>(putnumber(digits, n) - digits));
}
// The byte count 1..5 of v as a variable-length quantity; negative values give 1.
int32_t vlqlength(int32_t v);
// The number of blanks in s plus one.
int32_t countwords(const std::string& s);
// s with every occurrence of pattern replaced, searching again from the start after each
// replacement, so occurrences that a replacement forms with its neighbours go too. The caller
// passes only pairs for which that ends (a replacement that cannot re-form the pattern).
// countwords and replaceall are part of the suite's interface; no program calls them now.
std::string replaceall(const std::string& s, const std::string& pattern,
                       const std::string& replacement);
// s cut at every blank, blanks dropped, empty pieces kept: always countwords(s) pieces.
lijst splitwords(const std::string& s);
// s cut after every underscore, each underscore ending its piece: underscores + 1 pieces.
lijst splitsyllables(const std::string& s);
// A stable merge of two arrays ordered by time: on equal times every element of first comes
// before those of second. Pass rvalues to move the events instead of copying them.
gegevens mergebytime(gegevens first, gegevens second);
