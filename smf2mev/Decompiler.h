#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Algemeen.h"
#include "MidiDoos.h"

// Receives the MEV text one line at a time, without its line end.
using linesink = std::function<void(const std::string&)>;

// The MEV event line of one event, status byte first as the readers give it: the documented
// forms where they give back exactly these bytes, an X line for everything else.
std::string EventLine(const bytes& event);

// One time signature: from tick time on, numerator beats of 1/2^power notes make a bar.
struct meter {
  int64_t time;
  int32_t numerator;
  int32_t power;
};

// Says where a tick stands in the music, in bars and beats counted from 1, from the time
// signatures in force (4/4 before the first). A signature counts its bars and beats from
// where it stands: as the bar it is in when it stands less than a beat past that bar's line,
// else as the next bar.
class barcounter {
 public:
  // meters in time order; those that cannot count beats (numerator 0, a note shorter than a
  // 64th) are passed over.
  barcounter(const std::vector<meter>& meters, int32_t division);
  // Appends "bar B beat N", and " +T" with the ticks past the beat when t is not on one; t must not
  // be earlier than at the call before.
  void AddPlace(std::string& line, int64_t t);
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

// What the pieces of a lyric sheet put on a melody: before event index of track track
// (counted in the walk of that track, from 0), the line lyric.
struct placedline {
  int32_t track;
  size_t index;
  std::string line;
};

// Writes the MEV text of a file that passed CheckFile through put: the header line, then one
// section per track with its name, time lines with the place in the music, and event lines;
// placed lines (in walk order) go right before their events. Prints one line for what MEV
// cannot hold: chunks after the last track, and delta times above 0FFFFFFF hex.
void Decompile(Midi& m, const linesink& put, const std::vector<placedline>& placed = {});
