// Message pages through the empty-answer frame.
#include "frames/message_page.h"

#include <utf8proc.h>

#include <vector>

#include "frames/frame_list.h"
#include "util/path.h"
#include "util/split_lines.h"

namespace zarix {

namespace {

constexpr std::string_view kMarkerLine = "Пустой ответ";

// Upper-cased UTF-8 (simple case mapping), or the text itself when it is not valid UTF-8.
std::string UpperUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(s.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(s.size());
  while (left > 0) {
    utf8proc_int32_t cp;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) return std::string(s);
    utf8proc_uint8_t buf[4];
    utf8proc_ssize_t m = utf8proc_encode_char(utf8proc_toupper(cp), buf);
    out.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(m));
    p += n;
    left -= n;
  }
  return out;
}

}  // namespace

std::string BuildMessagePage(const IniStore& server_ini, std::string_view database,
                             std::string_view message) {
  const std::string path = DefaultFramesDir(server_ini, database) +
                           server_ini.ReadString("WEB", "SearchEmpty", "sempty.frm");
  if (std::optional<std::string> text = ReadFileBytes(path)) {
    const std::string marker = UpperUtf8(kMarkerLine);
    std::vector<std::string_view> lines = SplitLineViews(*text);
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].size() == kMarkerLine.size() && UpperUtf8(lines[i]) == marker) {
        std::string page;
        for (size_t j = 0; j < lines.size(); ++j) {
          page += j == i ? message : lines[j];
          page += "\r\n";
        }
        return page;
      }
    }
  }
  return "<HTML><BODY>  <meta http-equiv=\"Content-Type\" content=\"text/html;charset=UTF-8\">" +
         std::string(message) + "</BODY></HTML>";
}

}  // namespace zarix
