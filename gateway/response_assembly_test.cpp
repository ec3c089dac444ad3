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

TEST(AssembleResponseTest, AttachmentsAndStreams) {
  IniStore ini;
  ini.LoadText("[BOOKS]\nExpires=0\nETag=x\n");
  struct Case {
    char command;
    const char* served;
    long long page;
    const char* preset_type;
    bool stream;
    const char* type;
    const char* disposition;
  } cases[] = {
      {'E', "", 0, "", false, "application/octet-stream; name=\"export.iso\"",
       "attachment; filename=\"export.iso\""},
      {'5', "a/b/c.pdf", 3, "", true, "application/octet-stream; name=\"c.pdf\"",
       "attachment; filename=\"c 3.pdf\""},
      {'3', "C:\\img\\x.jpg", 0, "image/jpeg", true, "image/jpeg",
       "attachment; filename=\"x.jpg\""},
      {'7', "a/b/c.pdf", 0, "application/pdf", true, "application/pdf", "<none>"},
      {'3', "x.gif", 0, "", false, "", "<none>"},  // no stream: nothing set
  };
  for (const Case& c : cases) {
    CgiResponse r;
    r.content_type = c.preset_type;
    if (c.stream) r.content_stream = std::make_unique<MemoryContentStream>("12345");
    ResponseSource src;
    src.command = c.command;
    src.page_text = "page";
    src.export_extension = "iso";
    src.served_file_name = c.served;
    src.image_file_page = c.page;
    src.database = "BOOKS";
    AssembleResponse(ini, src, r);
    EXPECT_EQ(r.content_type, c.type) << c.command << c.served;
    EXPECT_EQ(Header(r, "Content-Disposition"), c.disposition) << c.command << c.served;
    EXPECT_EQ(Header(r, "Expires"), "<none>");  // database headers are for pages only
    EXPECT_EQ(r.BodySize(), c.stream ? 5 : 4);
  }
}

TEST(AssembleResponseTest, DatabaseHeadersInTheirFixedOrder) {
  IniStore ini;
  ini.LoadText("[BOOKS]\nExpires=0\nETag=x\n");
  CgiResponse r;
  ResponseSource src;
  src.command = 'S';
  src.database = "BOOKS";
  AssembleResponse(ini, src, r);
  ASSERT_EQ(r.custom_headers.size(), 2u);
  EXPECT_EQ(r.custom_headers[0].first, "ETag");
  EXPECT_EQ(r.custom_headers[1].first, "Expires");
}

TEST(SetContentTypeByExtensionTest, Table) {
  struct Case {
    const char* name;
    const char* type;
  } cases[] = {{"a.Jpg", "image/jpeg"}, {"x.djvu", "image/vnd.djvu"}, {"noext", "text/plain"},
               {"a.zip", "text/plain"}, {"dir.v2/file", "text/plain"}, {"c.RTF", "application/msword"}};
  for (const Case& c : cases) {
    CgiResponse r;
    SetContentTypeByExtension(c.name, r);
    EXPECT_EQ(r.content_type, c.type) << c.name;
  }
}

TEST(CgiResponseTest, HeaderValuesCannotBreakTheHeaderBlock) {
  CgiResponse r;
  r.SetPage("abc", "text/plain");
  r.AddCustomHeader("X-A", "1\r\nInjected: yes");
  r.status = 413;
  EXPECT_EQ(r.HeaderBlock(),
            "Status: 413 Payload Too Large\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n"
            "X-A: 1  Injected: yes\r\n\r\n");
}

}  // namespace
}  // namespace zarix
