// Tests of the UTF-8 validity rules and UTF-16 conversion.
#include "util/utf8.h"

#include <gtest/gtest.h>

#include <vector>

namespace zarix {
namespace {

TEST(Utf8Test, ValidityFilter) {
  struct Case {
    std::string_view text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ASCII", true},
      {"\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0", true},  // Книга
      {"\xE2\x82\xAC", true},                              // euro sign
      {"\xF0\x9F\x93\x9A", true},                          // books emoji, outside the BMP
      {"\xD0", false},                                     // truncated
      {"a\xC0\xAF", false},                                // overlong "/"
      {"\xE0\x80\xAF", false},                             // overlong, three bytes
      {"\xED\xA0\x80", false},                             // encoded surrogate
      {"\xF4\x90\x80\x80", false},                         // above U+10FFFF
      {"\x80", false},                                     // stray continuation
      {"\xCA\xED\xE8\xE3\xE0", false},                     // Windows-1251 text
      {std::string_view("a\0b", 3), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
    EXPECT_EQ(ValidUtf8OrEmpty(c.text), c.valid ? std::string(c.text) : "") << c.text;
    EXPECT_EQ(UnicodeToUtf8(Utf8ToUnicode(c.text)), c.valid ? std::string(c.text) : "");
  }
}

TEST(Utf8Test, Utf16Conversion) {
  EXPECT_EQ(Utf8ToUnicode("\xD0\x96z"), u"\u0416z");
  EXPECT_EQ(Utf8ToUnicode("\xF0\x9F\x93\x9A"), u"\U0001F4DA");
  EXPECT_EQ(Utf8ToUnicode("ok\xFF"), u"");
  EXPECT_EQ(UnicodeToUtf8(u"\u0416\U0001F4DA"), "\xD0\x96\xF0\x9F\x93\x9A");
  std::u16string lone = u"a";
  lone.push_back(static_cast<char16_t>(0xD800));
  lone.push_back(u'b');
  EXPECT_EQ(UnicodeToUtf8(lone), "a\xEF\xBF\xBD" "b");
}

// One decoding step over UTF-16: pairs join, unpaired surrogates come back as themselves.
TEST(Utf8Test, Utf16Step) {
  struct Case {
    std::u16string text;
    std::vector<char32_t> code_points;
  };
  const char16_t hi = 0xD83D, lo = 0xDCDA;
  const Case cases[] = {
      {{u'a', hi, lo, u'b'}, {U'a', 0x1F4DA, U'b'}},
      {{hi}, {hi}},                  // high surrogate at the end
      {{lo, hi}, {lo, hi}},          // reversed pair
      {{hi, u'x'}, {hi, U'x'}},      // high surrogate before a plain unit
      {{0xFFFF}, {0xFFFF}},
  };
  for (const Case& c : cases) {
    std::vector<char32_t> got;
    std::u16string again;
    size_t pos = 0;
    while (pos < c.text.size()) {
      got.push_back(DecodeUtf16Char(c.text, &pos));
      AppendUtf16(got.back(), &again);
    }
    EXPECT_EQ(got, c.code_points);
    EXPECT_EQ(again, c.text);
  }
}

}  // namespace
}  // namespace zarix
