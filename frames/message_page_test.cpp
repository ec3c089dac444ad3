#include "frames/message_page.h"

#include <gtest/gtest.h>

#include "util/path.h"
#include "util/temp_dir.h"

namespace zarix {
namespace {

TEST(MessagePageTest, MarkerLineOrBuiltInPage) {
  testing::TempDir tmp("message_page_");
  const std::string dir = tmp.path();
  ASSERT_FALSE(dir.empty());
  IniStore ini;
  ini.LoadText("[WEB]\nCGIPATH=" + dir + "\n");
  ASSERT_TRUE(WriteFileBytes(dir + "sempty.frm", "<html>\nпустой ОТВЕТ\n</html>"));
  EXPECT_EQ(BuildMessagePage(ini, "", "Nothing found"), "<html>\r\nNothing found\r\n</html>\r\n");
  ASSERT_TRUE(WriteFileBytes(dir + "sempty.frm", "<html>\nПустой ответ!\n</html>"));
  EXPECT_EQ(BuildMessagePage(ini, "", "M"),
            "<HTML><BODY>  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=UTF-8\">"
            "M</BODY></HTML>");
}

}  // namespace
}  // namespace zarix
