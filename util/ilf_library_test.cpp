// Tests of TLib: round trip through the writer, creation, corruption and refusal of foreign files.
#include "util/ilf_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "util/path.h"

namespace zarix {
namespace {

class IlfLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = testing::TempDir() + "ilf_" + std::to_string(getpid()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name() + ".ILF";
    RemoveFile(path_);
  }
  void TearDown() override { RemoveFile(path_); }
  std::string path_;
};

TEST_F(IlfLibraryTest, CreateWriteReadRoundTrip) {
  TLib lib;
  EXPECT_EQ(lib.Open(path_), kLibCannotOpen);  // missing, not created
  EXPECT_FALSE(FileExists(path_));
  ASSERT_EQ(lib.Open(path_, true), kLibOk);
  std::optional<std::string> empty = ReadFileBytes(path_);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->size(), 36u + 100 * 38);
  EXPECT_EQ(empty->substr(0, 16), "ZARIX_LIBRARY_01");
  EXPECT_EQ(empty->substr(16, 4), std::string("\0\0\0\x64", 4));  // 100 slots, big-endian

  const std::string script = "\"1\"\r\nADD 200 'книга'\r\n";
  ASSERT_EQ(lib.Write("autoin", script), kLibOk);
  ASSERT_EQ(lib.Write("sort1", "x", 0), kLibOk);
  ASSERT_EQ(lib.Write("AutoIn", script + "END"), kLibOk);  // replaces, case ignored

  TLib again;
  ASSERT_EQ(again.Open(path_), kLibOk);
  EXPECT_EQ(again.MemberNames(), (std::vector<std::string>{"AUTOIN", "SORT1"}));
  std::string text;
  int flag = -1;
  EXPECT_EQ(again.Read("autoIN", &text, &flag), kLibOk);
  EXPECT_EQ(text, script + "END");
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(again.Read("SORT1", &text, &flag), kLibOk);
  EXPECT_EQ(text, "x");
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(again.Read("missing", &text), kLibNoMember);

  EXPECT_EQ(again.Remove("autoin"), kLibOk);
  EXPECT_EQ(again.Remove("autoin"), kLibNoMember);
  EXPECT_EQ(again.MemberNames(), (std::vector<std::string>{"SORT1"}));
}

TEST_F(IlfLibraryTest, LongNamesAndManyMembers) {
  TLib lib;
  ASSERT_EQ(lib.Open(path_, true), kLibOk);
  // 30 bytes: cut to 24; a two-byte letter straddling byte 24 is dropped whole.
  EXPECT_EQ(LibMemberName("abcdefghijklmnopqrstuvwxyz0123"), "ABCDEFGHIJKLMNOPQRSTUVWX");
  EXPECT_EQ(LibMemberName("abcdefghijklmnopqrstuvw\xD0\xB6"), "ABCDEFGHIJKLMNOPQRSTUVW");
  ASSERT_EQ(lib.Write("abcdefghijklmnopqrstuvwxyz0123", "long"), kLibOk);
  std::string text;
  EXPECT_EQ(lib.Read("ABCDEFGHIJKLMNOPQRSTUVWXyz", &text), kLibOk);
  EXPECT_EQ(text, "long");

  for (int i = 0; i < 120; ++i) {
    std::string n = std::to_string(i);
    ASSERT_EQ(lib.Write(std::string(1, 'm').append(n), n), kLibOk);
  }
  TLib again;
  ASSERT_EQ(again.Open(path_), kLibOk);
  EXPECT_EQ(again.MemberNames().size(), 121u);
  EXPECT_EQ(again.Read("M119", &text), kLibOk);
  EXPECT_EQ(text, "119");
}

TEST_F(IlfLibraryTest, WrongSignatureAndCorruption) {
  struct Case {
    std::string bytes;
    int code;
  } cases[] = {
      {"", kLibBadSignature},
      {"NOT_A_LIBRARY_01" + std::string(20, '\0'), kLibBadSignature},
      {"ZARIX_LIBRARY_01" + std::string("\0\0\0\x64", 4) + std::string(16, '\0'),
       kLibBadSignature},  // directory cut off
      {"ZARIX_LIBRARY_01" + std::string("\xFF\xFF\xFF\xFF", 4) + std::string(16, '\0'),
       kLibBadSignature},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteFileBytes(path_, c.bytes));
    TLib lib;
    EXPECT_EQ(lib.Open(path_, true), c.code);
    EXPECT_FALSE(lib.IsOpen());
    std::string text;
    EXPECT_EQ(lib.Read("X", &text), kLibCannotOpen);
    EXPECT_EQ(*ReadFileBytes(path_), c.bytes);  // a foreign file is never overwritten
  }

  // A member whose block header names another slot, and one whose text runs past the end.
  TLib lib;
  RemoveFile(path_);
  ASSERT_EQ(lib.Open(path_, true), kLibOk);
  ASSERT_EQ(lib.Write("A", "aaaa"), kLibOk);
  ASSERT_EQ(lib.Write("B", "bbbb"), kLibOk);
  std::optional<std::string> read = ReadFileBytes(path_);
  const size_t first_block = 36 + 100 * 38;
  ASSERT_TRUE(read && read->size() > first_block + 10);
  std::string cut(*read, 0, read->size() - 2);
  std::string bytes = std::move(*read);
  bytes.replace(first_block, 4, std::string("\0\0\0\x07", 4));  // member number 7 in slot 0
  ASSERT_TRUE(WriteFileBytes(path_, bytes));
  std::string text;
  ASSERT_EQ(lib.Open(path_), kLibOk);
  EXPECT_EQ(lib.Read("A", &text), kLibBadBlock);
  EXPECT_EQ(lib.Read("B", &text), kLibOk);
  ASSERT_TRUE(WriteFileBytes(path_, cut));
  ASSERT_EQ(lib.Open(path_), kLibOk);
  EXPECT_EQ(lib.Read("B", &text), kLibBadBlock);
}

}  // namespace
}  // namespace zarix
