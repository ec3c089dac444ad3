// Upper-casing with utf8proc's simple case mapping.
#include "util/unicode_upper.h"

#include <utf8proc.h>

#include <cstring>

#include "util/utf8.h"

namespace zarix {

namespace {

char32_t Upper(char32_t cp) {
  return static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(cp)));
}

size_t Utf8Length(char32_t cp) {
  return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

// Upper-cases `text` in place over `n` bytes, keeping the byte length.
void UpperBytes(char* text, size_t n) {
  std::string_view view(text, n);
  size_t pos = 0;
  std::string encoded;
  while (pos < n) {
    size_t start = pos;
    char32_t cp;
    if (!DecodeUtf8Char(view, &pos, &cp)) {
      pos = start + 1;
      continue;
    }
    if (cp < 0x80) {
      if (cp >= 'a' && cp <= 'z') text[start] = static_cast<char>(cp - ('a' - 'A'));
      continue;
    }
    char32_t up = Upper(cp);
    if (up == cp || Utf8Length(up) != pos - start) continue;
    encoded.clear();
    AppendUtf8(up, &encoded);
    std::memcpy(text + start, encoded.data(), encoded.size());
  }
}

}  // namespace

char32_t UnicodeUpperChar(char32_t code_point) { return Upper(code_point); }

std::u16string UnicodeUpper(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t u = DecodeUtf16Char(text, &pos);
    AppendUtf16(IsSurrogate(u) ? u : Upper(u), &out);
  }
  return out;
}

void UpperUtf8InPlace(char* buffer) {
  if (buffer == nullptr) return;
  UpperBytes(buffer, std::strlen(buffer));
}

std::string UpperUtf8(std::string_view text) {
  std::string out(text);
  UpperBytes(out.data(), out.size());
  return out;
}

int CompareTextUtf8(std::string_view a, std::string_view b) {
  // Invalid bytes map above every code point (0x110000 + byte), keeping them distinct.
  auto next = [](std::string_view s, size_t* pos) -> char32_t {
    char32_t cp;
    if (DecodeUtf8Char(s, pos, &cp)) return Upper(cp);
    return 0x110000 + static_cast<unsigned char>(s[(*pos)++]);
  };
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    char32_t x = next(a, &i);
    char32_t y = next(b, &j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace zarix
