#include "util/path.h"

#include <gtest/gtest.h>

#include <string>

namespace zarix {
namespace {

TEST(PathTest, SafeRelativeNames) {
  struct Case {
    std::string name;
    bool safe;
  } cases[] = {
      {"header.frm", true},
      {"sub/page.frm", true},
      {"sub\\page.frm", true},
      {"a..b.frm", true},
      {"..", false},
      {"../etc/passwd", false},
      {"sub/../../x", false},
      {"sub\\..\\x", false},
      {"/etc/passwd", false},
      {"\\etc\\passwd", false},
      {"C:\\boot.ini", false},
      {"", false},
      {std::string("a\0b", 3), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSafeRelativeName(c.name), c.safe) << c.name;
}

}  // namespace
}  // namespace zarix
