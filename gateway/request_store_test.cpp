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
      {"A+B", true, "A+B"},            // never escaped: "+" is the search operator
      {"A+B%20C+D", true, "A+B C D"},  // "+" before the first escape stays
      {"%41&B", true, "A\r\nB"},      {"%41&B", false, "A&B"},
      {"100%", true, "100%"},  // a "%" without two hex digits stays, nothing read beyond
      {"1%4", true, "1%4"},           {"%zz%c3%bc", true, "%zz\xC3\xBC"},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlDecodeValue(c.in, c.specsimvols), c.out) << c.in;
}

TEST(NeutralizeMarkupTest, Table) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"<script>", " script "}, {"<b>", "<b>"},   {"<.>", "<.>"}, {"a<b", "a<b"},
      {"ab<cd", "ab cd"},       {"ab>c", "ab c"}, {"x>y", "x>y"}, {"a\tb\x01", "a b "},
  };
  for (const Case& c : cases) EXPECT_EQ(NeutralizeMarkup(c.in, ' '), c.out) << c.in;
}

TEST(RequestParamTest, FieldThenWebThenDefault) {
  IniStore web, server;
  web.LoadText("[Form Literal]\nA=1\nEMPTY=\n");
  server.LoadText("[WEB]\nA=9\nB=8\nEMPTY=7\nC=\n");
  EXPECT_EQ(RequestParam(web, server, "a", "d"), "1");
  EXPECT_EQ(RequestParam(web, server, "B", "d"), "8");
  EXPECT_EQ(RequestParam(web, server, "EMPTY", "d"), "");  // present and empty wins
  EXPECT_EQ(RequestParam(web, server, "C", "d"), "d");     // empty config value: default
  web.LoadText("[Form Literal]\nC21COM=\n");
  EXPECT_EQ(GetCommandChar(web, server), '\0');
}

// Whoever writes request fields (the query, the request filter, the search form), the gateway's
// own fields keep the values the gateway wrote, in any letter case.
TEST(SetRequestParamTest, NeverReplacesGatewayFields) {
  IniStore web, server;
  web.LoadText("[Form Literal]\nURLTag=192.0.2.7\nHOST=catalogue.test\n");
  for (const char* name : {"URLTag", "urltag", "HOST", "Host", "DTAGE", "UserAgent", "USERAGENT"}) {
    SetRequestParam(web, name, "forged");
  }
  SetRequestParam(web, "URLTag2", "kept");
  EXPECT_EQ(RequestParam(web, server, "URLTag"), "192.0.2.7");
  EXPECT_EQ(RequestParam(web, server, "HOST"), "catalogue.test");
  EXPECT_EQ(RequestParam(web, server, "DTAGE"), "");
  EXPECT_EQ(RequestParam(web, server, "UserAgent"), "");
  EXPECT_EQ(RequestParam(web, server, "URLTag2"), "kept");
}

TEST(ParseQueryStringTest, Table) {
  struct Case {
    const char* query;
    const char* name;
    const char* value;  // nullptr: absent
  } cases[] = {
      {"T21CHK=1&T21CHK=2&T21CHK=3", "T21CHK", "1 2 3"},
      {"X=1&X=2", "X", "2"},
      {"X=", "X", nullptr},
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

TEST(CharsetFromContentTypeTest, Table) {
  EXPECT_EQ(CharsetFromContentType("text/html; charset=KOI8-R"), "koi8-r");
  EXPECT_EQ(CharsetFromContentType("text/html; charset=utf-8"), "utf-8");
  EXPECT_EQ(CharsetFromContentType("text/plain; charset=iso-8859-1"), "windows-1251");
  EXPECT_EQ(CharsetFromContentType("application/octet-stream"), "windows-1251");
}

}  // namespace
}  // namespace zarix
