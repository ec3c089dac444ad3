#include "frames/message_page.h"

#include <stdlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "util/path.h"

namespace zarix {
namespace {

TEST(MessagePageTest, MarkerLineOrBuiltInPage) {
  char tmpl[] = "/tmp/message_page_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = std::string(tmpl) + "/";
  IniStore ini;
  ini.LoadText("[WEB]\nCGIPATH=" + dir + "\n");
  ASSERT_TRUE(WriteFileBytes(dir + "sempty.frm", "<html>\nпустой ОТВЕТ\n</html>"));
  EXPECT_EQ(BuildMessagePage(ini, "", "Nothing found"), "<html>\r\nNothing found\r\n</html>\r\n");
  ASSERT_TRUE(WriteFileBytes(dir + "sempty.frm", "<html>\nПустой ответ!\n</html>"));
  EXPECT_EQ(BuildMessagePage(ini, "", "M"),
            "<HTML><BODY>  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=UTF-8\">"
            "M</BODY></HTML>");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zarix
