#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Files.h"
#include "TestKit.h"

namespace {

lijst ReadAll(const std::string& name) {
  textreader in;
  lijst lines;
  if (!in.Open(name)) return {"<cannot open>"};
  std::string line;
  while (in.ReadLine(line)) lines.push_back(line);
  if (in.Failed()) lines.push_back("<failed>");
  return lines;
}

}  // namespace

TEST(textreader, LineEnds) {
  struct Case {
    std::string text;
    lijst lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\n", {"ab"}},  // a lone CR is dropped from the line
      {"a\r", {"a"}},
      {"\r", {""}},
      {"\n\n", {"", ""}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\nb\x1A"
       "c\nd",
       {"a", "b"}},  // Ctrl-Z ends the file
      {"a\n\x1A\n", {"a"}},
      {"\x1A", {}},
      {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
      {"\xFF\xE9\n", {"\xFF\xE9"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    WriteText(dir.Path("t"), c.text);
    EXPECT_EQ(ReadAll(dir.Path("t")), c.lines);
  }
}

TEST(textreader, LongLinesAcrossBlocks) {
  TempDir dir;
  std::string big(1 << 20, 'x');
  std::string text = big + "\r\n" + std::string(65535, 'y') + "\r" + "\nz";
  WriteText(dir.Path("t"), text);
  EXPECT_EQ(ReadAll(dir.Path("t")), (lijst{big, std::string(65535, 'y'), "z"}));
}

TEST(textreader, OpenAgainStartsOver) {
  TempDir dir;
  WriteText(dir.Path("t"), "one\ntwo\n");
  textreader in;
  std::string line;
  ASSERT_TRUE(in.Open(dir.Path("t")));
  ASSERT_TRUE(in.ReadLine(line));
  ASSERT_TRUE(in.Open(dir.Path("t")));
  ASSERT_TRUE(in.ReadLine(line));
  EXPECT_EQ(line, "one");
  EXPECT_FALSE(in.Failed());
}

TEST(textreader, MissingFileAndFolder) {
  TempDir dir;
  textreader in;
  EXPECT_FALSE(in.Open(dir.Path("none")));
  std::string line;
  EXPECT_FALSE(in.ReadLine(line));
  // a folder opens but cannot be read
  EXPECT_EQ(ReadAll(dir.Path(".")), lijst{"<failed>"});
}

TEST(fileexists, OnlyRegularFiles) {
  TempDir dir;
  WriteText(dir.Path("f"), "");
  EXPECT_TRUE(fileexists(dir.Path("f")));
  EXPECT_FALSE(fileexists(dir.Path("none")));
  EXPECT_FALSE(fileexists(dir.Path(".")));
  EXPECT_FALSE(fileexists(""));
}

TEST(readfile, WholeFileOrFailure) {
  TempDir dir;
  bytes data{1, 2, 3};
  WriteBytes(dir.Path("f"), Hex("00 FF 1A 0D"));
  EXPECT_TRUE(readfile(dir.Path("f"), data));
  EXPECT_EQ(data, Hex("00 FF 1A 0D"));
  EXPECT_FALSE(readfile(dir.Path("none"), data));
  EXPECT_TRUE(data.empty());
  EXPECT_FALSE(readfile(dir.Path("."), data));
}

TEST(outputfile, CommitReplacesWhole) {
  TempDir dir;
  WriteText(dir.Path("out"), "old contents that are longer");
  outputfile out;
  ASSERT_TRUE(out.Open(dir.Path("out")));
  out.WriteLine("one");
  out.Write("two", 3);
  EXPECT_EQ(ReadText(dir.Path("out")), "old contents that are longer");
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(ReadText(dir.Path("out")), "one\r\ntwo");
  EXPECT_EQ(dir.Entries(), lijst{"out"});
}

TEST(outputfile, UncommittedLeavesNothing) {
  TempDir dir;
  WriteText(dir.Path("old"), "keep");
  {
    outputfile a, b;
    ASSERT_TRUE(a.Open(dir.Path("old")));
    ASSERT_TRUE(b.Open(dir.Path("new")));
    a.Write("x", 1);
    b.Write("x", 1);
  }
  EXPECT_EQ(dir.Entries(), lijst{"old"});
  EXPECT_EQ(ReadText(dir.Path("old")), "keep");
}

TEST(outputfile, LargeWritesInOrder) {
  TempDir dir;
  std::string big(200000, 'b');
  outputfile out;
  ASSERT_TRUE(out.Open(dir.Path("out")));
  out.Write("a", 1);
  out.Write(big.data(), big.size());
  out.Write("c", 1);
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(ReadText(dir.Path("out")), "a" + big + "c");
}

TEST(outputfile, FolderThatDoesNotExist) {
  TempDir dir;
  outputfile out;
  EXPECT_FALSE(out.Open(dir.Path("no/such/out")));
  EXPECT_FALSE(out.Commit());
  EXPECT_FALSE(savefile(dir.Path("no/out"), {1}));
}

TEST(outputfile, KeepsPermissionsOfReplacedFile) {
  TempDir dir;
  WriteText(dir.Path("out"), "old");
  chmod(dir.Path("out").c_str(), 0640);
  ASSERT_TRUE(savefile(dir.Path("out"), {'n'}));
  struct stat info;
  ASSERT_EQ(stat(dir.Path("out").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadText(dir.Path("out")), "n");
}

TEST(outputfile, RenameOntoFolderFails) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.Path("sub").c_str(), 0755), 0);
  EXPECT_FALSE(savefile(dir.Path("sub"), {1}));
  EXPECT_EQ(dir.Entries(), lijst{"sub"});
}
