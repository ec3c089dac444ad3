// Tests of FindTextFile's search order.
#include "util/find_text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/ilf_library.h"
#include "util/path.h"

namespace zarix {
namespace {

TEST(FindTextFileTest, SearchOrder) {
  std::string root = testing::TempDir() + "ftf_" + std::to_string(getpid()) + "/";
  std::string db_dir = root + "BOOKS/";
  std::string deposit = root + "Deposit/";
  std::string user = root + "Deposit_USER/";
  for (const std::string& d : {root, db_dir, deposit, user}) mkdir(d.c_str(), 0755);
  // Windows-style spelling of the same places, as configuration files write them.
  std::string path = root + "BOOKS\\fix.gbl";
  std::string deposit_win = root + "Deposit\\";

  TLib lib;
  ASSERT_EQ(lib.Open(db_dir + "BOOKS_gbl.ILF", true), kLibOk);
  ASSERT_EQ(lib.Write("FIX", "from library"), kLibOk);
  ASSERT_TRUE(WriteFileBytes(deposit + "fix.gbl", "from deposit"));
  ASSERT_TRUE(WriteFileBytes(db_dir + "fix.gbl", "from path\r\nline 2"));
  ASSERT_TRUE(WriteFileBytes(user + "fix.gbl", "from user"));

  struct Step {
    std::string remove_after;
    TextFileSource source;
    std::vector<std::string> lines;
  } steps[] = {
      {user + "fix.gbl", TextFileSource::kUserFolder, {"from user"}},
      {db_dir + "fix.gbl", TextFileSource::kPath, {"from path", "line 2"}},
      {deposit + "fix.gbl", TextFileSource::kDeposit, {"from deposit"}},
      {db_dir + "BOOKS_gbl.ILF", TextFileSource::kLibrary, {"from library"}},
      {"", TextFileSource::kNone, {}},
  };
  for (const Step& s : steps) {
    TPList lines;
    lines.Add("stale");
    EXPECT_EQ(FindTextFile("BOOKS", path, deposit_win, &lines), s.source);
    std::vector<std::string> got;
    for (int i = 0; i < lines.Count(); ++i) got.emplace_back(lines.GetString(i));
    EXPECT_EQ(got, s.lines);
    if (!s.remove_after.empty()) RemoveFile(s.remove_after);
  }
  EXPECT_FALSE(FileExists(db_dir + "BOOKS_gbl.ILF"));  // the lookup never creates a library
  for (const std::string& d : {user, deposit, db_dir, root}) rmdir(d.c_str());
}

}  // namespace
}  // namespace zarix
