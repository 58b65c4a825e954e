// Compiles every example of the MEV reference (docs/mev.md) and compares the result with what
// the page shows, so that the page cannot drift from the compiler and the decompiler.
//
// The page marks its examples with fenced blocks, named by the word after the opening
// backquotes:
//   mev     a whole MEV file, compiled with CompileMev. The next block is one of
//             bytes   the MIDI file it becomes (CompileMev succeeds and prints nothing),
//             output  the lines CompileMev prints: when a bytes block follows it, the
//                     warnings of a file that becomes those bytes; else the lines of a file
//                     it refuses,
//             smf2mev the text smf2mev writes for the MIDI file it becomes (see below).
//   midi    a whole MIDI file, written like a bytes block. The next block is smf2mev.
//   lys     a lyric sheet, between a mev or midi block and its smf2mev block: smf2mev puts its
//           syllables on the melody. The words after lys are smf2mev's options and then the
//           TRACK and CH arguments, if any. The text then compiles, and decompiles to the same
//           text again. An output block instead of the smf2mev block: the lines smf2mev
//           prints when it refuses to place the sheet.
//   smf2mev the MEV text smf2mev writes for the file of the block before it: the file passes
//           CheckFile and Decompile gives these lines. An output block right after it holds
//           the lines both print; without one they must print nothing. The text then compiles
//           again: for a mev example into the very same bytes, for a midi example into a
//           file with the same header and the same events at the same ticks in every track.
//   lines   event lines, each encoded alone with EncodeEventLine. The next block is bytes, row
//           for row: the line's event, or "-" where the line makes no event.
//   smf2lrc the timed lyrics smf2lrc writes for the file of the mev or midi block before it;
//           the words after the block's name are the options (--format F).
//   kar2smf the MEV text smf2mev writes for the file of the mev or midi block before it once
//   smf2kar kar2smf (or smf2kar) has converted its words; the words after the block's name are
//           the options. An output block right after it holds the lines the conversion prints.
//   bytes   pairs of hexadecimal digits between blanks; text after '#' is a note for the reader.
// Blocks of any other name are no examples. Lines are taken as they stand, trailing blanks
// included.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "Compiler.h"
#include "Cursor.h"
#include "Decompiler.h"
#include "Files.h"
#include "Formats.h"
#include "Karaoke.h"
#include "Lyrics.h"
#include "Melody.h"
#include "MidiDoos.h"
#include "TestKit.h"
#include "TextMidi.h"

namespace {

struct block {
  std::string kind;  // the word after the opening backquotes
  int32_t line = 0;  // the page's line of the opening backquotes
  lijst text;        // the lines between the fences
};

// One example and its expected result (and, for smf2mev, the lines it prints), or the reason
// the page cannot be read as examples.
struct example {
  block source;
  block result;
  std::string problem;
  block printed;
  block sheet;
};

void PrintTo(const example& e, std::ostream* os) { *os << "mev.md:" << e.source.line; }

// The fenced blocks of the page in order; problem tells when the page cannot be read.
std::vector<block> ReadBlocks(const std::string& name, std::string& problem) {
  std::vector<block> blocks;
  textreader page;
  if (!page.Open(name)) {
    problem = name + ": cannot be read";
    return blocks;
  }
  std::string line;
  int32_t number = 0;
  bool inside = false;
  while (page.ReadLine(line)) {
    number++;
    bool fence = line.starts_with("```");
    if (fence && !inside) {
      blocks.push_back({line.substr(3), number, {}});
    } else if (fence) {
      if (line != "```") problem = "line " + std::to_string(number) + ": a fence inside a block";
    } else if (inside) {
      blocks.back().text.push_back(line);
    }
    inside = fence ? !inside : inside;
  }
  if (inside)
    problem = "the block of line " + std::to_string(blocks.back().line) + " is not closed";
  if (page.Failed()) problem = name + ": cannot be read";
  return blocks;
}

// Pairs every mev, midi and lines block with the result block after it, and an smf2mev result
// with the output block after that.
std::vector<example> ReadExamples() {
  std::string problem;
  std::vector<block> blocks = ReadBlocks(MEV_REFERENCE, problem);
  std::vector<example> examples;
  // one failing test for each line the page's problems concern
  auto complain = [&](int32_t line, const std::string& why) {
    for (const example& e : examples) {
      if (e.source.line == line) return;
    }
    examples.push_back({{"", line, {}}, {}, why, {}, {}});
  };
  if (!problem.empty()) complain(0, problem);
  for (size_t i = 0; i < blocks.size(); i++) {
    const block& b = blocks[i];
    auto words = [](const std::string& kind) {
      return kind.starts_with("kar2smf") || kind.starts_with("smf2kar") ||
             kind.starts_with("smf2lrc");
    };
    bool result = b.kind == "bytes" || b.kind == "output" || b.kind == "smf2mev" ||
                  b.kind.starts_with("lys") || words(b.kind);
    if (b.kind == "mev" || b.kind == "lines" || b.kind == "midi") {
      const block* next = i + 1 < blocks.size() ? &blocks[i + 1] : nullptr;
      std::string kind = next ? next->kind : "";
      bool sheet = kind.starts_with("lys");
      bool fits = b.kind == "mev" ? kind == "bytes" || kind == "output" || kind == "smf2mev" ||
                                        sheet || words(kind)
                  : b.kind == "lines" ? kind == "bytes"
                                      : kind == "smf2mev" || sheet || words(kind);
      if (!fits) {
        complain(b.line, "the example has no fitting result block after it");
        continue;
      }
      if (b.kind == "lines" && next->text.size() != b.text.size()) {
        complain(b.line, "the bytes block has not one row for each line");
        i++;
        continue;
      }
      examples.push_back({b, *next, "", {}, {}});
      i++;
      if (kind.starts_with("lys") && i + 1 < blocks.size() &&
          (blocks[i + 1].kind == "smf2mev" || blocks[i + 1].kind == "output")) {
        examples.back().sheet = examples.back().result;
        examples.back().result = blocks[++i];
      }
      // warnings, then the bytes of the file that still compiles
      if (kind == "output" && i + 1 < blocks.size() && blocks[i + 1].kind == "bytes") {
        examples.back().printed = examples.back().result;
        examples.back().result = blocks[++i];
      }
      if ((examples.back().result.kind == "smf2mev" || words(examples.back().result.kind)) &&
          i + 1 < blocks.size() && blocks[i + 1].kind == "output") {
        examples.back().printed = blocks[i + 1];
        i++;
      }
    } else if (result) {
      complain(b.line, "a " + b.kind + " block without an example before it");
    }
  }
  if (examples.empty()) complain(0, std::string("no examples in ") + MEV_REFERENCE);
  return examples;
}

// The bytes of one row of a bytes block; none is true for the row "-" (no event). A row that
// is neither pairs of hex digits nor "-" puts its text into bad.
bytes RowBytes(const std::string& row, bool& none, std::string& bad) {
  std::string text = row.substr(0, row.find('#'));
  bytes out;
  none = false;
  lijst tokens;
  for (const std::string& token : splitwords(text)) {
    if (!token.empty()) tokens.push_back(token);
  }
  if (tokens == lijst{"-"}) {
    none = true;
    return out;
  }
  for (const std::string& token : tokens) {
    if (token.size() != 2 || !ishex(token[0]) || !ishex(token[1])) {
      bad = row;
      return out;
    }
    out.push_back(static_cast<uint8_t>(hex2half(token[0]) << 4 | hex2half(token[1])));
  }
  return out;
}

std::string Joined(const lijst& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The bytes of a whole bytes or midi block; bad holds a row that is no hex and no event.
bytes BlockBytes(const block& b, std::string& bad) {
  bytes all;
  for (const std::string& row : b.text) {
    bool none;
    bytes part = RowBytes(row, none, bad);
    if (none) bad = row;
    if (!bad.empty()) return {};
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

// Every event of the file, one line each: track, tick and bytes (a stray data byte as itself).
std::string EventList(const Midi& m) {
  std::string list;
  ForEachEvent(m, Guards::AtTrackEnd, [&](int32_t k, const trackevent& e) {
    list += "track " + std::to_string(k + 1) + " at " + std::to_string(e.tick) + ": " +
            bytes2hex(e.event.Bytes()) + "\n";
  });
  return list;
}

// The lines of a MEV text.
lijst TextLines(const std::string& text) {
  lijst lines;
  for (size_t begin = 0, end; begin < text.size(); begin = end + 2) {
    end = text.find("\r\n", begin);
    lines.push_back(text.substr(begin, end - begin));
  }
  return lines;
}

// Checks an smf2mev example: the decompiled text, the printed lines, and the file the text
// compiles into again.
void CheckDecompiled(const example& e) {
  Midi m;
  if (e.source.kind == "mev") {
    textreader in;
    in.OpenText(Joined(e.source.text));
    CoutCapture out;
    ASSERT_TRUE(CompileMev(in, m));
    ASSERT_EQ(out.Text(), "");
  } else {
    std::string bad;
    m.image = BlockBytes(e.source, bad);
    ASSERT_EQ(bad, "") << "not hexadecimal";
  }
  CoutCapture out;
  bool ok;
  m.CheckFile(ok);
  ASSERT_TRUE(ok) << out.Text();
  song s = ReadSong(m);
  std::vector<placedline> placed;
  if (!e.sheet.kind.empty()) {
    lijst args = splitwords(e.sheet.kind);  // "lys", the options, then TRACK and CH
    placing p;
    size_t a = 1;
    for (; a < args.size() && args[a].starts_with("--"); a++) {
      if (args[a] == "--replace") p.replace = true;
      if (args[a] == "--tolerance") p.tolerance = str2int(args[++a]);
      if (args[a] == "--verse") p.verse = args[++a];
    }
    if (a < args.size()) p.track = str2int(args[a]) - 1;
    if (a + 1 < args.size()) p.channel = str2int(args[a + 1]);
    auto read = [&](std::vector<lijst>& verses) {
      sheetverses sheet;
      for (const std::string& line : e.sheet.text) sheet.Add(line);
      verses = sheet.verses;
      return true;
    };
    bool placedWell = PlaceSheet(m, s, p, read, placed);
    if (e.result.kind == "output") {  // refused: only the lines printed
      EXPECT_FALSE(placedWell);
      EXPECT_EQ(out.Text(), Joined(e.result.text));
      return;
    }
    ASSERT_TRUE(placedWell) << out.Text();
  }
  std::string whole;
  Decompile(
      m, s, [&](const std::string& block) { whole += block; }, placed);
  lijst text = TextLines(whole);
  EXPECT_EQ(Joined(text), Joined(e.result.text));
  EXPECT_EQ(out.Text(), Joined(e.printed.text));

  textreader again;
  again.OpenText(Joined(text));
  Midi back;
  ASSERT_TRUE(CompileMev(again, back)) << "the text does not compile";
  if (!placed.empty()) {
    std::string twice;
    Decompile(back, ReadSong(back), [&](const std::string& block) { twice += block; });
    EXPECT_EQ(twice, whole) << "the text with lyrics comes back other";
    return;
  }
  if (e.source.kind == "mev") {
    EXPECT_EQ(bytes2hex(back.image), bytes2hex(m.image)) << "not the same bytes again";
    return;
  }
  EXPECT_EQ(bytes2hex(bytes(back.image.begin(), back.image.begin() + kHeaderSize)),
            bytes2hex(bytes(m.image.begin(), m.image.begin() + kHeaderSize)));
  EXPECT_EQ(EventList(back), EventList(m));
}

// Checks a kar2smf or smf2kar example: the text of the converted file and the lines printed.
void CheckConverted(const example& e) {
  Midi m;
  std::string bad;
  if (e.source.kind == "mev") {
    textreader in;
    in.OpenText(Joined(e.source.text));
    CoutCapture out;
    ASSERT_TRUE(CompileMev(in, m)) << out.Text();
  } else {
    m.image = BlockBytes(e.source, bad);
    ASSERT_EQ(bad, "") << "not hexadecimal";
  }
  CoutCapture out;
  conventions holds;
  bool ok;
  checkfile(m, ok, Guards::AtTrackEnd, holds, headerrule::Written);
  ASSERT_TRUE(ok) << out.Text();
  lijst args = splitwords(e.result.kind);  // the program, then its options
  if (args[0] == "smf2lrc") {
    lrcformat format = lrcformat::Lrc;
    ASSERT_TRUE(args.size() < 3 || FormatOf(args[2], format)) << e.result.kind;
    std::string text;
    ASSERT_TRUE(TimedLyricsOf(m, holds, format, "", "song.mid", text));
    EXPECT_EQ(text, Joined(e.result.text));
    EXPECT_EQ(out.Text(), Joined(e.printed.text));
    return;
  }
  Midi converted;
  losses lost;
  ASSERT_TRUE(ConvertWords(m, holds, args[0] == "smf2kar", args.size() > 1, converted, lost));
  lost.Say();
  std::string text;
  Decompile(converted, ReadSong(converted), [&](const std::string& block) { text += block; });
  EXPECT_EQ(Joined(TextLines(text)), Joined(e.result.text));
  EXPECT_EQ(out.Text(), Joined(e.printed.text));
}

class MevExample : public testing::TestWithParam<example> {};

TEST_P(MevExample, CompilesAsShown) {
  const example& e = GetParam();
  ASSERT_EQ(e.problem, "");
  if (e.result.kind == "smf2mev" || !e.sheet.kind.empty()) {
    CheckDecompiled(e);
    return;
  }
  if (e.result.kind.starts_with("kar2smf") || e.result.kind.starts_with("smf2kar") ||
      e.result.kind.starts_with("smf2lrc")) {
    CheckConverted(e);
    return;
  }
  if (e.source.kind == "lines") {
    for (size_t i = 0; i < e.source.text.size(); i++) {
      const std::string& line = e.source.text[i];
      SCOPED_TRACE("mev.md line " + std::to_string(e.source.line + 1 + i) + ": " + line);
      bool none;
      std::string bad;
      bytes expected = RowBytes(e.result.text[i], none, bad);
      ASSERT_EQ(bad, "") << "not hexadecimal";
      bytes event = EncodeEventLine(line);
      if (none) {
        EXPECT_EQ(bytes2hex(event), "") << "the line makes an event";
      } else {
        EXPECT_FALSE(expected.empty()) << "an empty row: write - for no event";
        EXPECT_EQ(bytes2hex(event), bytes2hex(expected));
      }
    }
    return;
  }
  textreader in;
  in.OpenText(Joined(e.source.text));
  Midi m;
  CoutCapture out;
  bool compiled = CompileMev(in, m);
  if (e.result.kind == "output") {
    EXPECT_FALSE(compiled);
    EXPECT_EQ(out.Text(), Joined(e.result.text));
    return;
  }
  EXPECT_EQ(out.Text(), Joined(e.printed.text));
  bytes expected;
  for (const std::string& row : e.result.text) {
    bool none;
    std::string bad;
    bytes part = RowBytes(row, none, bad);
    ASSERT_EQ(bad, "") << "not hexadecimal";
    ASSERT_FALSE(none) << "- stands only for a refused event line";
    expected.insert(expected.end(), part.begin(), part.end());
  }
  EXPECT_TRUE(compiled);
  EXPECT_EQ(bytes2hex(m.image), bytes2hex(expected));
}

// each test is named after the page's line where its example begins
INSTANTIATE_TEST_SUITE_P(docs, MevExample, testing::ValuesIn(ReadExamples()),
                         [](const testing::TestParamInfo<example>& p) {
                           return std::to_string(p.param.source.line);
                         });

}  // namespace
