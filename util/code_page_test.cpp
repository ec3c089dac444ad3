// Tests of the ANSI and OEM conversions and their process-wide code page settings.
#include "util/code_page.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

// "Том" in UTF-8, Windows-1251, CP866 and KOI8-R.
constexpr char kUtf8[] = "\xD0\xA2\xD0\xBE\xD0\xBC";
constexpr char kCp1251[] = "\xD2\xEE\xEC";
constexpr char kCp866[] = "\x92\xAE\xAC";
constexpr char kKoi8[] = "\xF4\xCF\xCD";

TEST(CodePageTest, DefaultsAndSetters) {
  EXPECT_EQ(AnsiToUtf8(kCp1251), kUtf8);
  EXPECT_EQ(Utf8ToAnsi(kUtf8), kCp1251);
  EXPECT_EQ(OemToUtf8(kCp866), kUtf8);
  EXPECT_EQ(Utf8ToOem(kUtf8), kCp866);
  EXPECT_EQ(Utf8ToAnsi("\xE2\x98\x83 x"), "? x");  // a snowman has no Windows-1251 form

  SetAnsiCodePage("KOI8-R");
  EXPECT_EQ(AnsiToUtf8(kKoi8), kUtf8);
  EXPECT_EQ(Utf8ToAnsi(kUtf8), kKoi8);
  SetAnsiCodePage("");
  EXPECT_EQ(AnsiCodePage(), kDefaultAnsiCodePage);
  SetOemCodePage("CP437");
  EXPECT_EQ(OemToUtf8("\x81"), "\xC3\xBC");
  SetOemCodePage("");
  EXPECT_EQ(OemCodePage(), kDefaultOemCodePage);
}

}  // namespace
}  // namespace zarix
