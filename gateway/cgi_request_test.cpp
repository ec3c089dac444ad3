#include "gateway/cgi_request.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace zarix {
namespace {

using namespace std::string_literals;

TEST(MultipartTest, BoundaryParameter) {
  EXPECT_EQ(MultipartBoundary("Multipart/Form-Data; charset=utf-8; boundary=\"a b\""), "a b");
  EXPECT_EQ(MultipartBoundary("application/x-www-form-urlencoded; boundary=x"), "");
}

TEST(MultipartTest, FieldsAndFiles) {
  const std::string body =
      "preamble\r\n--XyZ\r\n"
      "Content-Disposition: form-data; name=\"C21COM\"\r\n\r\nS\r\n--XyZ\r\n"
      "Content-Disposition: form-data; name=\"up\"; filename=\"a \\\"b\\\".iso\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\n"
      "line1\r\n--XyZnot a delimiter\r\n\x00\xFF\r\n--XyZ\r\n"
      "Content-Disposition: form-data; name=empty\r\n\r\n\r\n--XyZ--\r\n"s;
  std::vector<FormPart> parts;
  ASSERT_TRUE(ParseMultipartFormData(body, "XyZ", &parts));
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].data, "S");
  EXPECT_FALSE(parts[0].has_file_name);
  EXPECT_EQ(parts[1].file_name, "a \"b\".iso");
  EXPECT_EQ(parts[1].content_type, "application/octet-stream");
  EXPECT_EQ(parts[1].data, "line1\r\n--XyZnot a delimiter\r\n\x00\xFF"s);
  EXPECT_EQ(parts[2].name, "empty");
  EXPECT_EQ(parts[2].data, "");
}

TEST(MultipartTest, MalformedKeepsWhatWasFound) {
  struct Case {
    const char* body;
    bool ok;
    size_t parts;
  } cases[] = {
      {"--b\nContent-Disposition: form-data; name=x\n\nvalue\n--b--\n", true, 1},  // bare LF
      {"no delimiter at all", false, 0},
      {"--b\r\nContent-Disposition: form-data; name=a\r\n\r\n1\r\n--b\r\nContent-Dis", false, 1},
      {"--b\r\nContent-Disposition: form-data; name=a\r\n\r\nno closing delimiter", false, 0},
  };
  for (const Case& c : cases) {
    std::vector<FormPart> parts;
    EXPECT_EQ(ParseMultipartFormData(c.body, "b", &parts), c.ok) << c.body;
    EXPECT_EQ(parts.size(), c.parts) << c.body;
  }
}

TEST(ReadCgiBodyTest, ShortInputAndUploadedFiles) {
  const std::string body =
      "--q\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nv\r\n"
      "--q\r\nContent-Disposition: form-data; name=\"file\"; filename=\"x.txt\"\r\n\r\nDATA\r\n"
      "--q--\r\n";
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], body.data(), body.size()), static_cast<ssize_t>(body.size()));
  close(fds[1]);
  CgiRequest r;
  r.content_type = "multipart/form-data; boundary=q";
  r.content_length = static_cast<long long>(body.size()) + 1;
  EXPECT_EQ(ReadCgiBody(fds[0], 1 << 20, &r), BodyStatus::kIncomplete);
  close(fds[0]);
  EXPECT_EQ(r.body, body);
  ASSERT_EQ(r.files.size(), 1u);  // only the part with a file name
  EXPECT_EQ(r.files[0].data, "DATA");
}

}  // namespace
}  // namespace zarix
