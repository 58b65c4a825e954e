#include <gtest/gtest.h>

#include "TextMidi.h"

TEST(ExtractNumbers, Table) {
  struct Case {
    std::string line;
    integers numbers;
  } cases[] = {
      {"", {}},
      {"Note Control Meta", {}},
      {"File 0 (1) 120", {0, 120}},
      {"N 007 60", {7, 60}},
      {"N\t0\t60\t100", {0, 60, 100}},  // a tab separates numbers
      {"a+5", {5}},                     // so does a plus sign
      // hexadecimal after "$", either case, running on to the next separator
      {"N 9 $24 $7F", {9, 36, 127}},
      {"x $3c $3C", {60, 60}},
      {"x $3Cab", {15531}},
      {"x $FF$10", {255, 16}},
      {"x $g5", {5}},
      {"x $", {}},
      {"x AB 12", {12}},  // hex letters without "$" are separators
      {"x 0x1F", {0, 1}},
      // minus signs
      {"x -200", {-200}},
      {"x $-5", {-5}},
      {"x -$10", {16}},
      {"x - 5", {5}},
      {"x 5-", {5}},
      {"x 12-4", {12, -4}},
      {"x -5-3", {5, -3}},  // the second "-" starts a new number before the first is negated
      {"Meta $05(Lyric) Hel-lo", {5}},
      {"x -(1) 5", {5}},
      // quotes and remarks
      {"N 0 60 100 (C4)", {0, 60, 100}},
      {"x \"12\" 3", {3}},
      {"x 5\"a\"6", {5, 6}},      // a closing quote separates
      {"x 5(a)6", {5, 6}},        // so does a closing parenthesis
      {"x \"(\" 5 ) 6", {6}},     // "(" in quotes opens a remark that outlasts the quotes
      {"x (\") 5 \" 6", {6}},     // a quote in a remark flips the quoting
      {"x (1 (2) 3) 4", {3, 4}},  // remarks do not nest
      {"x (open 5", {}},
      // 32-bit wrap
      {"x 4294967297", {1}},
      {"x 2147483648", {INT32_MIN}},
      {"x -2147483648", {INT32_MIN}},
      {"x $FFFFFFFF", {-1}},
      {"x $100000001", {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(ExtractNumbers(c.line), c.numbers);
  }
}
