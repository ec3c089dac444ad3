#include "gateway/response_assembly.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

std::string Header(const CgiResponse& r, std::string_view name) {
  for (const auto& [n, v] : r.custom_headers) {
    if (n == name) return v;
  }
  return "<none>";
}

TEST(AssembleResponseTest, HtmlPages) {
  IniStore ini;
  ini.LoadText(
      "[BOOKS]\nContentType=text/html; charset=KOI8-R\nExpires=0\nETag=\"x\"\n"
      "[PLAIN]\nContent-Language=ru\n");
  struct Case {
    const char* db;
    const char* charset;
    const char* type;
    size_t length;
  } cases[] = {
      {"PLAIN", "windows-1251", "text/html; charset=WINDOWS-1251", 6},
      {"PLAIN", "UTF-8", "text/html; charset=UTF-8", 12},
      {"BOOKS", "Windows-1251", "text/html; charset=KOI8-R", 6},
  };
  for (const Case& c : cases) {
    CgiResponse r;
    ResponseSource src;
    src.command = 'S';
    src.page_text = "Привет";
    src.database = c.db;
    src.frames_char_set = c.charset;
    AssembleResponse(ini, src, r);
    EXPECT_EQ(r.content_type, c.type) << c.db << c.charset;
    EXPECT_EQ(r.BodySize(), static_cast<int64_t>(c.length)) << c.db << c.charset;
  }
  CgiResponse r;
  ResponseSource src;
  src.command = 'T';
  src.database = "BOOKS";
  AssembleResponse(ini, src, r);
  ASSERT_EQ(r.custom_headers.size(), 2u);
  EXPECT_EQ(r.custom_headers[0].first, "ETag");  // in the fixed key order, not the file's
  EXPECT_EQ(r.custom_headers[1].first, "Expires");
}

TEST(AssembleResponseTest, ExportAttachment) {
  IniStore ini;
  CgiResponse r;
  ResponseSource src;
  src.command = 'E';
  src.page_text = "00042nam";
  src.export_extension = "iso";
  AssembleResponse(ini, src, r);
  EXPECT_EQ(r.content_type, "application/octet-stream; name=\"export.iso\"");
  EXPECT_EQ(Header(r, "Content-Disposition"), "attachment; filename=\"export.iso\"");
  EXPECT_EQ(r.content, "00042nam");
}

TEST(AssembleResponseTest, StreamAttachments) {
  IniStore ini;
  struct Case {
    char command;
    const char* served;
    long long page;
    const char* preset_type;
    const char* type;
    const char* disposition;
  } cases[] = {
      {'5', "a/b/c.pdf", 3, "", "application/octet-stream; name=\"c.pdf\"",
       "attachment; filename=\"c 3.pdf\""},
      {'3', "C:\\img\\x.jpg", 0, "image/jpeg", "image/jpeg", "attachment; filename=\"x.jpg\""},
      {'3', "", 0, "", "application/octet-stream; name=\"\"", "<none>"},
      {'7', "a/b/c.pdf", 0, "application/pdf", "application/pdf", "<none>"},
  };
  for (const Case& c : cases) {
    CgiResponse r;
    r.content_type = c.preset_type;
    r.content_stream = std::make_unique<MemoryContentStream>("12345");
    ResponseSource src;
    src.command = c.command;
    src.served_file_name = c.served;
    src.image_file_page = c.page;
    AssembleResponse(ini, src, r);
    EXPECT_EQ(r.content_type, c.type) << c.served;
    EXPECT_EQ(Header(r, "Content-Disposition"), c.disposition) << c.served;
    EXPECT_EQ(r.BodySize(), 5);
  }
}

TEST(SetContentTypeByExtensionTest, Table) {
  struct Case {
    const char* name;
    const char* type;
  } cases[] = {
      {"a.Jpg", "image/jpeg"},     {"a.HTM", "text/html"},   {"x.djvu", "image/vnd.djvu"},
      {"noext", "text/plain"},     {"a.zip", "text/plain"},  {"dir.v2/file", "text/plain"},
      {"b.pdf", "application/pdf"}, {"c.rtf", "application/msword"},
  };
  for (const Case& c : cases) {
    CgiResponse r;
    SetContentTypeByExtension(c.name, r);
    EXPECT_EQ(r.content_type, c.type) << c.name;
  }
}

TEST(CgiResponseTest, HeaderBlock) {
  CgiResponse r;
  r.SetPage("abc", "text/plain");
  r.AddCustomHeader("X-A", "1\r\nInjected: yes");
  EXPECT_EQ(r.HeaderBlock(),
            "Content-Type: text/plain\r\nContent-Length: 3\r\nX-A: 1  Injected: yes\r\n\r\n");
  r.status = 413;
  EXPECT_EQ(r.HeaderBlock().rfind("Status: 413 Payload Too Large\r\n", 0), 0u);
}

}  // namespace
}  // namespace zarix
