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

}  // namespace
}  // namespace zarix
