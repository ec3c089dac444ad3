// Line splitting: every line end, mixed ends, and what a final or doubled line end gives.
#include "util/split_lines.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(SplitLinesTest, LineEnds) {
  struct Case {
    std::string_view text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\r\n", {"a"}},            // a final line end adds no line
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two line ends
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\n", {""}},
      {std::string_view("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
    std::vector<std::string_view> views = SplitLineViews(c.text);
    EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), c.lines) << c.text;
  }
}

}  // namespace
}  // namespace zarix
