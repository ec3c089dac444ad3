#include "frames/message_page.h"

#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "util/path.h"

namespace zarix {
namespace {

class MessagePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/message_page_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
    ini_.LoadText("[WEB]\nCGIPATH=" + dir_ + "\n");
  }
  void TearDown() override {
    RemoveFile(dir_ + "sempty.frm");
    rmdir(dir_.c_str());
  }
  std::string dir_;
  IniStore ini_;
};

TEST_F(MessagePageTest, MarkerLineReplaced) {
  ASSERT_TRUE(WriteFileBytes(dir_ + "sempty.frm", "<html>\nпустой ОТВЕТ\n</html>"));
  EXPECT_EQ(BuildMessagePage(ini_, "", "Nothing found"), "<html>\r\nNothing found\r\n</html>\r\n");
}

TEST_F(MessagePageTest, FallbackPage) {
  const std::string builtin =
      "<HTML><BODY>  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=UTF-8\">"
      "M</BODY></HTML>";
  EXPECT_EQ(BuildMessagePage(ini_, "", "M"), builtin);
  ASSERT_TRUE(WriteFileBytes(dir_ + "sempty.frm", "<html>\nПустой ответ!\n</html>"));
  EXPECT_EQ(BuildMessagePage(ini_, "", "M"), builtin);
}

}  // namespace
}  // namespace zarix
