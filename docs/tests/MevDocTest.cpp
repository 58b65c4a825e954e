// Compiles every example of the MEV reference (docs/mev.md) and compares the result with what
// the page shows, so that the page cannot drift from the compiler.
//
// The page marks its examples with fenced blocks, named by the word after the opening
// backquotes:
//   mev     a whole MEV file, compiled with CompileMev. The next block is either
//             bytes   the MIDI file it becomes (CompileMev succeeds and prints nothing), or
//             output  the lines CompileMev prints: when a bytes block follows it, the
//                     warnings of a file that becomes those bytes; else the lines of a file
//                     it refuses.
//   lines   event lines, each encoded alone with EncodeEventLine. The next block is bytes, row
//           for row: the line's event, or "-" where the line makes no event.
//   bytes   pairs of hexadecimal digits between blanks; text after '#' is a note for the reader.
// Blocks of any other name are no examples. Lines are taken as they stand, trailing blanks
// included.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "Compiler.h"
#include "Files.h"
#include "MidiDoos.h"
#include "TestKit.h"
#include "TextMidi.h"

namespace {

struct block {
  std::string kind;  // the word after the opening backquotes
  int32_t line = 0;  // the page's line of the opening backquotes
  lijst text;        // the lines between the fences
};

// One example and its expected results (a block of kind "" where there is none), or the
// reason the page cannot be read as examples.
struct example {
  block source;
  block output;
  block bytes;
  std::string problem;
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

// Pairs every mev and lines block with the result blocks after it.
std::vector<example> ReadExamples() {
  std::string problem;
  std::vector<block> blocks = ReadBlocks(MEV_REFERENCE, problem);
  std::vector<example> examples;
  // one failing test for each line the page's problems concern
  auto complain = [&](int32_t line, const std::string& why) {
    for (const example& e : examples) {
      if (e.source.line == line) return;
    }
    examples.push_back({{"", line, {}}, {}, {}, why});
  };
  if (!problem.empty()) complain(0, problem);
  for (size_t i = 0; i < blocks.size(); i++) {
    const block& b = blocks[i];
    bool result = b.kind == "bytes" || b.kind == "output";
    if (b.kind == "mev" || b.kind == "lines") {
      const block* next = i + 1 < blocks.size() ? &blocks[i + 1] : nullptr;
      bool fits = next && (next->kind == "bytes" || (b.kind == "mev" && next->kind == "output"));
      if (!fits) {
        complain(b.line, "the example has no bytes or output block after it");
        continue;
      }
      if (b.kind == "lines" && next->text.size() != b.text.size()) {
        complain(b.line, "the bytes block has not one row for each line");
        i++;
        continue;
      }
      bool both = next->kind == "output" && i + 2 < blocks.size() && blocks[i + 2].kind == "bytes";
      if (next->kind == "output") {
        examples.push_back({b, *next, both ? blocks[i + 2] : block{}, ""});
      } else {
        examples.push_back({b, {}, *next, ""});
      }
      i += both ? 2 : 1;
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

class MevExample : public testing::TestWithParam<example> {};

TEST_P(MevExample, CompilesAsShown) {
  const example& e = GetParam();
  ASSERT_EQ(e.problem, "");
  if (e.source.kind == "lines") {
    for (size_t i = 0; i < e.source.text.size(); i++) {
      const std::string& line = e.source.text[i];
      SCOPED_TRACE("mev.md line " + std::to_string(e.source.line + 1 + i) + ": " + line);
      bool none;
      std::string bad;
      bytes expected = RowBytes(e.bytes.text[i], none, bad);
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
  EXPECT_EQ(out.Text(), Joined(e.output.text));
  if (e.bytes.kind.empty()) {
    EXPECT_FALSE(compiled);
    return;
  }
  bytes expected;
  for (const std::string& row : e.bytes.text) {
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
