// Text helpers of the format language.
#include "zarix64/format/format_text.h"

#include <utf8proc.h>

#include <charconv>
#include <cmath>

namespace zarix::format {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

template <typename Map>
void AppendMapped(std::string_view s, std::string* out, Map map) {
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(s.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(s.size());
  while (left > 0) {
    if (*p < 0x80) {  // ASCII fast path
      out->push_back(static_cast<char>(map(*p)));
      ++p;
      --left;
      continue;
    }
    utf8proc_int32_t cp;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {
      out->push_back(static_cast<char>(*p));
      ++p;
      --left;
      continue;
    }
    utf8proc_uint8_t buf[4];
    utf8proc_ssize_t m = utf8proc_encode_char(map(cp), buf);
    out->append(reinterpret_cast<const char*>(buf), static_cast<size_t>(m));
    p += n;
    left -= n;
  }
}

}  // namespace

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += !IsContinuation(c);
  return n;
}

size_t Utf8Offset(std::string_view s, size_t chars) {
  size_t i = 0;
  const size_t n = s.size();
  for (size_t c = 0; c < chars && i < n; ++c) {
    ++i;
    while (i < n && IsContinuation(static_cast<unsigned char>(s[i]))) ++i;
  }
  return i;
}

size_t Utf8CutPoint(std::string_view s, size_t max_bytes) {
  if (max_bytes >= s.size()) return s.size();
  size_t p = max_bytes;
  while (p > 0 && IsContinuation(static_cast<unsigned char>(s[p]))) --p;
  return p;
}

void AppendUpper(std::string_view s, std::string* out) {
  AppendMapped(s, out, [](utf8proc_int32_t c) { return utf8proc_toupper(c); });
}

void AppendLower(std::string_view s, std::string* out) {
  AppendMapped(s, out, [](utf8proc_int32_t c) { return utf8proc_tolower(c); });
}

void AppendNumber(double v, std::string* out) {
  if (!std::isfinite(v)) v = 0;
  if (v == 0) v = 0;  // no "-0"
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (r.ec != std::errc()) return;
  out->append(buf, r.ptr);
}

void AppendFixed(double v, int decimals, std::string* out) {
  if (!std::isfinite(v)) v = 0;
  if (decimals < 0) decimals = 0;
  if (decimals > 30) decimals = 30;
  // Halves round away from zero, as people expect of a displayed number (2.5 gives 3).
  double scale = std::pow(10.0, decimals);
  if (std::fabs(v) * scale < 1e15) v = std::round(v * scale) / scale;
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return;
  std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
  // Rounding may leave "-0" or "-0.00": a zero has no sign.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos)
    text.remove_prefix(1);
  out->append(text);
}

double FirstNumber(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') continue;
    size_t start = (i > 0 && s[i - 1] == '-') ? i - 1 : i;
    size_t end = i;
    while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
    if (end + 1 < s.size() && s[end] == '.' && s[end + 1] >= '0' && s[end + 1] <= '9') {
      ++end;
      while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
    }
    double v = 0;
    std::from_chars(s.data() + start, s.data() + end, v);
    return std::isfinite(v) ? v : 0;
  }
  return 0;
}

}  // namespace zarix::format
