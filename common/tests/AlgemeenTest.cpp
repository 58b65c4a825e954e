#include <gtest/gtest.h>
#include <unistd.h>

#include "Algemeen.h"
#include "TestKit.h"

TEST(ishex, AcceptsOnlyHexDigits) {
  for (char c : std::string("0123456789ABCDEFabcdef")) EXPECT_TRUE(ishex(c)) << c;
  // the neighbours of the accepted ranges
  for (char c : std::string("Gg :@/`")) EXPECT_FALSE(ishex(c)) << c;
}

TEST(hex2half, ValuesOfDigits) {
  struct Case {
    char ch;
    int value;
  } cases[] = {{'0', 0}, {'9', 9}, {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15}};
  for (const Case& c : cases) EXPECT_EQ(hex2half(c.ch), c.value) << c.ch;
}

TEST(hex2half, OtherCharacterEndsProgram) {
  EXPECT_EXIT((dup2(2, 1), hex2half('x')), testing::ExitedWithCode(1),
              "^hex2half: how to convert \"x\" \\?\n$");
}

TEST(half2hex, DigitsAndOutOfRange) {
  EXPECT_EQ(half2hex(0), '0');
  EXPECT_EQ(half2hex(9), '9');
  EXPECT_EQ(half2hex(10), 'A');
  EXPECT_EQ(half2hex(15), 'F');
  EXPECT_EQ(half2hex(16), '0');
  EXPECT_EQ(half2hex(255), '0');
}

TEST(byte2hex, TwoUpperCaseDigits) {
  EXPECT_EQ(byte2hex(0x2F), "2F");
  EXPECT_EQ(byte2hex(0x0A), "0A");
  EXPECT_EQ(byte2hex(0), "00");
  EXPECT_EQ(byte2hex(0xFF), "FF");
}

TEST(bytes2hex, BlankBeforeEveryByte) {
  EXPECT_EQ(bytes2hex({0xFF, 0x2F, 0x00}), " FF 2F 00");
  EXPECT_EQ(bytes2hex({0x90, 0x3C}), " 90 3C");
  EXPECT_EQ(bytes2hex({}), "");
}

TEST(str2int, DigitsSignsAndWrap) {
  struct Case {
    std::string s;
    int32_t value;
  } cases[] = {
      {"12", 12},
      {"-12", -12},
      {"12-", -12},
      {"1-2", -12},
      {"--5", -5},
      {"x7y", 7},
      {"ch7", 7},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"007", 7},
      {"2147483647", 2147483647},
      {"2147483648", INT32_MIN},
      {"4294967297", 1},
      {"-2147483648", INT32_MIN},
      {"99999999999", static_cast<int32_t>(99999999999LL % 4294967296LL)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(str2int(c.s), c.value);
  }
}

TEST(vlqlength, Borders) {
  struct Case {
    int32_t v;
    int32_t n;
  } cases[] = {{0, 1},          {127, 1},       {128, 2},     {16383, 2},
               {16384, 3},      {2097151, 3},   {2097152, 4}, {0x0FFFFFFF, 4},
               {0x10000000, 5}, {INT32_MAX, 5}, {-1, 1},      {INT32_MIN, 1}};
  for (const Case& c : cases) EXPECT_EQ(vlqlength(c.v), c.n) << c.v;
}

TEST(countwords, AgreesWithSplitwords) {
  for (std::string s : {"", " ", "   ", "a", "a b", "a  b", " a", "a ", "a\tb", "x y z w"}) {
    SCOPED_TRACE("[" + s + "]");
    EXPECT_EQ(countwords(s), static_cast<int32_t>(splitwords(s).size()));
  }
}

TEST(splitwords, PiecesBetweenBlanks) {
  struct Case {
    std::string s;
    lijst pieces;
  } cases[] = {
      {"a b", {"a", "b"}},       {"a  b", {"a", "", "b"}}, {"a ", {"a", ""}}, {"", {""}},
      {"   ", {"", "", "", ""}}, {"a\tb", {"a\tb"}},       {" x", {"", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("[" + c.s + "]");
    EXPECT_EQ(splitwords(c.s), c.pieces);
  }
}

TEST(splitsyllables, UnderscoreEndsItsPiece) {
  struct Case {
    std::string s;
    lijst pieces;
  } cases[] = {
      {"la_la_land", {"la_", "la_", "land"}},
      {"la_", {"la_", ""}},
      {"word", {"word"}},
      {"", {""}},
      {"__", {"_", "_", ""}},
      {"_a", {"_", "a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(splitsyllables(c.s), c.pieces);
  }
}

TEST(replaceall, ReplacesEveryOccurrence) {
  struct Case {
    std::string s, pattern, replacement, result;
  } cases[] = {
      {"a_b_c", "_", " ", "a b c"},
      {"a_b_c", "_", "", "abc"},
      {"ab", "abc", "x", "ab"},
      {"abc", "", "x", "abc"},
      {"x/y\\z", "/", "\r\n", "x\r\ny\\z"},
      {"___", "_", " ", "   "},
      // a replacement that forms the pattern with its neighbour is replaced again,
      // as a search from the start would find it
      {"aab", "ab", "b", "b"},
      {"aaabb", "ab", "", "a"},
      {"", "_", " ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s + " " + c.pattern);
    EXPECT_EQ(replaceall(c.s, c.pattern, c.replacement), c.result);
  }
}

TEST(replaceall, LongTextIsLinear) {
  std::string s(1 << 20, '_');
  EXPECT_EQ(replaceall(s, "_", " "), std::string(1 << 20, ' '));
}

namespace {

gegevens Timed(std::initializer_list<std::pair<int32_t, uint8_t>> list) {
  gegevens g;
  for (auto [time, tag] : list) g.push_back({time, {tag}});
  return g;
}

}  // namespace

TEST(mergebytime, EqualTimesFirstWins) {
  gegevens merged = mergebytime(Timed({{0, 1}, {10, 2}, {10, 3}}), Timed({{5, 4}, {10, 5}}));
  gegevens expected = Timed({{0, 1}, {5, 4}, {10, 2}, {10, 3}, {10, 5}});
  ASSERT_EQ(merged.size(), expected.size());
  for (size_t i = 0; i < merged.size(); i++) {
    EXPECT_EQ(merged[i].time, expected[i].time) << i;
    EXPECT_EQ(merged[i].event, expected[i].event) << i;
  }
}

TEST(mergebytime, EmptyInputs) {
  gegevens some = Timed({{1, 7}, {2, 8}});
  EXPECT_EQ(mergebytime(some, {}).size(), 2u);
  EXPECT_EQ(mergebytime({}, some)[1].event, bytes{8});
  EXPECT_TRUE(mergebytime({}, {}).empty());
}

TEST(mergebytime, LargestTimesKeepOrder) {
  gegevens merged =
      mergebytime(Timed({{INT32_MAX, 1}}), Timed({{INT32_MAX - 1, 2}, {INT32_MAX, 3}}));
  EXPECT_EQ(merged[0].event, bytes{2});
  EXPECT_EQ(merged[1].event, bytes{1});
  EXPECT_EQ(merged[2].event, bytes{3});
}

TEST(add32, WrapsWithoutOverflow) {
  EXPECT_EQ(add32(INT32_MAX, 1), INT32_MIN);
  EXPECT_EQ(add32(-1, 1), 0);
}
