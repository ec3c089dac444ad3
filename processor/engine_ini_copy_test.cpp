#include "processor/engine_ini_copy.h"

#include <fstream>

#include <gtest/gtest.h>

#include "util/path.h"
#include "util/temp_dir.h"

namespace zarix {
namespace {

class EngineIniCopyTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  testing::TempDir tmp_{"engine_ini_copy_"};
  const std::string dir_ = tmp_.path();
};

TEST_F(EngineIniCopyTest, NeverReusesATakenName) {
  // Every name but one is taken: the copy must land on the free one, and leave the others.
  for (int i = 0; i < 10000; ++i) {
    if (i != 4321) std::ofstream(dir_ + "zarix_" + std::to_string(i) + ".ini") << "other";
  }
  const std::string path = CreateEngineIniCopy(dir_, "[MAIN]\r\n");
  EXPECT_EQ(path, dir_ + "zarix_4321.ini");
  EXPECT_EQ(ReadFileBytes(path).value_or(""), "[MAIN]\r\n");
  EXPECT_EQ(ReadFileBytes(dir_ + "zarix_17.ini").value_or(""), "other");
  // No name left: no copy rather than someone else's.
  EXPECT_EQ(CreateEngineIniCopy(dir_, "x"), "");
  DeleteCurrentEngineIniCopy();
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(FileExists(dir_ + "zarix_17.ini"));
}

}  // namespace
}  // namespace zarix
