// Frame lines, replacements and the folder-confinement check of file names.
#include "frames/frame_text.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(FrameTextTest, SplitAndJoin) {
  EXPECT_EQ(SplitFrameLines("a\r\nb\nc\rd"), (FrameLines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitFrameLines("a\r\n\r\n"), (FrameLines{"a", ""}));
  EXPECT_EQ(SplitFrameLines(""), FrameLines{});
  EXPECT_EQ(JoinFrameLines({"a", ""}), "a\r\n\r\n");
}

TEST(FrameTextTest, ReplaceAllDoesNotLoopOnItsOwnText) {
  std::string line = "x<--CGI_PATH-->y<--CGI_PATH-->";
  ReplaceAll(&line, "<--CGI_PATH-->", "[<--CGI_PATH-->]");
  EXPECT_EQ(line, "x[<--CGI_PATH-->]y[<--CGI_PATH-->]");
}

TEST(FrameTextTest, SafeRelativeNames) {
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
