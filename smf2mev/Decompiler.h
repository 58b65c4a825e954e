#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Algemeen.h"
#include "Cursor.h"
#include "MidiDoos.h"
#include "Timing.h"
#include "TrackWriter.h"

// Receives the MEV text a block of whole lines at a time, each line ended by CR LF.
using textsink = std::function<void(const std::string&)>;

// One event of a file as the walk read it, kept to be looked at again without reading the
// bytes again: its first byte in the image, its delta time, the count of bytes after its
// status byte, and its status (a stray data byte: the byte).
struct keptevent {
  int32_t at;
  uint32_t delta;
  uint32_t n;
  uint8_t status;
};

// A switch of the way status bytes are written, before an event of a song.
struct wayswitch {
  size_t event;  // the event's place in song::events
  statusway way;
};

// Finds, event by event, the fewest way switches that make a track's status bytes come back as
// the file writes them. Each channel event allows the ways that write or leave out its status
// byte as the file does; the events are taken in runs that one way allows each, every run as
// long as it can be, and a run gets a switch, at its first event, unless the way in force
// allows it.
class wayfinder {
 public:
  // Starts a track whose first event will be event first of the song.
  void Begin(size_t first);
  // Takes event i, whose status byte the file writes or, for a channel event in running
  // status, leaves out (written).
  void Take(size_t i, uint8_t status, uint8_t firstData, bool written);
  // Ends the track.
  void End();

  std::vector<wayswitch> switches;  // every track's so far, in event order

 private:
  statusway inForce = statusway::Running;
  unsigned allowed = 0;  // the ways that every event of the run allows, as bits
  size_t start = 0;      // the run's first event
  uint8_t last = 0;      // the status of the track's last channel event
  bool between = false;  // another event came after it
};

// Every event of a file, read once in one walk, with what the MEV text needs besides: the
// tracks' names (the text of the first FF 03 before a track's first channel event) and time
// signatures.
struct song {
  std::vector<keptevent> events;   // track after track, each in its own order
  std::vector<size_t> firsts;      // where each track's events begin in events, and the end
  std::vector<std::string> names;  // without the bytes that would break the track line
  std::vector<std::vector<meter>> meters;
  std::vector<bool> named;  // a name was found, or a channel event came first
  wayfinder ways;           // the way switches of every track

  // Makes room for the events of an image of size bytes.
  void Reserve(size_t size);
  // Takes event e of track k; a walk hands over the events in file order.
  void operator()(int32_t k, const trackevent& e);
  // Ends the song once the walk of its file of tracks tracks is done.
  void Close(int32_t tracks);
  // Makes room for tracks 0 to tracks - 1; those without events yet begin where the events end.
  void Grow(size_t tracks);
  // The event i of m as it stands in the image.
  eventview View(const Midi& m, size_t i) const;

 private:
  size_t track = SIZE_MAX;  // the track of the last event taken
};
// Reads every event of m, a file that passed CheckFile, into a song.
song ReadSong(const Midi& m);

// The time signatures that count the bars of track k of m, read into s: in a type-1 file those
// of every track, else the track's own; in time order.
std::vector<meter> MetersOf(const Midi& m, const song& s, size_t k);
// Where tick of track k falls, as the remarks of time lines say it: "bar 6 beat 3", or
// "tick 480" where the division counts no quarter notes.
std::string PlaceOf(const Midi& m, const song& s, size_t k, int64_t tick);

// A line that goes right before an event of a song, a syllable placed on a note; or, with
// leaveOut, no line, and the event is left out (its time goes to the event after it).
struct placedline {
  size_t event;  // the event's place in song::events
  std::string line;
  bool leaveOut = false;
};

// Writes the MEV text of m, a file that passed CheckFile and was read into s, through put: the
// header line, then one section per track with its name, time lines with the place in the
// music, and event lines; placed lines (in the order of their events) go right before their
// events. Prints one line for what MEV cannot hold: chunks after the last track, and delta
// times above 0FFFFFFF hex. Events that placed lines leave out are not written.
void Decompile(const Midi& m, const song& s, const textsink& put,
               const std::vector<placedline>& placed = {});
