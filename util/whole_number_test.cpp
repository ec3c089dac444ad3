#include "util/whole_number.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(WholeNumberTest, Table) {
  struct Case {
    const char* text;
    long long expected;
  } cases[] = {
      {"42", 42},
      {" 42 ", 42},
      {"+7", 7},
      {"-7", -7},
      {"", -1},
      {"-", -1},
      {"4 2", -1},
      {"0x10", -1},
      {"12a", -1},
      {"999999999999999999", 999999999999999999},
      {"1000000000000000000", -1},  // 19 digits: never an overflow
      {"99999999999999999999", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseWholeNumber(c.text, -1), c.expected) << c.text;
  // A caller's range: outside it the default, never a cut value.
  EXPECT_EQ(ParseWholeNumber("2147483647", 0, 1, 2147483647), 2147483647);
  EXPECT_EQ(ParseWholeNumber("2147483648", 0, 1, 2147483647), 0);
  EXPECT_EQ(ParseWholeNumber("0", 5, 1, 10), 5);
}

}  // namespace
}  // namespace zarix
