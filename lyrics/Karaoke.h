#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Algemeen.h"
#include "Cursor.h"

// The two conventions of words in a MIDI file, and the way between them.
// .kar: the syllables are texts (FF 01); a blank at the start of a syllable begins a word, "/"
// at its start a new line and "\" a new paragraph; texts that begin with "@" are headers. A
// track's syllables begin at its first text that begins with "/" or "\".
// Lyric events (FF 05): one syllable an event; a blank at the end of a syllable ends a word,
// an event of only CR a new line and one of only LF a new paragraph, and an empty one holds
// the syllable before it.

// What one convention cannot say in the other, met while converting: a line for each kind,
// with the tick where it stands or, when it stands at several, their count and the first.
class losses {
 public:
  void Add(const std::string& what, int64_t tick);
  // Prints the lines, the kinds in the order first met.
  void Say() const;

 private:
  struct kind {
    std::string what;
    int64_t first;
    int64_t count;
  };
  std::vector<kind> kinds;
};

// One event of a track as a conversion writes it, at tick: the input event from (its place
// among the track's events) as it stands, or, when from is kMade, the event made.
constexpr size_t kMade = SIZE_MAX;
struct outevent {
  int64_t tick;
  size_t from;
  bytes made;
};

// What a file holds of the two conventions, gathered from the events of a walk in file order.
struct conventions {
  int64_t karSyllables = 0;  // .kar syllables
  int64_t lyrics = 0;        // Lyric events with a syllable (not empty, not only a break)
  int32_t lyricTrack = -1;   // the first track that holds such a Lyric event
  std::string title;         // the text of the first track's first name event (FF 03)
  bool karHeader = false;    // the first track holds a text "@K..." and "@V..."
  bool versionHeader = false;
  std::vector<bool> titled;                    // each track holds a text "@T..."
  std::vector<int64_t> trackLyrics, trackKar;  // the lyrics and .kar syllables of each track
  void operator()(int32_t k, const trackevent& e);

 private:
  int32_t track = -1;
  bool marked = false;  // the track's syllables have begun
  bool named = false;
};

// The track of a file's words: the one with most Lyric events, or, in a file without any, with
// most .kar syllables (the first of those with as many); -1 when there are none. kar tells
// which convention the words are in.
int32_t WordsTrack(const conventions& holds, bool& kar);
// Loads name into m and checks its structure, gathering what it holds into holds; false after
// the line saying why. With timed, as the programs that count time read files: an SMPTE
// division and type 0 with several tracks are taken, a division of 0 ticks a quarter note
// gets the check's line.
bool LoadWords(Midi& m, const std::string& name, conventions& holds, bool timed);
// text without its control bytes (below 20 hex, and 7F), as a line shows it.
std::string Shown(const std::string& text);

// One syllable of a line as it is sung: its tick, its text without marks, breaks, control
// bytes and the blanks that part words, and whether a word begins there.
struct sungsyllable {
  int64_t tick;
  std::string text;
  bool wordStart;
};
// A line of a song's words: its syllables, and whether a paragraph ends after it.
struct lyricline {
  std::vector<sungsyllable> syllables;
  bool paragraphEnd = false;
};
// The lines of a track's words, its events given: its Lyric events (a CR or LF event, or a
// syllable ending in CR, LF or CR LF, ends a line; LF a paragraph; an empty Lyric adds
// nothing), or with kar its .kar syllables (a "/" or "\" before a syllable ends the line before).
std::vector<lyricline> LyricLines(const std::vector<trackevent>& events, bool kar);
// A line's text: its syllables, a blank before each that begins a word but the first.
std::string LineText(const lyricline& line);

// A text meta event of type holding text.
bytes TextEvent(uint8_t type, const std::string& text);
// The text of a text meta event of type, as a string; "" for any other event.
std::string MetaText(const eventview& e, uint8_t type);
// The place of a track's first .kar syllable among its events, or the count of events.
size_t FirstKarSyllable(const std::vector<trackevent>& events);
// True for a .kar syllable of a track whose syllables begin at first: an FF 01 text at or after
// first that is no header.
bool IsKarSyllable(const std::vector<trackevent>& events, size_t first, size_t i);

// The events of a track, its .kar syllables made Lyric events at the same ticks: a syllable's
// leading blank goes to the end of the syllable before it, and its "/" or "\" becomes a Lyric
// event of CR or LF right before it ("/" on the track's first syllable only begins the
// lyrics, and makes none). With both, the texts stay too.
void KarToLyrics(const std::vector<trackevent>& events, bool both, std::vector<outevent>& out,
                 losses& lost);
// The events of a track, its Lyric events made .kar syllables at the same ticks, headers first
// at tick 0: a syllable's trailing blank goes to the start of the next (the track's last keeps
// it), a line break (a CR event, or a syllable ending in CR or CR LF) becomes "/" on the next
// syllable and a paragraph (LF) "\", before its blank; the track's first syllable gets "/"
// when it has no mark. With both, the Lyric events stay too.
void LyricsToKar(const std::vector<trackevent>& events, bool both,
                 const std::vector<bytes>& headers, std::vector<outevent>& out, losses& lost);

// The headers smf2kar adds where they are missing, for track k of a file that holds what holds
// says: "@KMIDI KARAOKE FILE" and "@V0100" in the first track, "@T" and the first track's name
// in the first track that holds lyrics.
std::vector<bytes> KarHeaders(const conventions& holds, int32_t k);
// Converts in, a file that passed the check and holds what holds says, into out: its .kar
// syllables into Lyric events, or with toKar the other way, headers added; false, after a line,
// when the file would reach 2 GB.
bool ConvertWords(const Midi& in, const conventions& holds, bool toKar, bool both, Midi& out,
                  losses& lost);

// The run of kar2smf (toKar false) and smf2kar (toKar true) on their arguments, named name
// and showing their usage text through showUsage: --both, the argument checks, the structure
// check, the refusals of a file with nothing to convert or with the other convention already
// (unless --both), the conversion, its notes and the output. Returns the exit status.
int RunWordsProgram(lijst args, const std::string& name, void (*showUsage)(), bool toKar);

// Makes the events of track k of a file, given its events, into out.
using trackconverter = std::function<void(int32_t k, const std::vector<trackevent>& events,
                                          std::vector<outevent>& out)>;
// Writes in, a file that passed the structure check, into out with every track made by
// convert: the input events kept have their bytes and status bytes, every event keeps its
// tick (a gap longer than a delta time is bridged by empty meta events), and bytes after the
// last track stay. False, after a line, when the file would reach 2 GB.
bool RewriteTracks(const Midi& in, Midi& out, const trackconverter& convert);
