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
  const std::string big(1 << 20, 'x'), y(65535, 'y');
  struct Case {
    std::string text;
    lijst lines;
  } cases[] = {
      {"", {}},
      {"a\n", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\n", {"ab"}},  // a lone CR is dropped from the line
      {"a\r", {"a"}},
      {"\r", {""}},
      {"\n\n", {"", ""}},
      {"a\nb\x1A"
       "c\nd",
       {"a", "b"}},  // Ctrl-Z ends the file
      {"\x1A", {}},
      {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
      {"\xFF\xE9\n", {"\xFF\xE9"}},
      // a byte-order mark is skipped at the start of the text only
      {"\xEF\xBB\xBF"
       "a\n\xEF\xBB\xBF"
       "b",
       {"a",
        "\xEF\xBB\xBF"
        "b"}},
      {"\xEF\xBB\xBF", {""}},
      {big + "\r\n" + y + "\r" + "\nz", {big, y, "z"}},  // long lines across blocks
      // line ends are looked for 8 bytes at a time: several in one word, past the first
      {"abcdefghi\r\nj\r\nk\nlmnopqrstu\rvw\x1Ax", {"abcdefghi", "j", "k", "lmnopqrstuvw"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text.substr(0, 40)));
    WriteText(dir.Path("t"), c.text);
    EXPECT_EQ(ReadAll(dir.Path("t")), c.lines);
  }
}

TEST(textreader, OpenStartsOverOrFails) {
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
  EXPECT_FALSE(in.Open(dir.Path("none")));
  EXPECT_FALSE(in.ReadLine(line));
  // a folder opens but cannot be read
  EXPECT_EQ(ReadAll(dir.Path(".")), lijst{"<failed>"});
}

TEST(readfile, WholeRegularFileOrFailure) {
  TempDir dir;
  bytes data{1, 2, 3};
  WriteBytes(dir.Path("f"), Hex("00 FF 1A 0D"));
  EXPECT_TRUE(fileexists(dir.Path("f")));
  EXPECT_TRUE(readfile(dir.Path("f"), data));
  EXPECT_EQ(data, Hex("00 FF 1A 0D"));
  for (const std::string& name : {dir.Path("none"), dir.Path("."), std::string()}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(fileexists(name));
    EXPECT_FALSE(readfile(name, data));
    EXPECT_TRUE(data.empty());
  }
}

TEST(outputfile, CommitReplacesWhole) {
  TempDir dir;
  WriteText(dir.Path("out"), "old contents that are longer");
  std::string big(200000, 'b');
  outputfile out;
  ASSERT_TRUE(out.Open(dir.Path("out")));
  out.WriteLine("one");
  out.Write(big.data(), big.size());
  out.Write("two", 3);
  EXPECT_EQ(ReadText(dir.Path("out")), "old contents that are longer");
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(ReadText(dir.Path("out")), "one\r\n" + big + "two");  // large writes in order
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

TEST(outputfile, MissingFolderOrFolderAsTargetFails) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.Path("sub").c_str(), 0755), 0);
  outputfile out;
  EXPECT_FALSE(out.Open(dir.Path("no/such/out")));
  EXPECT_FALSE(out.Commit());
  EXPECT_FALSE(savefile(dir.Path("sub"), {1}));  // the rename onto a folder fails
  EXPECT_EQ(dir.Entries(), lijst{"sub"});
}

TEST(ismevheader, FirstNumbersOfAHeaderLine) {
  struct Case {
    std::string line;
    bool header;
  } cases[] = {
      {"File 0 (1) 120", true},  // lys2mev's: the track count is a remark
      {"F 1 480", true},
      {"File $1 (2) $1E0", true},           // hexadecimal
      {"File 0 \"Song 2\" 96 rest", true},  // quoted text holds no numbers
      {"File 0 1 96", false},
      {"File 96", false},
      {"File", false},
      {"file 0 96", false},
      {" File 0 96", false},
      {"Track 1 2", false},
      {"", false},
      {"MThd", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ismevheader(c.line), c.header);
  }
}
