// Tests of UrlEncode.
#include "util/url_encode.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(UrlEncodeTest, KeepsOnlyLettersAndDigits) {
  EXPECT_EQ(UrlEncode("a b/\xC3\xBC"), "a%20b%2F%C3%BC");
  EXPECT_EQ(UrlEncode("AZaz09"), "AZaz09");
  EXPECT_EQ(UrlEncode("-_.~%+"), "%2D%5F%2E%7E%25%2B");
  EXPECT_EQ(UrlEncode(std::string_view("\0\xFF", 2)), "%00%FF");
  EXPECT_EQ(UrlEncode(""), "");
}

}  // namespace
}  // namespace zarix
