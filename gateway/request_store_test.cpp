#include "gateway/request_store.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(UrlDecodeValueTest, Table) {
  struct Case {
    const char* in;
    bool specsimvols;
    const char* out;
  } cases[] = {
      {"K%3DA+K%3DB", true, "K=A K=B"},
      {"A+B", true, "A+B"},          // never escaped: "+" is the search operator
      {"A+B%20C+D", true, "A+B C D"},  // "+" before the first escape stays
      {"a%0Ab", true, "a\nb"},
      {"%41&B", true, "A\r\nB"},
      {"%41&B", false, "A&B"},
      {"A&B", true, "A&B"},
      {"100%", true, "100%"},
      {"1%4", true, "1%4"},
      {"%zz", true, "%zz"},
      {"%c3%bc", true, "\xC3\xBC"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UrlDecodeValue(c.in, c.specsimvols), c.out) << c.in;
  }
}

TEST(NeutralizeMarkupTest, Table) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"<script>", " script "},
      {"<b>", "<b>"},
      {"<.>", "<.>"},
      {"a<b", "a<b"},     // "<" in the last two positions stays
      {"ab<cd", "ab cd"},
      {"ab>c", "ab c"},
      {"x>y", "x>y"},     // ">" in the first two positions stays
      {">ab", ">ab"},     // ">" in the first two positions stays
      {"a\tb\x01", "a b "},
      {"K=A<.>B", "K=A<.>B"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NeutralizeMarkup(c.in, ' '), c.out) << c.in;
  }
}

TEST(Utf8RoundTripTest, InvalidBecomesEmpty) {
  EXPECT_EQ(Utf8RoundTrip("Привет"), "Привет");
  EXPECT_EQ(Utf8RoundTrip("\xCF\xF0\xE8"), "");
  EXPECT_EQ(SanitizeLogValue("a<script>\xFF"), "");
}

class RequestParamTest : public ::testing::Test {
 protected:
  IniStore web_;
  IniStore server_;
};

TEST_F(RequestParamTest, FieldThenWebThenDefault) {
  web_.LoadText("[Form Literal]\nA=1\nEMPTY=\n");
  server_.LoadText("[WEB]\nA=9\nB=8\nEMPTY=7\nC=\n");
  EXPECT_EQ(RequestParam(web_, server_, "a", "d"), "1");
  EXPECT_EQ(RequestParam(web_, server_, "B", "d"), "8");
  EXPECT_EQ(RequestParam(web_, server_, "EMPTY", "d"), "");  // present and empty wins
  EXPECT_EQ(RequestParam(web_, server_, "C", "d"), "d");     // empty config value: default
  SetRequestParam(web_, "B", "new");
  EXPECT_EQ(RequestParam(web_, server_, "B", "d"), "new");
}

TEST_F(RequestParamTest, CommandCharMapsThroughWeb) {
  server_.LoadText("[WEB]\nFIND=S\n");
  web_.LoadText("[Form Literal]\nC21COM=FIND\n");
  EXPECT_EQ(GetCommandChar(web_, server_), 'S');
  web_.LoadText("[Form Literal]\nC21COM=T\n");
  EXPECT_EQ(GetCommandChar(web_, server_), 'T');
  web_.LoadText("[Form Literal]\nC21COM=\n");
  EXPECT_EQ(GetCommandChar(web_, server_), '\0');
}

TEST_F(RequestParamTest, ParseQueryString) {
  struct Case {
    const char* query;
    const char* name;
    const char* value;  // nullptr: absent
  } cases[] = {
      {"C21COM=S&I21DBN=BOOKS", "I21DBN", "BOOKS"},
      {"S21ALL=K%3DA+K%3DB", "S21ALL", "K=A K=B"},
      {"S21ALL=A+B", "S21ALL", "A+B"},
      {"T21CHK=1&T21CHK=2&T21CHK=3", "T21CHK", "1 2 3"},
      {"X=1&X=2", "X", "2"},
      {"X=a%0Ab", "X", "a b"},
      {"X=%3Cscript%3E", "X", " script "},
      {"X=%3Ca%3E", "X", "<a>"},
      {"X=", "X", nullptr},
      {"X=%FF", "X", ""},
      {"A\x01[B]=1", "A [B]", "1"},  // raw control bytes in a name do not reach the store
  };
  for (const Case& c : cases) {
    IniStore web;
    web.LoadText(std::string("[CGI]\nQuery String=") + c.query + "\n");
    ParseQueryString(web, "UTF-8", true);
    if (c.value) {
      EXPECT_EQ(web.ReadString(kFormSection, c.name, "<absent>"), c.value) << c.query;
    } else {
      EXPECT_FALSE(web.HasKey(kFormSection, c.name)) << c.query;
    }
  }
}

TEST_F(RequestParamTest, QueryInWindows1251) {
  IniStore web;
  web.LoadText("[CGI]\nQuery String=X=%CF%F0%E8\n");
  ParseQueryString(web, "windows-1251", true);
  EXPECT_EQ(web.ReadString(kFormSection, "X"), "При");
}

TEST(CharsetFromContentTypeTest, Table) {
  EXPECT_EQ(CharsetFromContentType("text/html; charset=KOI8-R"), "koi8-r");
  EXPECT_EQ(CharsetFromContentType("text/html; charset=utf-8"), "utf-8");
  EXPECT_EQ(CharsetFromContentType("application/octet-stream"), "windows-1251");
  EXPECT_EQ(CharsetFromContentType("text/plain; charset=iso-8859-1"), "windows-1251");
}

}  // namespace
}  // namespace zarix
