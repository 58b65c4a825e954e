#include <gtest/gtest.h>

#include "TestKit.h"

namespace {

const CommandLine kLys2mev = {
    PROGRAM,
    Lines({"LYS2MEV", "", "Converts Lyricsheet to Midi Text", "", "Syntax: [program] [ITF] [OTF]",
           "", "ITF = name of Input TextFile (LYS)", "OTF = name of Output TextFile (MEV)"}),
    ": does Not exist",
    {},
    "MEV"};

// The MEV file lys2mev writes for these pieces, CR LF line ends.
bytes Mev(const lijst& pieces) {
  std::string text = "File 0 (1) 120\r\nTrack #1\r\n";
  for (const std::string& p : pieces) text += "0\r\nMeta $05(Lyric) " + p + "\r\n";
  text += "0\r\nMeta $05(Lyric)\r\n0\r\nMeta $2F(TrkEnd)\r\n";
  return bytes(text.begin(), text.end());
}

}  // namespace

TEST(lys2mev, SharedCommandLineRules) {
  std::string sheet = "la_la land\n";
  ExpectCommandLine(kLys2mev, bytes(sheet.begin(), sheet.end()), Mev({"la_", "la", "land"}));
}

TEST(lys2mev, SheetsToMev) {
  const std::string word(1 << 20, 'w');
  struct Case {
    std::string sheet;
    lijst pieces;
  } cases[] = {
      {"", {}},
      {"Sun ny_morn ing_on_the_hill", {"Sun", "ny_", "morn", "ing_", "on_", "the_", "hill"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"\n", {""}},
      {" a  b_", {"", "a", "", "b_", ""}},          // every piece a line, empty ones too
      {"Hel-lo/ wor\\ld", {"Hel-lo/", "wor\\ld"}},  // no escapes
      {"x\ry\nz\x1Ajunk", {"xy", "z"}},
      {"\xE9t\xE9", {"\xE9t\xE9"}},
      {word + " " + word, {word, word}},  // long, and no line end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.sheet.substr(0, 40)));
    ExpectConverted(kLys2mev, bytes(c.sheet.begin(), c.sheet.end()), "", Mev(c.pieces));
  }
}
