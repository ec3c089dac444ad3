#include "gateway/web_action.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

using Lines = std::vector<std::string>;

// The body's lines after the five fixed ones.
Lines BodyLines(const std::string& body, bool* ansi) {
  CgiRequest r;
  r.body = body;
  Lines lines;
  TokenizeRequest(r, &lines, ansi);
  return Lines(lines.begin() + 5, lines.end());
}

TEST(TokenizeRequestTest, Bodies) {
  struct Case {
    const char* body;
    Lines lines;
    bool ansi;
  } cases[] = {
      {"", {}, false},
      {"X=%2541&&b=", {"X=A", "b="}, false},  // form decoding, then the value decoding
      {"ansiencoding=1", {"ansiencoding=1"}, true},
      // Multipart parts without the blank line after their header: T21CHK values collected,
      // ANSIENCODING=1 recognised, a value runs to the line before the next named part.
      {"--b\nContent-Disposition: form-data; name=\"T21CHK\"\nA\n--b\n"
       "Content-Disposition: form-data; name=\"T21CHK\"\nB\n--b\n"
       "Content-Disposition: form-data; name=\"ANSIENCODING\"\n1\n--b\n"
       "Content-Disposition: form-data; name=\"N\"\nx%21\ny\n--b--\n",
       {"ANSIENCODING=1", "N=x! y", "T21CHK=A B"},
       true},
      // As browsers send them: a blank line (and maybe more header lines) before each value;
      // file parts stay out of the store.
      {"--b\r\nContent-Disposition: form-data; name=\"T21CHK\"\r\n\r\nA\r\n--b\r\n"
       "Content-Disposition: form-data; name=\"up\"; filename=\"x.txt\"\r\n"
       "Content-Type: text/plain\r\n\r\nname=\"evil\"\r\nDATA\r\n--b\r\n"
       "Content-Disposition: form-data; name=\"T21CHK\"\r\n\r\nB\r\n--b\r\n"
       "Content-Disposition: form-data; name=\"C21COM\"\r\nContent-Type: text/plain\r\n\r\n"
       "R\r\n--b--\r\n",
       {"C21COM=R", "T21CHK=A B"},
       false},
  };
  for (const Case& c : cases) {
    bool ansi = false;
    EXPECT_EQ(BodyLines(c.body, &ansi), c.lines) << c.body;
    EXPECT_EQ(ansi, c.ansi) << c.body;
  }
}

}  // namespace
}  // namespace zarix
