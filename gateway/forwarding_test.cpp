#include "gateway/forwarding.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(ForwardAnswerTest, HeaderBlockAndBinary) {
  static const char kBinary[] = "[HEADERS]\nContent-Type=image/gif\nZARIX_END_HEADERZARIX_BINARY_DATAGIF\0\1";
  struct Case {
    std::string received;
    const char* type;
    const char* content;
    int64_t body_size;
  } cases[] = {
      {"ZARIX_END_HEADERhello", "", "ZARIX_END_HEADERhello", 21},  // marker first: no headers
      {"[HEADERS]\nETag=1\nExpires=2\nZARIX_END_HEADERx", "", "x", 1},
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

}  // namespace
}  // namespace zarix
