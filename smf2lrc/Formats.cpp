#include "Formats.h"

#include <algorithm>
#include <cstdio>

#include "Files.h"

namespace {

// Two digits at least.
std::string Two(int64_t n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

// "mm:ss.xx" from hundredths; minutes may pass 99.
std::string LrcTime(int64_t h) {
  return Two(h / 6000) + ":" + Two(h / 100 % 60) + "." + Two(h % 100);
}

// "HH:MM:SS,mmm" from milliseconds.
std::string SrtTime(int64_t ms) {
  char rest[16];
  std::snprintf(rest, sizeof rest, ":%02d:%02d,%03d", static_cast<int>(ms / 60000 % 60),
                static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
  return Two(ms / 3600000) + rest;
}

// "H:MM:SS.cc" from hundredths.
std::string AssTime(int64_t h) {
  return std::to_string(h / 360000) + ":" + Two(h / 6000 % 60) + ":" + Two(h / 100 % 60) + "." +
         Two(h % 100);
}

// A line with its times in the format's units: each syllable's start, and the line's end.
struct timedline {
  std::vector<int64_t> starts;
  int64_t end;
};

std::vector<timedline> TimeLines(const std::vector<lyricline>& lines, const tempomap& map,
                                 const noteends& notes, int64_t units) {
  std::vector<timedline> timed(lines.size());
  for (size_t i = 0; i < lines.size(); i++) {
    for (const sungsyllable& s : lines[i].syllables)
      timed[i].starts.push_back(map.Time(s.tick, units));
  }
  for (size_t i = 0; i < lines.size(); i++) {
    bool next = i + 1 < lines.size();
    int64_t following = next ? timed[i + 1].starts[0] : 0;
    if (next && !lines[i].paragraphEnd) {
      timed[i].end = following;
      continue;
    }
    int64_t last = lines[i].syllables.back().tick;
    int64_t end = notes.LatestEnd(last);
    timed[i].end = end >= 0 ? map.Time(end, units) : timed[i].starts.back() + units;
    if (next) timed[i].end = std::min(timed[i].end, following);
  }
  return timed;
}

// The track of the words: the one named (from 1), or the one with most; -1 after a line when
// there is none.
int32_t ChooseTrack(const Midi& m, const conventions& holds, const std::string& named,
                    const std::string& name) {
  bool kar;
  int32_t track = WordsTrack(holds, kar);
  if (named.empty()) {
    if (track < 0) say("No lyrics in " + name);
    return track;
  }
  if (!checktrack(named, m.GetTrackCount(), track)) return -1;
  const std::vector<int64_t>& counts = kar ? holds.trackKar : holds.trackLyrics;
  if (static_cast<size_t>(track) >= counts.size() || counts[static_cast<size_t>(track)] == 0) {
    say("Track " + named + " has no lyrics");
    return -1;
  }
  return track;
}

}  // namespace

bool FormatOf(const std::string& name, lrcformat& format) {
  const std::pair<const char*, lrcformat> names[] = {{"lrc", lrcformat::Lrc},
                                                     {"elrc", lrcformat::Elrc},
                                                     {"srt", lrcformat::Srt},
                                                     {"ass", lrcformat::Ass}};
  for (const auto& [n, f] : names) {
    if (name == n) {
      format = f;
      return true;
    }
  }
  return false;
}

lrcformat FormatOfFile(const std::string& name) {
  size_t dot = name.rfind('.');
  std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  lrcformat format = lrcformat::Lrc;
  if (extension != "elrc") FormatOf(extension, format);
  return format;
}

noteends::noteends(const Midi& m, int32_t k) {
  int64_t last;
  for (const soundednote& n : SoundedNotes(m, k, last)) {
    if (n.ended) notes.push_back({n.start, n.end});  // by start already
  }
}

int64_t noteends::LatestEnd(int64_t tick) const {
  auto from =
      std::lower_bound(notes.begin(), notes.end(), std::pair<int64_t, int64_t>{tick, INT64_MIN});
  int64_t end = -1;
  for (auto i = from; i != notes.end() && i->first == tick; ++i) end = std::max(end, i->second);
  return end;
}

std::string TimedLyrics(lrcformat format, const std::vector<lyricline>& lines, const tempomap& map,
                        const noteends& notes, const std::string& title) {
  bool srt = format == lrcformat::Srt;
  std::vector<timedline> timed = TimeLines(lines, map, notes, srt ? 1000 : 100);
  std::string out;
  if (format == lrcformat::Ass) {
    out += "[Script Info]\n";
    if (!title.empty()) out += "Title: " + title + "\n";
    out +=
        "ScriptType: v4.00+\nPlayResX: 1280\nPlayResY: 720\nWrapStyle: 0\n\n"
        "[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
        "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
        "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
        // sung syllables turn yellow from white, swept as they are sung
        "Style: Default,Sans,56,&H0000FFFF,&H00FFFFFF,&H00000000,&H80000000,-1,0,0,0,100,100,"
        "0,0,1,3,1,2,40,40,60,1\n\n"
        "[Events]\n"
        "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
  } else if (!srt && !title.empty()) {
    out += "[ti:" + title + "]\n";
  }
  for (size_t i = 0; i < lines.size(); i++) {
    const lyricline& line = lines[i];
    const timedline& t = timed[i];
    switch (format) {
      case lrcformat::Lrc:
        out += "[" + LrcTime(t.starts[0]) + "]" + LineText(line) + "\n";
        break;
      case lrcformat::Elrc:
        out += "[" + LrcTime(t.starts[0]) + "]";
        for (size_t j = 0; j < line.syllables.size(); j++) {
          const sungsyllable& s = line.syllables[j];
          // a tag inside a word stands against its syllables, so the word stays whole
          out +=
              s.wordStart ? " <" + LrcTime(t.starts[j]) + "> " : "<" + LrcTime(t.starts[j]) + ">";
          out += s.text;
        }
        out += " <" + LrcTime(t.end) + ">\n";
        break;
      case lrcformat::Srt:
        out += std::to_string(i + 1) + "\n" + SrtTime(t.starts[0]) + " --> " + SrtTime(t.end) +
               "\n" + LineText(line) + "\n\n";
        break;
      case lrcformat::Ass:
        out += "Dialogue: 0," + AssTime(t.starts[0]) + "," + AssTime(t.end) + ",Default,,0,0,0,,";
        for (size_t j = 0; j < line.syllables.size(); j++) {
          // each syllable lasts to the next, the last to the line's end: the rounded times'
          // differences, so that they add up to the line exactly
          int64_t next = j + 1 < line.syllables.size() ? t.starts[j + 1] : t.end;
          bool blank = j + 1 < line.syllables.size() && line.syllables[j + 1].wordStart;
          out += "{\\kf" + std::to_string(next - t.starts[j]) + "}" + line.syllables[j].text +
                 (blank ? " " : "");
        }
        out += "\n";
        break;
    }
    // a paragraph's end: a line of only a time tag, when the last line is over
    if (line.paragraphEnd && i + 1 < lines.size() &&
        (format == lrcformat::Lrc || format == lrcformat::Elrc)) {
      out += "[" + LrcTime(t.end) + "]\n";
    }
  }
  return out;
}

bool TimedLyricsOf(const Midi& m, const conventions& holds, lrcformat format,
                   const std::string& track, const std::string& name, std::string& text) {
  int32_t k = ChooseTrack(m, holds, track, name);
  if (k < 0) return false;
  // a type-2 file's tracks are songs of their own, each with its tempo map
  int32_t own = m.GetMidiType() == 2 ? k : -1;
  tempomap map(m, own);
  if (!map.Counts()) {
    say("Division " + std::to_string(m.GetTicks()) + ": 0 ticks, no time can be counted");
    return false;
  }
  std::vector<trackevent> events;
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t t, const trackevent& e) {
    if (t == k) events.push_back(e);
  });
  std::string title = Shown(holds.title);
  text = TimedLyrics(format, LyricLines(events, holds.lyrics == 0), map, noteends(m, own), title);
  return true;
}
