#include "gateway/forwarding.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(ForwardAnswerTest, HeaderBlockAndBinary) {
  static const char kBinary[] =
      "[HEADERS]\nContent-Type=image/gif\nZARIX_END_HEADERZARIX_BINARY_DATAGIF\0\1";
  struct Case {
    std::string received;
    const char* type;
    const char* content;
    int64_t body_size;
  } cases[] = {
      {"[HEADERS]\r\nContent-Type=text/plain\r\nZARIX_END_HEADERhello", "text/plain", "hello", 5},
      {"ZARIX_END_HEADERhello", "", "ZARIX_END_HEADERhello", 21},  // marker first: no headers
      {"plain text", "", "plain text", 10},
      {std::string(kBinary, sizeof kBinary - 1), "image/gif", "", 5},
  };
  for (const Case& c : cases) {
    CgiResponse r;
    ApplyForwardAnswer(SplitAnswer(c.received), r);
    EXPECT_EQ(r.content_type, c.type) << c.received;
    EXPECT_EQ(r.content, c.content) << c.received;
    EXPECT_EQ(r.BodySize(), c.body_size) << c.received;
  }
}

TEST(ForwardAnswerTest, ExtraHeadersInOrder) {
  CgiResponse r;
  ApplyForwardAnswer(
      SplitAnswer("[HEADERS]\nExpires=0\nContent-Disposition=attachment\nETag=1\nZARIX_END_HEADERx"),
      r);
  ASSERT_EQ(r.custom_headers.size(), 3u);
  EXPECT_EQ(r.custom_headers[0].first, "ETag");
  EXPECT_EQ(r.custom_headers[1].first, "Expires");
  EXPECT_EQ(r.custom_headers[2].first, "Content-Disposition");
}

TEST(RequestStoreTextTest, SectionsWithEmptyLine) {
  IniStore web;
  web.LoadText("[Form Literal]\nC21COM=S\n[CGI]\nQuery String=C21COM=S\n");
  EXPECT_EQ(RequestStoreText(web),
            "[Form Literal]\r\nC21COM=S\r\n\r\n[CGI]\r\nQuery String=C21COM=S\r\n\r\n");
}

}  // namespace
}  // namespace zarix
