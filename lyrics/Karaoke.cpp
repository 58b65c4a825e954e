#include "Karaoke.h"

#include <algorithm>

#include "Files.h"
#include "TrackWriter.h"

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

bool IsMark(char c) { return c == '/' || c == '\\'; }

// A .kar syllable taken apart: its mark ("/", "\" or none), whether a blank begins a word
// there, and the rest; the mark and the blank may stand in either order.
struct karsyllable {
  char mark = 0;
  bool blank = false;
  std::string text;
};

karsyllable TakeApart(const std::string& t) {
  karsyllable s;
  size_t p = 0;
  for (int round = 0; round < 2 && p < t.size(); round++) {
    if (!s.mark && IsMark(t[p])) {
      s.mark = t[p++];
    } else if (!s.blank && t[p] == ' ') {
      s.blank = true;
      p++;
    }
  }
  s.text = t.substr(p);
  return s;
}

// Takes a line break off the end of a Lyric's text: "/" for CR or CR LF, "\" for LF, or 0.
char TakeBreak(std::string& text) {
  if (text.ends_with("\r\n")) {
    text.resize(text.size() - 2);
    return '/';
  }
  if (text.ends_with('\r') || text.ends_with('\n')) {
    char mark = text.back() == '\r' ? '/' : '\\';
    text.pop_back();
    return mark;
  }
  return 0;
}

}  // namespace

bytes TextEvent(uint8_t type, const std::string& text) {
  bytes event = {kMeta, type};
  appendvarlen(static_cast<int32_t>(text.size()), event);
  event.insert(event.end(), text.begin(), text.end());
  return event;
}

void conventions::operator()(int32_t k, const trackevent& e) {
  size_t t = static_cast<size_t>(k);
  if (k != track) {
    track = k;
    marked = false;
    titled.resize(t + 1, false);
    trackLyrics.resize(t + 1, 0);
    trackKar.resize(t + 1, 0);
  }
  if (e.event.status != kMeta) return;
  std::string text = MetaText(e.event, kTextType);
  if (!text.empty()) {
    marked = marked || IsMark(text[0]);
    if (text[0] == '@') {
      karHeader = karHeader || (k == 0 && text.starts_with("@K"));
      versionHeader = versionHeader || (k == 0 && text.starts_with("@V"));
      titled[static_cast<size_t>(k)] = titled[static_cast<size_t>(k)] || text.starts_with("@T");
    } else if (marked) {
      karSyllables++;
      trackKar[t]++;
    }
  }
  text = MetaText(e.event, kLyricType);
  TakeBreak(text);
  if (!text.empty()) {
    lyrics++;
    trackLyrics[t]++;
    if (lyricTrack < 0) lyricTrack = k;
  }
  if (k == 0 && !named && e.event.IsMeta(kTrackNameType)) {
    title = MetaText(e.event, kTrackNameType);
    named = true;
  }
}

void losses::Add(const std::string& what, int64_t tick) {
  for (kind& k : kinds) {
    if (k.what == what) {
      k.count++;
      return;
    }
  }
  kinds.push_back({what, tick, 1});
}

void losses::Say() const {
  for (const kind& k : kinds) {
    say(k.count == 1 ? "Tick " + Num(k.first) + ": " + k.what
                     : Num(k.count) + " times from tick " + Num(k.first) + ": " + k.what);
  }
}

std::string MetaText(const eventview& e, uint8_t type) {
  if (!e.IsMeta(type)) return "";
  return std::string(e.rest + e.DataStart(), e.rest + e.n);
}

size_t FirstKarSyllable(const std::vector<trackevent>& events) {
  for (size_t i = 0; i < events.size(); i++) {
    std::string text = MetaText(events[i].event, kTextType);
    if (!text.empty() && IsMark(text[0])) return i;
  }
  return events.size();
}

bool IsKarSyllable(const std::vector<trackevent>& events, size_t first, size_t i) {
  return i >= first && events[i].event.IsMeta(kTextType) &&
         !MetaText(events[i].event, kTextType).starts_with('@');
}

void KarToLyrics(const std::vector<trackevent>& events, bool both, std::vector<outevent>& out,
                 losses& lost) {
  size_t first = FirstKarSyllable(events);
  // the syllables taken apart first: whether the next one begins a word decides the blank at
  // the end of each
  std::vector<size_t> places;
  std::vector<karsyllable> syllables;
  for (size_t i = first; i < events.size(); i++) {
    if (!IsKarSyllable(events, first, i)) continue;
    places.push_back(i);
    syllables.push_back(TakeApart(MetaText(events[i].event, kTextType)));
  }
  size_t next = 0;
  for (size_t i = 0; i < events.size(); i++) {
    int64_t tick = events[i].tick;
    if (next == syllables.size() || places[next] != i) {
      out.push_back({tick, i, {}});
      continue;
    }
    const karsyllable& s = syllables[next];
    if (both) out.push_back({tick, i, {}});
    // "/" on the first syllable only begins the lyrics; "\" there clears the screen
    if (s.mark == '\\' || (s.mark && next > 0)) {
      out.push_back({tick, kMade, TextEvent(kLyricType, s.mark == '/' ? "\r" : "\n")});
    }
    if (s.blank && s.text.ends_with(' ')) lost.Add("a syllable with blanks on both sides", tick);
    std::string text = s.text;
    next++;
    if (next < syllables.size() && syllables[next].blank) text += ' ';
    // an empty Lyric would hold the syllable before it: a text of a mark alone makes none
    if (!text.empty()) out.push_back({tick, kMade, TextEvent(kLyricType, text)});
  }
}

void LyricsToKar(const std::vector<trackevent>& events, bool both,
                 const std::vector<bytes>& headers, std::vector<outevent>& out, losses& lost) {
  for (const bytes& h : headers) out.push_back({0, kMade, h});
  // the last syllable keeps its trailing blank: nothing follows it to take it
  size_t last = events.size();
  for (size_t i = 0; i < events.size(); i++) {
    std::string text = MetaText(events[i].event, kLyricType);
    TakeBreak(text);
    if (!text.empty()) last = i;
  }
  char mark = 0;           // the break before the next syllable
  int64_t markTick = -1;   // where a break event of its own stood
  bool wordStart = false;  // the syllable before ended a word
  bool firstSyllable = true;
  for (size_t i = 0; i < events.size(); i++) {
    const trackevent& e = events[i];
    if (!e.event.IsMeta(kLyricType)) {
      out.push_back({e.tick, i, {}});
      continue;
    }
    if (both) out.push_back({e.tick, i, {}});
    std::string text = MetaText(e.event, kLyricType);
    std::string alone = text;
    char own = TakeBreak(alone);
    if (own && alone.empty()) {  // a break of its own: a mark on the next syllable
      if (mark != '\\') mark = own;
      markTick = e.tick;
      continue;
    }
    if (text.empty()) {
      lost.Add("an empty Lyric (a held note) has no .kar form: left out", e.tick);
      continue;
    }
    if (mark && markTick >= 0 && markTick != e.tick) {
      lost.Add("a line break apart from its syllable goes to it", markTick);
    }
    char after = TakeBreak(text);
    if (IsMark(text[0]))
      lost.Add("a Lyric that begins with / or \\ reads as a mark in .kar", e.tick);
    bool end = text.ends_with(' ');
    if (end && text[0] == ' ') lost.Add("a syllable with blanks on both sides", e.tick);
    if (end && i != last) text.pop_back();
    if (firstSyllable && !mark) mark = '/';  // a .kar's syllables begin at a marked text
    std::string kar = mark ? std::string(1, mark) : "";
    if (wordStart) kar += ' ';
    out.push_back({e.tick, kMade, TextEvent(kTextType, kar + text)});
    mark = after;
    markTick = -1;  // a break that ends a syllable goes to the next as a matter of course
    wordStart = end && i != last;
    firstSyllable = false;
  }
  if (mark && !firstSyllable) {
    lost.Add("a line break after the last syllable has no .kar form: left out",
             markTick >= 0 ? markTick : events[last].tick);
  }
}

bool RewriteTracks(const Midi& in, Midi& out, const trackconverter& convert) {
  trackwriter w(out, in.image.size() + 4096);
  chunkcursor chunks(in);
  chunk c;
  uint8_t status = 0;  // a track's data bytes before its first status run on the one before
  std::vector<trackevent> events;
  std::vector<outevent> made;
  int32_t tracks = in.GetTrackCount();
  for (int32_t k = 0; k < tracks && chunks.Next(c); k++) {
    trackcursor track(in, c, status);
    events.clear();
    trackevent e;
    while (track.Next(e)) events.push_back(e);
    status = track.status;
    made.clear();
    convert(k, events, made);
    w.BeginTrack();
    for (const outevent& o : made) {
      eventview v = o.from == kMade ? eventview{o.made[0], o.made.data() + 1, o.made.size() - 1}
                                    : events[o.from].event;
      // a kept channel event has its status byte where the input has it: right before its
      // data, where the input leaves it out the last byte of the delta time, below 80 hex
      if (o.from != kMade && IsChannelStatus(v.status) && v.n > 0) {
        w.Way(v.rest[-1] >= 0x80 ? statusway::Every : statusway::Across);
      }
      if (!w.EventAt(o.tick, v)) {
        say("MidiFile would reach 2 GB");
        return false;
      }
    }
    if (!w.EndTrack()) {
      say("MidiFile would reach 2 GB");
      return false;
    }
  }
  w.Finish(static_cast<uint8_t>(in.GetMidiType()), static_cast<uint16_t>(tracks),
           static_cast<uint16_t>(in.GetTicks()));
  // bytes after the last track stay
  if (chunks.pos < static_cast<int64_t>(in.image.size())) {
    out.image.insert(out.image.end(), in.image.begin() + chunks.pos, in.image.end());
  }
  return true;
}

std::vector<bytes> KarHeaders(const conventions& holds, int32_t k) {
  std::vector<bytes> headers;
  if (k == 0 && !holds.karHeader) headers.push_back(TextEvent(kTextType, "@KMIDI KARAOKE FILE"));
  if (k == 0 && !holds.versionHeader) headers.push_back(TextEvent(kTextType, "@V0100"));
  size_t t = static_cast<size_t>(k);
  if (k == holds.lyricTrack && !holds.title.empty() && !holds.titled[t]) {
    // a name written as a title header already stays as it is
    const std::string& title = holds.title;
    headers.push_back(TextEvent(kTextType, title.starts_with("@T") ? title : "@T" + title));
  }
  return headers;
}

bool ConvertWords(const Midi& in, const conventions& holds, bool toKar, bool both, Midi& out,
                  losses& lost) {
  return RewriteTracks(
      in, out, [&](int32_t k, const std::vector<trackevent>& events, std::vector<outevent>& made) {
        if (toKar) {
          LyricsToKar(events, both, KarHeaders(holds, k), made, lost);
        } else {
          KarToLyrics(events, both, made, lost);
        }
      });
}

int32_t WordsTrack(const conventions& holds, bool& kar) {
  kar = holds.lyrics == 0;
  const std::vector<int64_t>& counts = kar ? holds.trackKar : holds.trackLyrics;
  auto most = std::max_element(counts.begin(), counts.end());
  return most == counts.end() || *most == 0 ? -1 : static_cast<int32_t>(most - counts.begin());
}

bool LoadWords(Midi& m, const std::string& name, conventions& holds, bool timed) {
  if (!loadfile(m, name)) return false;
  bool ok;
  bool counts = timed && m.image.size() > kHeaderSize && m.GetTicks() != 0;
  checkfile(m, ok, Guards::AtTrackEnd, holds, counts ? headerrule::Written : headerrule::Strict);
  return ok;
}

std::string Shown(const std::string& text) {
  std::string shown;
  for (char c : text) {
    if (static_cast<uint8_t>(c) >= 0x20 && c != 0x7F) shown += c;
  }
  return shown;
}

int RunWordsProgram(lijst args, const std::string& name, void (*showUsage)(), bool toKar) {
  bool both = !args.empty() && args[0] == "--both";
  if (both) args.erase(args.begin());
  int status;
  if (!checkarguments(args, 2, name, showUsage, status) ||
      !checkinput(args[0], ": does Not exist")) {
    return status;
  }
  Midi in;
  conventions holds;
  if (!LoadWords(in, args[0], holds, false)) return 1;
  int64_t words = toKar ? holds.lyrics : holds.karSyllables;
  int64_t others = toKar ? holds.karSyllables : holds.lyrics;
  if (words == 0) {
    say((toKar ? "No lyrics in " : "No karaoke texts in ") + args[0]);
    return 1;
  }
  if (others > 0 && !both) {
    say(args[0] + (toKar ? " holds karaoke texts" : " holds Lyric events") +
        " already: --both adds these to them");
    return 1;
  }
  Midi out;
  losses lost;
  if (!ConvertWords(in, holds, toKar, both, out, lost)) return 1;
  lost.Say();
  return out.SaveToFile(args[1]) ? 0 : 1;
}

namespace {

// Adds a syllable to the last line: its text without control bytes and without the blanks at
// its ends, which part words; false when nothing is left of it.
bool AddSyllable(std::vector<lyricline>& lines, int64_t tick, const std::string& text,
                 bool wordStart) {
  std::string shown = Shown(text);
  size_t begin = shown.find_first_not_of(' ');
  if (begin == std::string::npos) return false;
  shown = shown.substr(begin, shown.find_last_not_of(' ') + 1 - begin);
  if (lines.empty()) lines.emplace_back();
  lyricline& line = lines.back();
  line.syllables.push_back({tick, shown, wordStart || begin > 0 || line.syllables.empty()});
  return true;
}

// Ends the last line at a break: mark "\" ends a paragraph too.
void EndLine(std::vector<lyricline>& lines, char mark) {
  if (lines.empty()) return;
  if (!lines.back().syllables.empty()) lines.emplace_back();
  // the line ended is the one before the new, empty one
  if (mark == '\\' && lines.size() >= 2) lines[lines.size() - 2].paragraphEnd = true;
}

}  // namespace

std::vector<lyricline> LyricLines(const std::vector<trackevent>& events, bool kar) {
  std::vector<lyricline> lines;
  bool wordStart = true;  // the syllable before ended a word
  size_t first = kar ? FirstKarSyllable(events) : 0;
  for (size_t i = 0; i < events.size(); i++) {
    const trackevent& e = events[i];
    if (kar) {
      if (!IsKarSyllable(events, first, i)) continue;
      karsyllable s = TakeApart(MetaText(e.event, kTextType));
      if (s.mark) EndLine(lines, s.mark);
      if (AddSyllable(lines, e.tick, s.text, s.blank || wordStart)) {
        wordStart = s.text.ends_with(' ');
      }
      continue;
    }
    if (!e.event.IsMeta(kLyricType)) continue;
    std::string text = MetaText(e.event, kLyricType);
    char mark = TakeBreak(text);
    if (AddSyllable(lines, e.tick, text, wordStart)) wordStart = text.ends_with(' ');
    if (mark) {
      EndLine(lines, mark);
      wordStart = true;
    }
  }
  if (!lines.empty() && lines.back().syllables.empty()) lines.pop_back();
  return lines;
}

std::string LineText(const lyricline& line) {
  std::string text;
  for (const sungsyllable& s : line.syllables) {
    if (s.wordStart && !text.empty()) text += ' ';
    text += s.text;
  }
  return text;
}
