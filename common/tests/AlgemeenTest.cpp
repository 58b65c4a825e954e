#include <gtest/gtest.h>
#include <unistd.h>

#include "Algemeen.h"
#include "TestKit.h"

TEST(hex2half, ValuesOfDigits) {
  struct Case {
    char ch;
    int value;
  } cases[] = {{'0', 0}, {'9', 9}, {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15}};
  for (const Case& c : cases) {
    EXPECT_TRUE(ishex(c.ch)) << c.ch;
    EXPECT_EQ(hex2half(c.ch), c.value) << c.ch;
  }
  // the neighbours of the accepted ranges
  for (char c : std::string("Gg :@/`")) EXPECT_FALSE(ishex(c)) << c;
}

TEST(hex2half, OtherCharacterEndsProgram) {
  EXPECT_EXIT((dup2(2, 1), hex2half('x')), testing::ExitedWithCode(1),
              "^hex2half: how to convert \"x\" \\?\n$");
}

TEST(half2hex, DigitsAndOutOfRange) {
  std::string digits;
  for (int v : {0, 9, 10, 15, 16, 255}) digits += half2hex(static_cast<uint8_t>(v));
  EXPECT_EQ(digits, "09AF00");
  EXPECT_EQ(byte2hex(0x0A) + byte2hex(0xF2) + byte2hex(0), "0AF200");
  EXPECT_EQ(bytes2hex({0xFF, 0x2F, 0x00}), " FF 2F 00");
  EXPECT_EQ(bytes2hex({}), "");
}

TEST(str2int, DigitsSignsAndWrap) {
  struct Case {
    std::string s;
    int32_t value;
  } cases[] = {
      {"1-2", -12},
      {"--5", -5},
      {"x7y", 7},
      {"", 0},
      {"2147483647", 2147483647},
      {"2147483648", INT32_MIN},
      {"4294967297", 1},
      {"-2147483648", INT32_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(str2int(c.s), c.value);
  }
}

TEST(vlqlength, NegativeValuesTakeOneByte) {
  // the lengths of the others are checked with WriteVarLen
  EXPECT_EQ(vlqlength(-1), 1);
  EXPECT_EQ(vlqlength(INT32_MIN), 1);
}

TEST(splitwords, PiecesBetweenBlanksAsManyAsCountwords) {
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
    EXPECT_EQ(countwords(c.s), static_cast<int32_t>(c.pieces.size()));
  }
}

TEST(splitsyllables, UnderscoreEndsItsPiece) {
  struct Case {
    std::string s;
    lijst pieces;
  } cases[] = {
      {"la_la_land", {"la_", "la_", "land"}},
      {"word", {"word"}},
      {"", {""}},
      {"__", {"_", "_", ""}},
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
      // a replacement that forms the pattern with its neighbour is replaced again,
      // as a search from the start would find it
      {"aab", "ab", "b", "b"},
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

// Events of one byte each, tagged to tell them apart, as (time, tag) pairs.
gegevens Timed(std::initializer_list<std::pair<int32_t, uint8_t>> list) {
  gegevens g;
  for (auto [time, tag] : list) g.push_back({time, {tag}});
  return g;
}

std::vector<std::pair<int32_t, bytes>> Pairs(const gegevens& g) {
  std::vector<std::pair<int32_t, bytes>> pairs;
  for (const samen& e : g) pairs.push_back({e.time, e.event});
  return pairs;
}

}  // namespace

TEST(mergebytime, EqualTimesFirstWins) {
  struct Case {
    std::string name;
    gegevens first, second, merged;
  } cases[] = {
      {"ties", Timed({{0, 1}, {10, 2}, {10, 3}}), Timed({{5, 4}, {10, 5}}),
       Timed({{0, 1}, {5, 4}, {10, 2}, {10, 3}, {10, 5}})},
      {"largest times", Timed({{INT32_MAX, 1}}), Timed({{INT32_MAX - 1, 2}, {INT32_MAX, 3}}),
       Timed({{INT32_MAX - 1, 2}, {INT32_MAX, 1}, {INT32_MAX, 3}})},
      {"second empty", Timed({{1, 7}, {2, 8}}), {}, Timed({{1, 7}, {2, 8}})},
      {"first empty", {}, Timed({{1, 7}, {2, 8}}), Timed({{1, 7}, {2, 8}})},
      {"both empty", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Pairs(mergebytime(c.first, c.second)), Pairs(c.merged));
  }
}
