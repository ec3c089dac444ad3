#include "records/reader_identification.h"

#include <gtest/gtest.h>

#include <string>

#include "util/utf8.h"

namespace zarix {
namespace {

TEST(SearchKeyTest, UpperCasesThenCutsAtACharacterBoundary) {
  struct Case {
    std::string text;
    size_t limit;
    std::string key;
  };
  std::string lower, upper;
  for (int i = 0; i < 200; ++i) {
    lower += "я";
    upper += "Я";
  }
  const Case cases[] = {
      {"ri=abc", 254, "RI=ABC"},
      {"RI=" + lower, 254, "RI=" + upper.substr(0, 250)},  // 3 + 125 letters: 253 bytes
      {"RI=" + lower, 4, "RI="},
      {"ri=ıi", 254, "RI=ıI"},  // no upper case of the same length: kept
      {"a\xFF"
       "b",
       254,
       "A\xFF"
       "B"},
      {"", 254, ""},
  };
  for (const Case& c : cases) {
    const std::string key = SearchKey(c.text, c.limit);
    EXPECT_EQ(key, c.key) << c.text.substr(0, 20);
    EXPECT_LE(key.size(), c.limit);
    if (IsValidUtf8(c.text)) {
      EXPECT_TRUE(IsValidUtf8(key));
    }
  }
}

}  // namespace
}  // namespace zarix
