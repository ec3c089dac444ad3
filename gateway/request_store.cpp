// Request parameter lookup, decoding and clean-up of request values.
#include "gateway/request_store.h"

#include <cctype>

#include "util/ascii_case.h"
#include "util/code_page.h"
#include "util/utf8.h"

namespace zarix {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsGatewayField(std::string_view name) {
  for (std::string_view field : kGatewayFields) {
    if (UpperAscii(name) == UpperAscii(field)) return true;
  }
  return false;
}

std::string RequestParam(const IniStore& web_ini, const IniStore& server_ini, std::string_view name,
                         std::string_view def) {
  std::string fallback = server_ini.ReadString("WEB", name);
  if (fallback.empty()) fallback = std::string(def);
  return web_ini.ReadString(kFormSection, name, fallback);
}

void SetRequestParam(IniStore& web_ini, std::string_view name, std::string_view value) {
  // The one door of request fields into the store: the gateway's own fields never come through.
  if (IsGatewayField(name)) return;
  web_ini.WriteString(kFormSection, name, value);
}

char GetCommandChar(const IniStore& web_ini, const IniStore& server_ini) {
  std::string c = RequestParam(web_ini, server_ini, "C21COM");
  // An empty command must not look up the empty key: it stays empty.
  if (!c.empty()) c = server_ini.ReadString("WEB", c, c);
  return c.empty() ? '\0' : c[0];
}

std::string UrlDecodeValue(std::string_view text, bool specsimvols) {
  std::string out;
  out.reserve(text.size());
  bool decoded = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
      i += 2;
      decoded = true;
    } else if (c == '+') {
      out.push_back(decoded ? ' ' : '+');
    } else if (c == '&' && decoded && specsimvols) {
      out.append("\r\n");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

void ParseQueryString(IniStore& web_ini, std::string_view query_char_set, bool specsimvols) {
  const std::string q = web_ini.ReadString(kCgiSection, kQueryStringKey);
  if (q.empty()) return;
  const bool ansi = UpperAscii(query_char_set) == "WINDOWS-1251";
  size_t start = 0;
  while (start <= q.size()) {
    size_t end = q.find('&', start);
    if (end == std::string::npos) end = q.size();
    std::string_view item(q.data() + start, end - start);
    start = end + 1;
    size_t eq = item.find('=');
    // The name is not decoded, but it is cleaned like a value: raw control bytes or invalid
    // UTF-8 in it would otherwise reach the store (and every copy of it) unchanged.
    const std::string name = NeutralizeMarkup(
        Utf8RoundTrip(eq == std::string_view::npos ? std::string_view() : item.substr(0, eq)), ' ');
    std::string_view raw = eq == std::string_view::npos ? item : item.substr(eq + 1);
    if (raw.empty()) continue;
    std::string value = UrlDecodeValue(raw, specsimvols);
    if (ansi) value = AnsiToUtf8(value);
    if (UpperAscii(name) == "T21CHK") {
      std::string joined = web_ini.ReadString(kFormSection, "T21CHK") + " " + value;
      value = std::string(TrimBlanks(joined));
    }
    value = NeutralizeMarkup(Utf8RoundTrip(value), ' ');
    SetRequestParam(web_ini, name, value);
  }
}

std::string CharsetFromContentType(std::string_view content_type) {
  std::string ct(content_type);
  for (char& c : ct) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t p = ct.find("charset=");
  if (p == std::string::npos) return "windows-1251";
  std::string_view rest = std::string_view(ct).substr(p + 8);
  if (rest.substr(0, 5) == "utf-8") return "utf-8";
  if (rest.substr(0, 6) == "koi8-r") return "koi8-r";
  return "windows-1251";
}

}  // namespace zarix
