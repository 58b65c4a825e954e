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
