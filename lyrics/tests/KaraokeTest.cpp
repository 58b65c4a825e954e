#include <gtest/gtest.h>

#include <filesystem>

#include "Karaoke.h"
#include "TestKit.h"

namespace {

// A file of one track made from items "TICK KIND TEXT" parted by ";": KIND T a text (FF 01),
// L a Lyric (FF 05), N an event as hexadecimal bytes (a channel event with or without status).
bytes Song(const std::string& items) {
  bytes track;
  int64_t tick = 0;
  for (size_t begin = 0; begin <= items.size();) {
    size_t end = std::min(items.find(';', begin), items.size());
    std::string item = items.substr(begin, end - begin);
    begin = end + 1;
    size_t blank = item.find(' ');
    int64_t at = std::stoll(item.substr(0, blank));
    appendvarlen(static_cast<int32_t>(at - tick), track);
    tick = at;
    char kind = item[blank + 1];
    std::string text = item.substr(blank + 3);
    bytes event = kind == 'N' ? Hex(text) : TextEvent(kind == 'T' ? kTextType : kLyricType, text);
    track.insert(track.end(), event.begin(), event.end());
  }
  return SmfImage(0, 96, {bytes2hex(track) + " 00 FF 2F 00"});
}

// The texts and Lyric events of a file's tracks, as Song takes them; the other events apart, as
// the bytes that stand for them in the file (a status byte left out is left out here).
void Contents(const Midi& m, std::string& texts, std::string& others) {
  texts.clear();
  others.clear();
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t, const trackevent& e) {
    std::string tick = std::to_string(e.tick);
    if (e.event.IsMeta(kTextType) || e.event.IsMeta(kLyricType)) {
      bool text = e.event.IsMeta(kTextType);
      std::string t = MetaText(e.event, text ? kTextType : kLyricType);
      texts += (texts.empty() ? "" : ";") + tick + (text ? " T " : " L ") + t;
    } else if (!e.event.IsMeta(kEmptyType)) {
      const uint8_t* first = m.image.data() + e.at;
      others += tick + bytes2hex(bytes(first, e.event.rest + e.event.n)) + ";";
    }
  });
}

// in converted by kar2smf's rule (or smf2kar's, toKar), and the lines it prints.
Midi Converted(const bytes& in, bool toKar, bool both, std::string& printed) {
  Midi m, out;
  m.image = in;
  CoutCapture lines;
  losses lost;
  EXPECT_TRUE(RewriteTracks(
      m, out, [&](int32_t, const std::vector<trackevent>& events, std::vector<outevent>& made) {
        if (toKar) {
          LyricsToKar(events, both, {}, made, lost);
        } else {
          KarToLyrics(events, both, made, lost);
        }
      }));
  lost.Say();
  printed = lines.Text();
  return out;
}

}  // namespace

// Each row: a track of .kar texts and the same track in Lyric events, converted one way (kar:
// .kar to Lyric events, lyr: the other way) or both.
TEST(Karaoke, SyllablesBothWays) {
  const std::string held = "an empty Lyric (a held note) has no .kar form: left out";
  struct Case {
    std::string kar;
    std::string lyrics;
    std::string ways;  // "kar", "lyr" or "both"
    std::string printed;
    bool both = false;
  } cases[] = {
      // word starts, marks for lines and paragraphs, the mark before the blank
      {"0 T /Hel;96 T lo;192 T  my;288 T  dear", "0 L Hel;96 L lo ;192 L my ;288 L dear", "both",
       ""},
      {"0 T /One;96 T /Two;192 T \\Three;288 T / four",
       "0 L One;96 L \r;96 L Two;192 L \n;192 L Three ;288 L \r;288 L four", "both", ""},
      // a first "\" clears the screen, a first "/" only begins the lyrics
      {"0 T \\a;96 T b", "0 L \n;0 L a;96 L b", "both", ""},
      // texts before the first mark, and headers, stay texts
      {"0 T Description;0 T @LENGL;0 T /a;96 T @Tx;96 T  b",
       "0 T Description;0 T @LENGL;0 L a ;96 T @Tx;96 L b", "both", ""},
      // a blank the convention does not place
      {"0 T /a;96 T  b ", "0 L a ;96 L b ", "kar",
       "Tick 96: a syllable with blanks on both sides\n"},
      {"0 T /a;96 T  b ", "0 L a ;96 L b ", "lyr", ""},  // the last keeps its blank
      {"0 T /a;192 T b", "0 L a;96 L ;192 L b", "lyr", "Tick 96: " + held + "\n"},
      {"0 T //x", "0 L /x", "lyr",
       "Tick 0: a Lyric that begins with / or \\ reads as a mark in .kar\n"},
      // breaks: at the end of a syllable (MEV's "/"), apart, after the last
      {"0 T /a;96 T /b", "0 L a\r\n;96 L b\n", "lyr",
       "Tick 96: a line break after the last syllable has no .kar form: left out\n"},
      {"0 T /a;536870910 T /b", "0 L a;268435455 L \r;536870910 L b", "lyr",
       "Tick 268435455: a line break apart from its syllable goes to it\n"},
      // the other events keep their bytes, status bytes left out included
      {"0 N 90 3C 64;0 T /a;96 N 3C 00;96 T  b;96 N 90 3E 64",
       "0 N 90 3C 64;0 L a ;96 N 3C 00;96 L b;96 N 90 3E 64", "both", ""},
      {"0 T /a;96 T  b", "0 T /a;0 L a ;96 T  b;96 L b", "kar", "", true},
      {"0 L a ;0 T /a;96 L b;96 T  b", "0 L a ;96 L b", "lyr", "", true},
  };
  for (const Case& c : cases) {
    for (bool toKar : {false, true}) {
      if (c.ways == (toKar ? "kar" : "lyr")) continue;
      SCOPED_TRACE((toKar ? "to .kar: " : "to Lyric events: ") + c.kar);
      std::string printed, texts, others, wantTexts, wantOthers;
      Midi out = Converted(Song(toKar ? c.lyrics : c.kar), toKar, c.both, printed);
      Contents(out, texts, others);
      Midi want;
      want.image = Song(toKar ? c.kar : c.lyrics);
      Contents(want, wantTexts, wantOthers);
      EXPECT_EQ(texts, wantTexts);
      EXPECT_EQ(others, wantOthers);
      EXPECT_EQ(printed, c.printed);
    }
  }
}

// Every MIDI file of the repository that passes the check keeps its words, their ticks and its
// other events through either conversion and back.
TEST(Karaoke, RoundTripOfTheRepositorysFiles) {
  // the words: each syllable without marks, blanks and breaks at its ends, at its tick
  auto words = [](const Midi& m) {
    std::string list;
    ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t k, const trackevent& e) {
      std::string t = MetaText(e.event, kLyricType) + MetaText(e.event, kTextType);
      size_t b = t.find_first_not_of("/\\ \r\n");
      size_t end = t.find_last_not_of(" \r\n");
      if (b != std::string::npos && !t.starts_with('@')) {
        list +=
            std::to_string(k) + ":" + std::to_string(e.tick) + " " + t.substr(b, end + 1 - b) + ";";
      }
    });
    return list;
  };
  int32_t tried = 0;
  for (const char* folder : {"fuzz/corpus", "smf2mev/tests/files", "kar2smf/tests/files"}) {
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(SOURCE_DIR) + "/" + folder)) {
      if (!entry.is_regular_file()) continue;
      Midi m;
      m.image = ReadBytes(entry.path().string());
      conventions holds;
      bool ok;
      {
        CoutCapture quiet;
        checkfile(m, ok, Guards::AtTrackEnd, holds);
      }
      bool kar = holds.karSyllables > 0 && holds.lyrics == 0;
      if (!ok || (!kar && (holds.lyrics == 0 || holds.karSyllables > 0))) continue;
      SCOPED_TRACE(entry.path().string());
      tried++;
      std::string printed, texts, others, backTexts, backOthers;
      Midi there = Converted(m.image, !kar, false, printed);
      Midi back = Converted(there.image, kar, false, printed);
      Contents(m, texts, others);
      Contents(back, backTexts, backOthers);
      EXPECT_EQ(words(back), words(m));
      EXPECT_EQ(backOthers, others);
    }
  }
  EXPECT_GE(tried, 3);
}

// The lines of a track's words, each syllable as TICK:TEXT ("+" before a syllable that goes on
// a word), lines parted by " | ", and by " || " after a paragraph's end.
TEST(Karaoke, LinesOfWords) {
  struct Case {
    std::string track;
    std::string lines;
  } cases[] = {
      {"0 L Hel;96 L lo ;192 L my\r\n;288 L dear", "0:Hel 96:+lo 192:my | 288:dear"},
      {"0 L a;48 L \r;96 L b \n;192 L \n;288 L c", "0:a | 96:b || 288:c"},
      {"0 L a;96 L ;192 L b\r;288 L \r;384 L c\n", "0:a 192:+b | 384:c"},  // a held note
      {"0 T Description;0 T /Hel;96 T lo;192 T  my;288 T \\ dear;384 T @Tx",
       "0:Hel 96:+lo 192:my || 288:dear"},
      {"0 T /kle, ;96 T Twin;192 T /x\x01y", "0:kle, 96:Twin | 192:xy"},  // blanks at the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.track);
    Midi m;
    m.image = Song(c.track);
    std::vector<trackevent> events;
    ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t, const trackevent& e) { events.push_back(e); });
    std::string shown, after;
    for (const lyricline& line : LyricLines(events, c.track.find(" T ") != std::string::npos)) {
      for (const sungsyllable& s : line.syllables) {
        shown += after + std::to_string(s.tick) + ":" + (s.wordStart ? "" : "+") + s.text;
        after = " ";
      }
      after = line.paragraphEnd ? " || " : " | ";
    }
    EXPECT_EQ(shown, c.lines);
  }
}
