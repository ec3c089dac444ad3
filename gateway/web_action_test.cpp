#include "gateway/web_action.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

std::vector<std::string> BodyLines(const std::string& body, bool* ansi) {
  CgiRequest r;
  r.remote_addr = "10.0.0.1";
  r.body = body;
  std::vector<std::string> lines = TokenizeRequest(r, ansi);
  EXPECT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "[Form Literal]");
  EXPECT_EQ(lines[1], "URLTag=10.0.0.1");
  return std::vector<std::string>(lines.begin() + 5, lines.end());
}

using Lines = std::vector<std::string>;

TEST(TokenizeRequestTest, FormEncodedBodies) {
  struct Case {
    const char* body;
    Lines lines;
    bool ansi;
  } cases[] = {
      {"", {}, false},
      {"a=1&b=2", {"a=1", "b=2"}, false},
      {"S21ALL=K%3DA+K%3DB", {"S21ALL=K=A K=B"}, false},
      {"X=%2541", {"X=A"}, false},  // form decoding, then the value decoding
      {"ANSIENCODING=1&a=%CF", {"ANSIENCODING=1", "a=\xCF"}, true},
      {"ansiencoding=1", {"ansiencoding=1"}, true},
      {"a=1&&b=", {"a=1", "b="}, false},
  };
  for (const Case& c : cases) {
    bool ansi = false;
    EXPECT_EQ(BodyLines(c.body, &ansi), c.lines) << c.body;
    EXPECT_EQ(ansi, c.ansi) << c.body;
  }
}

TEST(TokenizeRequestTest, MultipartWalk) {
  const std::string body =
      "-----------------------------7d1\r\n"
      "Content-Disposition: form-data; name=\"C21COM\"\r\n"
      "\r\n"
      "S\r\n"
      "-----------------------------7d1\r\n"
      "Content-Disposition: form-data; name=\"T21CHK\"\r\n"
      "\r\n"
      "K=A\r\n"
      "-----------------------------7d1\r\n"
      "Content-Disposition: form-data; name=\"S21ALL\"\r\n"
      "\r\n"
      "two\r\n"
      "lines%21\r\n"
      "-----------------------------7d1\r\n"
      "Content-Disposition: form-data; name=\"ANSIENCODING\"\r\n"
      "\r\n"
      "1\r\n"
      "-----------------------------7d1--\r\n";
  bool ansi = false;
  // A value keeps the blank line after the part header as a leading blank; T21CHK takes only
  // that blank line, so no T21CHK line comes out.
  EXPECT_EQ(BodyLines(body, &ansi),
            (Lines{"C21COM= S", "S21ALL= two lines!", "ANSIENCODING= 1"}));
  EXPECT_FALSE(ansi);  // the blank before the 1 keeps the line from reading ANSIENCODING=1
}

TEST(TokenizeRequestTest, MultipartCompactParts) {
  // Parts without the blank line: T21CHK values are collected, ANSIENCODING=1 is recognised.
  const std::string body =
      "--b\n"
      "Content-Disposition: form-data; name=\"T21CHK\"\n"
      "A\n"
      "--b\n"
      "Content-Disposition: form-data; name=\"T21CHK\"\n"
      "B\n"
      "--b\n"
      "Content-Disposition: form-data; name=\"ANSIENCODING\"\n"
      "1\n"
      "--b--\n";
  bool ansi = false;
  EXPECT_EQ(BodyLines(body, &ansi), (Lines{"ANSIENCODING=1", "T21CHK=A B"}));
  EXPECT_TRUE(ansi);
}

TEST(HtmlEscapeTest, Markup) {
  EXPECT_EQ(HtmlEscape("<script>alert(\"x\")</script>&"),
            "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;");
}

TEST(ErrorTraceFileNameTest, Shape) {
  NewErrorTraceFileName();
  const std::string& name = ErrorTraceFileName();
  ASSERT_EQ(name.rfind("Error_terminate_", 0), 0u);
  ASSERT_GE(name.size(), 4u);
  EXPECT_EQ(name.substr(name.size() - 4), ".log");
  // "_dd_hh_nn_ss.log" at the end.
  EXPECT_EQ(name[name.size() - 7], '_');
  EXPECT_EQ(name[name.size() - 10], '_');
  EXPECT_EQ(name[name.size() - 13], '_');
  EXPECT_EQ(name[name.size() - 16], '_');
}

}  // namespace
}  // namespace zarix
