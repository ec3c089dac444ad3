// Tests of TPList: strings with values, line splitting, file loading and bisection.
#include "util/p_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "util/path.h"

namespace zarix {
namespace {

std::vector<std::string> Strings(const TPList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.emplace_back(list.GetString(i));
  return out;
}

TEST(PListTest, StringsAndValues) {
  TPList list;
  list.AddWithValue("b", 42);
  EXPECT_EQ(list.GetString(1), nullptr);
  list.SetString(0, "c");
  EXPECT_EQ(list.GetValue(0), 42);
  list.SetString(0, static_cast<const char*>(nullptr));  // clears string and value
  EXPECT_STREQ(list.GetString(0), "");
  EXPECT_EQ(list.GetValue(0), 0);
  list.Add(std::string_view("ab\0cd", 5));  // kept up to the zero byte
  EXPECT_STREQ(list.GetString(1), "ab");
}

TEST(PListTest, SetTextLineEnds) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"\n\n", {"", ""}},
      {"a\n\r\nb", {"a", "", "b"}},
  };
  for (const Case& c : cases) {
    TPList list;
    list.Add("old");
    list.SetText(c.text);
    EXPECT_EQ(Strings(list), c.lines) << c.text;
  }
}

TEST(PListTest, LoadFromFileStopsAtZeroByte) {
  std::string path = testing::TempDir() + "plist_" + std::to_string(getpid()) + ".txt";
  ASSERT_TRUE(WriteFileBytes(path, std::string("one\r\ntwo\0three\n", 15)));
  TPList list;
  EXPECT_TRUE(list.LoadFromFile(path));
  EXPECT_EQ(Strings(list), (std::vector<std::string>{"one", "two"}));
  RemoveFile(path);
  EXPECT_FALSE(list.LoadFromFile(path));
  EXPECT_EQ(list.Count(), 2);  // unchanged on failure
}

TEST(PListTest, FindIsByteWise) {
  TPList list;
  for (const char* s : {"ABC", "abc", "b", "\xD0\x90"}) list.Add(s);  // byte order, "А" last
  struct Case {
    const char* text;
    bool found;
    int index;
  } cases[] = {{"ABC", true, 0}, {"abc", true, 1}, {"Abc", false, 1},
               {"\xD0\x90", true, 3}, {"c", false, 3}, {"", false, 0}};
  for (const Case& c : cases) {
    int index = -9;
    EXPECT_EQ(list.Find(c.text, &index), c.found) << c.text;
    EXPECT_EQ(index, c.index) << c.text;
  }
  TPList empty;
  int index = -9;
  EXPECT_FALSE(empty.Find("x", &index));
  EXPECT_EQ(index, 0);
}

}  // namespace
}  // namespace zarix
