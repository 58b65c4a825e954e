#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestKit.h"

namespace {

const std::string kUsage =
    Lines({"LYS2MEV", "", "Converts Lyricsheet to Midi Text", "", "Syntax: [program] [ITF] [OTF]",
           "", "ITF = name of Input TextFile (LYS)", "OTF = name of Output TextFile (MEV)"});

// The MEV file lys2mev writes for these pieces, CR LF line ends.
std::string Mev(const lijst& pieces) {
  std::string text = "File 0 (1) 120\r\nTrack #1\r\n";
  for (const std::string& p : pieces) text += "0\r\nMeta $05(Lyric) " + p + "\r\n";
  return text + "0\r\nMeta $05(Lyric)\r\n0\r\nMeta $2F(TrkEnd)\r\n";
}

}  // namespace

TEST(lys2mev, UsageOnWrongArgumentCount) {
  TempDir dir;
  WriteText(dir.Path("in"), "a");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {dir.Path("in")}, {dir.Path("in"), dir.Path("out"), "x"}}) {
    RunResult r = RunProgram(PROGRAM, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, kUsage);
  }
  EXPECT_EQ(dir.Entries(), lijst{"in"});
}

TEST(lys2mev, MissingInput) {
  TempDir dir;
  WriteText(dir.Path("out"), "keep");
  RunResult r = RunProgram(PROGRAM, {dir.Path("lyrics.txt"), dir.Path("out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path("lyrics.txt") + ": does Not exist\n");
  EXPECT_EQ(ReadText(dir.Path("out")), "keep");
  // a folder is no file
  r = RunProgram(PROGRAM, {dir.Path("."), dir.Path("new")});
  EXPECT_EQ(r.out, dir.Path(".") + ": does Not exist\n");
  EXPECT_FALSE(Exists(dir.Path("new")));
}

TEST(lys2mev, SheetsToMev) {
  struct Case {
    std::string sheet;
    lijst pieces;
  } cases[] = {
      {"", {}},
      {"Sun ny_morn ing", {"Sun", "ny_", "morn", "ing"}},
      {"Sun ny_morn ing_on_the_hill", {"Sun", "ny_", "morn", "ing_", "on_", "the_", "hill"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one two", {"one", "two"}},
      {"hill_", {"hill_", ""}},
      {"\n", {""}},
      {"a  b", {"a", "", "b"}},
      {" a ", {"", "a", ""}},
      {"__", {"_", "_", ""}},
      {"Hel-lo/ wor\\ld", {"Hel-lo/", "wor\\ld"}},
      {"x\ry\nz\x1Ajunk", {"xy", "z"}},
      {"\xE9t\xE9", {"\xE9t\xE9"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.sheet));
    WriteText(dir.Path("in"), c.sheet);
    RunResult r = RunProgram(PROGRAM, {dir.Path("in"), dir.Path("out")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadText(dir.Path("out")), Mev(c.pieces));
  }
}

TEST(lys2mev, SameNameForInputAndOutput) {
  TempDir dir;
  WriteText(dir.Path("song"), "la_la land\n");
  RunResult r = RunProgram(PROGRAM, {dir.Path("song"), dir.Path("song")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadText(dir.Path("song")), Mev({"la_", "la", "land"}));
  EXPECT_EQ(dir.Entries(), lijst{"song"});
}

TEST(lys2mev, ReplacesExistingOutputWhole) {
  TempDir dir;
  WriteText(dir.Path("in"), "x");
  WriteText(dir.Path("out"), std::string(10000, 'o'));
  EXPECT_EQ(RunProgram(PROGRAM, {dir.Path("in"), dir.Path("out")}).status, 0);
  EXPECT_EQ(ReadText(dir.Path("out")), Mev({"x"}));
}

TEST(lys2mev, UnwritableOutputLeavesNothing) {
  TempDir dir;
  WriteText(dir.Path("in"), "x");
  RunResult r = RunProgram(PROGRAM, {dir.Path("in"), dir.Path("no/out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, dir.Path("no/out") + ": cannot be written\n");
  EXPECT_EQ(dir.Entries(), lijst{"in"});
}

TEST(lys2mev, UnreadableInput) {
  TempDir dir;
  std::string in = UnreadableFile(dir);
  RunResult r = RunProgram(PROGRAM, {in, dir.Path("out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, in + ": cannot be read\n");
  EXPECT_FALSE(Exists(dir.Path("out")));
}

TEST(lys2mev, LongSheetWithoutLineEnd) {
  TempDir dir;
  std::string word(1 << 20, 'w');
  WriteText(dir.Path("in"), word + " " + word);
  EXPECT_EQ(RunProgram(PROGRAM, {dir.Path("in"), dir.Path("out")}).status, 0);
  EXPECT_EQ(ReadText(dir.Path("out")), Mev({word, word}));
}
