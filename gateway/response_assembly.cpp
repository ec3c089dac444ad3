// Response assembly: character set, content type, attachment and per-database headers.
#include "gateway/response_assembly.h"

#include <string>

#include "util/ascii_case.h"
#include "util/code_page.h"

namespace zarix {

namespace {

std::string Quoted(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back('"');
  out.append(s);
  out.push_back('"');
  return out;
}

}  // namespace

void AssembleResponse(const IniStore& server_ini, const ResponseSource& src,
                      CgiResponse& response) {
  const bool ansi = UpperAscii(src.frames_char_set) == "WINDOWS-1251";
  const bool export_data = !src.export_char_set.empty();
  response.content = ansi && !export_data ? Utf8ToAnsi(src.page_text) : std::string(src.page_text);

  if (src.command == 'E') {
    const std::string name = "export." + std::string(src.export_extension);
    response.content_type = "application/octet-stream; name=" + Quoted(name);
    response.AddCustomHeader("Content-Disposition", "attachment; filename=" + Quoted(name));
    return;
  }
  if (src.command == '5' || src.command == '3') {
    if (!response.content_stream) return;
    std::string name(src.served_file_name);
    size_t cut = name.find_last_of("\\/");
    if (cut != std::string::npos) name.erase(0, cut + 1);
    if (response.content_type.empty()) {
      response.content_type = "application/octet-stream; name=" + Quoted(name);
    }
    if (src.image_file_page > 0 && name.size() >= 4) {
      name = name.substr(0, name.size() - 4) + " " + std::to_string(src.image_file_page) +
             name.substr(name.size() - 4);
    }
    if (!name.empty()) {
      response.AddCustomHeader("Content-Disposition", "attachment; filename=" + Quoted(name));
    }
    return;
  }
  if ((src.command == '2' || src.command == '7' || src.command == '8') && response.content_stream) {
    return;
  }
  std::string type = server_ini.ReadString(src.database, "ContentType");
  if (export_data) {
    type = "text/html; charset=" + std::string(src.export_char_set);
  } else if (type.empty()) {
    type = ansi ? "text/html; charset=WINDOWS-1251" : "text/html; charset=UTF-8";
  }
  response.content_type = type;
  for (std::string_view key : kExtraHeaderKeys) {
    std::string value = server_ini.ReadString(src.database, key);
    if (!value.empty()) response.AddCustomHeader(key, value);
  }
}

void SetContentTypeByExtension(std::string_view file_name, CgiResponse& response) {
  static constexpr struct {
    const char* ext;
    const char* type;
  } kTypes[] = {
      {".HTML", "text/html"},         {".HTM", "text/html"},
      {".TXT", "text/plain"},         {".DOC", "application/msword"},
      {".RTF", "application/msword"}, {".PPT", "application/mspowerpoint"},
      {".XLS", "application/excel"},  {".GIF", "image/gif"},
      {".JPEG", "image/jpeg"},        {".JPG", "image/jpeg"},
      {".BMP", "image/bmp"},          {".PNG", "image/png"},
      {".DJVU", "image/vnd.djvu"},    {".PDF", "application/pdf"},
  };
  response.content_type = "text/plain";
  size_t dot = file_name.find_last_of('.');
  if (dot == std::string_view::npos) return;
  // A dot inside a folder name is not an extension.
  size_t sep = file_name.find_last_of("\\/");
  if (sep != std::string_view::npos && sep > dot) return;
  const std::string ext = UpperAscii(file_name.substr(dot));
  for (const auto& t : kTypes) {
    if (ext == t.ext) {
      response.content_type = t.type;
      return;
    }
  }
}

void CopyResponseHeaders(const IniStore& store, CgiResponse& response) {
  std::string type = store.ReadString("HEADERS", "Content-Type");
  if (!type.empty()) response.content_type = type;
  for (std::string_view key : kExtraHeaderKeys) {
    std::string value = store.ReadString("HEADERS", key);
    if (!value.empty()) response.AddCustomHeader(key, value);
  }
}

}  // namespace zarix
