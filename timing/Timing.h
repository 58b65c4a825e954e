#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Cursor.h"

// One time signature: from tick time on, numerator beats of 1/2^power notes make a bar.
struct meter {
  int64_t time;
  int32_t numerator;
  int32_t power;
};

// The time signature that e, at tick, sets: false when e is no time signature (FF 58 with at
// least its two first data bytes).
bool MeterOf(const eventview& e, int64_t tick, meter& m);

// Says where a tick stands in the music, in bars and beats counted from 1, from the time
// signatures in force (4/4 before the first). A signature counts its bars and beats from
// where it stands: as the bar it is in when it stands less than a beat past that bar's line,
// else as the next bar.
class barcounter {
 public:
  // meters in time order; those that cannot count beats (numerator 0, a note shorter than a
  // 64th) are passed over.
  barcounter(const std::vector<meter>& meters, int32_t division);
  // Writes "bar B beat N", and " +T" with the ticks past the beat when t is not on one, at p:
  // at most 80 characters. Returns the end. t must not be earlier than at the call before.
  char* PutPlace(char* p, int64_t t);
  // Starts counting again from tick 0, for the next track.
  void Restart() { current = 0; }
  // Bar b (from 1) as the remarks count it: the tick where it begins, its beats, and the ticks
  // of a beat (a fraction of a tick for a short beat at a small division).
  struct barspan {
    double start;
    int32_t beats;
    double beat;
  };
  barspan Bar(int64_t b) const;

 private:
  struct segment {
    int64_t start;
    int64_t bar;
    int32_t beats;
    int32_t power;
  };
  std::vector<segment> segments;
  size_t current = 0;
  int64_t whole;  // the ticks of a whole note
};

// A 128-bit integer: a sum of ticks times microseconds can pass 2^64 in files made to break
// readers (2^42 ticks at the slowest tempo).
__extension__ typedef __int128 wide;

// The times of ticks from a file's tempo map: the tempo (microseconds a quarter note) of every
// Set Tempo event, 500000 before the first; or, for an SMPTE division, frames a second and
// ticks a frame. Exact: integer ticks and microseconds throughout, rounded once.
class tempomap {
 public:
  // The map of m: the Set Tempo events of every track, or of track k alone when k >= 0 (for a
  // type-2 file, whose tracks are songs of their own). A division of 0 ticks (a quarter note
  // or a frame) counts no time: Counts() is false then.
  tempomap(const Midi& m, int32_t k = -1);
  bool Counts() const { return per > 0; }
  // The time of tick in units of 1/units second (100 for hundredths, 1000 for milliseconds),
  // rounded to the nearest, halves up.
  int64_t Time(int64_t tick, int64_t units) const;

 private:
  std::vector<int64_t> starts;  // the tick where each tempo begins, the first 0
  std::vector<int64_t> tempos;  // microseconds a quarter note (SMPTE: the ticks' own factor)
  std::vector<wide> before;     // the sum of ticks times tempo up to each start
  wide per = 0;                 // the sum's units in a second
};
