// Strict UTF-8 decoding and encoding, UTF-16 conversion.
#include "util/utf8.h"

namespace zarix {

bool DecodeUtf8Char(std::string_view text, size_t* pos, char32_t* code_point) {
  size_t i = *pos;
  unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    *code_point = c;
    *pos = i + 1;
    return true;
  }
  size_t len;
  char32_t cp;
  char32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return false;  // continuation byte, overlong lead (C0, C1) or F5..FF
  }
  if (text.size() - i < len) return false;
  for (size_t k = 1; k < len; ++k) {
    unsigned char t = static_cast<unsigned char>(text[i + k]);
    if ((t & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  *code_point = cp;
  *pos = i + len;
  return true;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char32_t DecodeUtf16Char(std::u16string_view text, size_t* pos) {
  size_t i = *pos;
  char32_t u = text[i];
  if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    *pos = i + 2;
    return 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  }
  *pos = i + 1;
  return u;
}

void AppendUtf16(char32_t cp, std::u16string* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  char32_t cp;
  while (pos < text.size()) {
    if (!DecodeUtf8Char(text, &pos, &cp)) return false;
  }
  return true;
}

std::u16string Utf8ToUnicode(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t pos = 0;
  char32_t cp;
  while (pos < text.size()) {
    if (!DecodeUtf8Char(text, &pos, &cp)) return {};
    AppendUtf16(cp, &out);
  }
  return out;
}

std::string UnicodeToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t u = DecodeUtf16Char(text, &pos);
    AppendUtf8(IsSurrogate(u) ? 0xFFFD : u, &out);
  }
  return out;
}

std::string ValidUtf8OrEmpty(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : std::string();
}

size_t Utf8CharCount(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

std::string_view CutUtf8Prefix(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t cut = max_bytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

}  // namespace zarix
