// Tests of upper-casing and case-insensitive comparison.
#include "util/unicode_upper.h"

#include <gtest/gtest.h>

#include <cstring>

#include "util/utf8.h"

namespace zarix {
namespace {

TEST(UnicodeUpperTest, InPlaceKeepsByteLength) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"k=\xD0\xBA\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0", "K=\xD0\x9A\xD0\x9D\xD0\x98\xD0\x93\xD0\x90"},
      {"\xD1\x91\xD0\xB6", "\xD0\x81\xD0\x96"},      // ёж -> ЁЖ (ё and Ё differ in lead byte)
      {"stra\xC3\x9F" "e", "STRA\xC3\x9F" "E"},      // ß has no simple upper case
      {"\xC4\xB1x", "\xC4\xB1X"},                    // ı -> I would shrink: kept
      {"\xC9\x90", "\xC9\x90"},                      // ɐ -> Ɐ would grow: kept
      {"a\xFF" "b\xD0", "A\xFF" "B\xD0"},            // invalid bytes untouched
      {"", ""},
  };
  for (const Case& c : cases) {
    char buf[64];
    std::strcpy(buf, c.in);
    UpperUtf8InPlace(buf);
    EXPECT_STREQ(buf, c.out) << c.in;
    EXPECT_EQ(UpperUtf8(c.in), c.out) << c.in;
  }
  UpperUtf8InPlace(nullptr);
}

TEST(UnicodeUpperTest, Utf16Upper) {
  EXPECT_EQ(UnicodeUpper(u"abc\u0436\u00E9"), u"ABC\u0416\u00C9");
  EXPECT_EQ(UnicodeUpper(u"\U00010428"), u"\U00010400");  // Deseret, a surrogate pair
  std::u16string lone(1, static_cast<char16_t>(0xDC00));
  EXPECT_EQ(UnicodeUpper(lone), lone);
}

TEST(UnicodeUpperTest, CompareIgnoresCase) {
  struct Case {
    std::string_view a;
    std::string_view b;
    int sign;
  } cases[] = {
      {"Abc", "aBC", 0},
      {"\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80", "\xD0\xBF\xD0\x95\xD0\xA2\xD0\xA0", 0},  // Петр/пЕТР
      {"abc", "abd", -1},
      {"ab", "abc", -1},
      {"b", "A", 1},
      {"", "", 0},
      // Invalid texts are not all alike.
      {"\xFF", "\xFE", 1},
      {"x\xFF", "x\xFF", 0},
      {"\xFF", "", 1},
  };
  for (const Case& c : cases) {
    int r = CompareTextUtf8(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
  EXPECT_TRUE(SameTextUtf8("\xD1\x91", "\xD0\x81"));
}

}  // namespace
}  // namespace zarix
