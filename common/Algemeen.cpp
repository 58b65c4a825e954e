#include "Algemeen.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iostream>

namespace {

bool toError = false;

}  // namespace

void say(const std::string& line) { (toError ? std::cerr : std::cout) << line << '\n'; }

void saytoerror(bool on) { toError = on; }

void saylines(std::initializer_list<const char*> lines) {
  for (const char* line : lines) say(line);
}

bool ishex(char ch) {
  return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
}

uint8_t hex2half(char ch) {
  if (!ishex(ch)) {
    say(std::string("hex2half: how to convert \"") + ch + "\" ?");
    std::cout.flush();
    std::exit(1);
  }
  if (ch <= '9') return static_cast<uint8_t>(ch - '0');
  if (ch <= 'F') return static_cast<uint8_t>(ch - 'A' + 10);
  return static_cast<uint8_t>(ch - 'a' + 10);
}

char half2hex(uint8_t v) {
  if (v <= 9) return static_cast<char>('0' + v);
  if (v <= 15) return static_cast<char>('A' + v - 10);
  return '0';
}

std::string byte2hex(uint8_t b) { return {half2hex(b >> 4), half2hex(b & 0x0F)}; }

std::string bytes2hex(const bytes& a) {
  std::string text;
  text.reserve(a.size() * 3);
  for (uint8_t b : a) text += ' ' + byte2hex(b);
  return text;
}

int32_t str2int(const std::string& s) {
  uint32_t value = 0;
  bool negative = false;
  for (char c : s) {
    if (c == '-') negative = true;
    if (c >= '0' && c <= '9') value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return static_cast<int32_t>(negative ? 0u - value : value);
}

bool str2range(const std::string& s, int32_t low, int32_t high, int32_t& value) {
  if (s.empty()) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = std::min<int64_t>(v * 10 + (c - '0'), int64_t{INT32_MAX} + 1);  // no wrap: stays too big
  }
  if (v < low || v > high) return false;
  value = static_cast<int32_t>(v);
  return true;
}

char* putlongnumber(char* p, int64_t n) { return std::to_chars(p, p + 20, n).ptr; }

int32_t vlqlength(int32_t v) {
  int32_t n = 1;
  while (v >= 128) {
    v >>= 7;
    n++;
  }
  return n;
}

int32_t countwords(const std::string& s) {
  int32_t n = 1;
  for (char c : s) n += c == ' ';
  return n;
}

std::string replaceall(const std::string& s, const std::string& pattern,
                       const std::string& replacement) {
  if (pattern.empty()) return s;
  // done holds the text up to the next character to look at and never holds the pattern;
  // a replacement goes back into the input, so whatever it forms with its neighbours is
  // found just as a new search from the start would find it.
  std::string done;
  std::string pending;  // replacement characters still to take, last one first
  done.reserve(s.size());
  size_t next = 0;
  while (!pending.empty() || next < s.size()) {
    if (pending.empty()) {
      done += s[next++];
    } else {
      done += pending.back();
      pending.pop_back();
    }
    if (done.size() >= pattern.size() &&
        done.compare(done.size() - pattern.size(), pattern.size(), pattern) == 0) {
      done.resize(done.size() - pattern.size());
      pending.append(replacement.rbegin(), replacement.rend());
    }
  }
  return done;
}

namespace {

// s cut after every separator; keep says whether the separator stays at the end of its piece.
lijst cutafter(const std::string& s, char separator, bool keep) {
  lijst pieces;
  size_t begin = 0;
  for (size_t i = 0; i < s.size(); i++) {
    if (s[i] != separator) continue;
    pieces.emplace_back(s, begin, i - begin + (keep ? 1 : 0));
    begin = i + 1;
  }
  pieces.emplace_back(s, begin);
  return pieces;
}

}  // namespace

lijst splitwords(const std::string& s) { return cutafter(s, ' ', false); }

lijst splitsyllables(const std::string& s) { return cutafter(s, '_', true); }

gegevens mergebytime(gegevens first, gegevens second) {
  gegevens result;
  result.reserve(first.size() + second.size());
  size_t i = 0;
  size_t j = 0;
  while (i < first.size() || j < second.size()) {
    // second goes first only when strictly earlier: that keeps the merge stable
    bool takeSecond = i == first.size() || (j < second.size() && second[j].time < first[i].time);
    result.push_back(std::move(takeSecond ? second[j++] : first[i++]));
  }
  return result;
}
