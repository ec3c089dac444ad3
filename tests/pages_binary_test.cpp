// Whole requests for binary resources: command 3 sends the decoded bytes of a record's field,
// and result pages turn "[[n]]" markers into image links that ask for them.
#include <gtest/gtest.h>

#include "tests/pages_fixture.h"

namespace zarix::testing {
namespace {

class BinaryResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    static bool made = false;
    if (!made) {
      IsoRec rec;
      rec.fields = {{"001", "img1"},
                    {"245",
                     "\x1F"
                     "aPicture"},
                    {"953", "%41%42&+"},
                    {"953", "%89PNG%0D%0A%1A%0A%00%ff"}};
      pages_->MakeDatabase("IMG", {rec});
      pages_->site().WriteFile("data/IMG/fullwebr.pft", "'<p>'v245^a' [[2]] [[]] [[12345]]</p>'");
      made = true;
    }
    pages_->WriteDefaultFrames();
    pages_->Configure("", "CGI_ALIAS=/cgi-bin/z.exe\n");
  }
  PagesSite* pages_ = nullptr;
};

TEST_F(BinaryResourceTest, SendsTheDecodedBytes) {
  struct Case {
    std::string query;
    std::string bytes;
  } cases[] = {
      {"BINARY_RESOURCE_MFN=1&BINARY_RESOURCE_OCC=2", std::string("\x89PNG\r\n\x1A\n\x00\xFF", 10)},
      {"BINARY_RESOURCE_MFN=1&BINARY_RESOURCE_OCC=1", "AB\r\n "},
      // No occurrence, or not a number: the first one.
      {"BINARY_RESOURCE_MFN=1&BINARY_RESOURCE_OCC=", "AB\r\n "},
      {"BINARY_RESOURCE_MFN=1&BINARY_RESOURCE_OCC=x", "AB\r\n "},
      {"BINARY_RESOURCE_MFN=1", "AB\r\n "},
      // An occurrence the record lacks, or no record asked for: an empty object.
      {"BINARY_RESOURCE_MFN=1&BINARY_RESOURCE_OCC=7", ""},
      {"BINARY_RESOURCE_OCC=1", ""},
  };
  for (const Case& c : cases) {
    CgiResult r = pages_->Get("C21COM=3&I21DBN=IMG&" + c.query);
    EXPECT_EQ(r.body, c.bytes) << c.query;
    EXPECT_EQ(r.Header("content-type"), "Image") << c.query;
    EXPECT_EQ(r.Header("content-length"), std::to_string(c.bytes.size())) << c.query;
  }
}

TEST_F(BinaryResourceTest, UnreadableRecordOrDatabase) {
  for (const char* q :
       {"I21DBN=IMG&BINARY_RESOURCE_MFN=5", "I21DBN=IMG&BINARY_RESOURCE_MFN=-1x",
        "I21DBN=NODB&BINARY_RESOURCE_MFN=1", "I21DBN=../data/IMG&BINARY_RESOURCE_MFN=1"}) {
    CgiResult r = pages_->Get(std::string("C21COM=3&") + q);
    if (std::string(q).find("-1x") != std::string::npos) {
      // Not a number: no record asked for, an empty object.
      EXPECT_EQ(r.Header("content-type"), "Image") << q;
      continue;
    }
    EXPECT_NE(r.body.find("Error read binary resourse"), std::string::npos) << q << r.body;
    EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8") << q;
  }
}

TEST_F(BinaryResourceTest, ResultPagesLinkTheImages) {
  CgiResult r = pages_->Get("C21COM=F&I21DBN=IMG&Z21MFN=1");
  const std::string link =
      "<img src=\"/cgi-bin/z.exe?C21COM=3&I21DBN=IMG&P21DBN=IMG&BINARY_RESOURCE_MFN=1&"
      "BINARY_RESOURCE_OCC=";
  EXPECT_NE(r.body.find("<p>Picture " + link + "2\"> " + link + "\"> [[12345]]</p>"),
            std::string::npos)
      << r.body;
}

}  // namespace
}  // namespace zarix::testing
