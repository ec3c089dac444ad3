#include "gateway/cgi_request.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(MultipartBoundaryTest, Table) {
  EXPECT_EQ(MultipartBoundary("multipart/form-data; boundary=abc"), "abc");
  EXPECT_EQ(MultipartBoundary("Multipart/Form-Data; charset=utf-8; boundary=\"a b\""), "a b");
  EXPECT_EQ(MultipartBoundary("application/x-www-form-urlencoded"), "");
  EXPECT_EQ(MultipartBoundary("multipart/form-data"), "");
}

TEST(ParseMultipartTest, FieldsAndFiles) {
  using namespace std::string_literals;
  const std::string body =
      "preamble\r\n"
      "--XyZ\r\n"
      "Content-Disposition: form-data; name=\"C21COM\"\r\n"
      "\r\n"
      "S\r\n"
      "--XyZ\r\n"
      "Content-Disposition: form-data; name=\"upload\"; filename=\"a \\\"b\\\".iso\"\r\n"
      "Content-Type: application/octet-stream\r\n"
      "\r\n"
      "line1\r\n--XyZnot a delimiter\r\n\x00\xFF\r\n"
      "--XyZ\r\n"
      "Content-Disposition: form-data; name=\"empty\"\r\n"
      "\r\n"
      "\r\n"
      "--XyZ--\r\n"s;
  std::vector<FormPart> parts;
  ASSERT_TRUE(ParseMultipartFormData(body, "XyZ", &parts));
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].name, "C21COM");
  EXPECT_EQ(parts[0].data, "S");
  EXPECT_FALSE(parts[0].has_file_name);
  EXPECT_EQ(parts[1].name, "upload");
  EXPECT_TRUE(parts[1].has_file_name);
  EXPECT_EQ(parts[1].file_name, "a \"b\".iso");
  EXPECT_EQ(parts[1].content_type, "application/octet-stream");
  EXPECT_EQ(parts[1].data, "line1\r\n--XyZnot a delimiter\r\n\x00\xFF"s);
  EXPECT_EQ(parts[2].data, "");
}

TEST(ParseMultipartTest, BareLineFeeds) {
  std::vector<FormPart> parts;
  EXPECT_TRUE(ParseMultipartFormData(
      "--b\nContent-Disposition: form-data; name=x\n\nvalue\n--b--\n", "b", &parts));
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].name, "x");
  EXPECT_EQ(parts[0].data, "value");
}

TEST(ParseMultipartTest, MalformedKeepsWhatWasFound) {
  struct Case {
    const char* body;
    size_t parts;
  } cases[] = {
      {"no delimiter at all", 0},
      {"--b\r\nContent-Disposition: form-data; name=a\r\n\r\n1\r\n--b\r\nContent-Dis", 1},
      {"--b\r\nContent-Disposition: form-data; name=a\r\n\r\nno closing delimiter", 0},
  };
  for (const Case& c : cases) {
    std::vector<FormPart> parts;
    EXPECT_FALSE(ParseMultipartFormData(c.body, "b", &parts)) << c.body;
    EXPECT_EQ(parts.size(), c.parts) << c.body;
  }
}

TEST(ReadCgiBodyTest, LimitAndShortInput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "a=1&b=2", 7), 7);
  close(fds[1]);
  CgiRequest r;
  r.content_length = 7;
  EXPECT_EQ(ReadCgiBody(fds[0], 6, &r), BodyStatus::kTooLarge);
  EXPECT_EQ(r.body, "");
  r.content_length = 10;
  EXPECT_EQ(ReadCgiBody(fds[0], 100, &r), BodyStatus::kIncomplete);
  EXPECT_EQ(r.body, "a=1&b=2");
  close(fds[0]);
}

TEST(ReadCgiBodyTest, UploadedFilesOnly) {
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
  r.content_length = static_cast<long long>(body.size());
  EXPECT_EQ(ReadCgiBody(fds[0], 1 << 20, &r), BodyStatus::kOk);
  close(fds[0]);
  ASSERT_EQ(r.files.size(), 1u);
  EXPECT_EQ(r.files[0].file_name, "x.txt");
  EXPECT_EQ(r.files[0].data, "DATA");
}

}  // namespace
}  // namespace zarix
