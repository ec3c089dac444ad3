// Built-in Windows-1251 tables, table files, upper-casing and word splitting.
#include "zarix64/tables.h"

#include <utf8proc.h>

#include <charconv>
#include <optional>

#include "util/path.h"

namespace zarix::db {
namespace {

// Code points of Windows-1251 bytes 0x80..0xBF (0xC0..0xFF are U+0410..U+044F).
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

bool IsUnicodeWordChar(char32_t cp) {
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(cp))) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
    case UTF8PROC_CATEGORY_NO:
      return true;
    default:
      return false;
  }
}

// Decodes one character at `s`; *len gets its byte length. Invalid bytes give -1 with len 1.
int32_t DecodeAt(std::string_view s, size_t i, size_t* len) {
  utf8proc_int32_t cp = -1;
  const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + i),
                                  static_cast<utf8proc_ssize_t>(s.size() - i), &cp);
  if (n <= 0) {
    *len = 1;
    return -1;
  }
  *len = static_cast<size_t>(n);
  return cp;
}

bool ParseNumbers(std::string_view text, std::vector<int>* out) {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';') {
      ++i;
      continue;
    }
    int v = 0;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (ec != std::errc() || v < 0 || v > 255) return false;
    out->push_back(v);
    i = static_cast<size_t>(end - text.data());
  }
  return true;
}

}  // namespace

int Cp1251Byte(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);
  if (cp == 0xFFFD) return -1;
  for (int i = 0; i < 64; ++i) {
    if (kCp1251High[i] == cp) return 0x80 + i;
  }
  return -1;
}

char32_t Cp1251CodePoint(uint8_t b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return 0x0410 + (b - 0xC0);
  return kCp1251High[b - 0x80];
}

std::string_view CutUtf8(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t cut = max_bytes;
  while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

Tables::Tables() {
  for (int b = 0; b < 256; ++b) {
    const char32_t cp = Cp1251CodePoint(static_cast<uint8_t>(b));
    letters_[b] = cp != 0xFFFD && IsUnicodeWordChar(cp);
    const int up = Cp1251Byte(static_cast<char32_t>(utf8proc_toupper(static_cast<int32_t>(cp))));
    upper_[b] = static_cast<uint8_t>(up < 0 ? b : up);
  }
}

const Tables& Tables::BuiltIn() {
  static const Tables* tables = new Tables();
  return *tables;
}

bool Tables::ParseAlphabet(std::string_view text, std::array<bool, 256>* letters) {
  std::vector<int> values;
  if (!ParseNumbers(text, &values) || values.empty()) return false;
  letters->fill(false);
  for (int v : values) (*letters)[v] = true;
  return true;
}

bool Tables::ParseUpperCase(std::string_view text, std::array<uint8_t, 256>* upper) {
  std::vector<int> values;
  if (!ParseNumbers(text, &values) || values.size() != 256) return false;
  for (int i = 0; i < 256; ++i) (*upper)[i] = static_cast<uint8_t>(values[i]);
  return true;
}

std::unique_ptr<Tables> Tables::Load(std::string_view folder, std::string_view uctab_name,
                                     std::string_view actab_name, std::string* warnings) {
  auto tables = std::make_unique<Tables>();
  const auto read = [&](std::string_view name) -> std::optional<std::string> {
    if (name.empty()) return std::nullopt;
    const std::string base = std::string(folder) + std::string(name);
    if (auto text = ReadFileBytes(base)) return text;
    return ReadFileBytes(base + ".tab");
  };
  const auto warn = [&](std::string_view what, std::string_view name) {
    if (warnings) {
      *warnings += std::string(what) + " table \"" + std::string(name) + "\" is malformed\n";
    }
  };
  if (auto text = read(actab_name)) {
    std::array<bool, 256> letters;
    if (ParseAlphabet(*text, &letters)) {
      // Unicode letters and digits are word characters whatever the file says; the file adds.
      for (int b = 0; b < 256; ++b) tables->letters_[b] = tables->letters_[b] || letters[b];
    } else {
      warn("alphabet", actab_name);
    }
  }
  if (auto text = read(uctab_name)) {
    if (ParseUpperCase(*text, &tables->upper_)) {
      tables->upper_from_file_ = true;
    } else {
      warn("upper-case", uctab_name);
    }
  }
  return tables;
}

bool Tables::IsWordChar(char32_t cp) const {
  const int b = Cp1251Byte(cp);
  if (b >= 0) return letters_[b];
  return IsUnicodeWordChar(cp);
}

char32_t Tables::ToUpper(char32_t cp) const {
  if (upper_from_file_) {
    const int b = Cp1251Byte(cp);
    if (b >= 0) return Cp1251CodePoint(upper_[b]);
  }
  return static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(cp)));
}

std::string Tables::UpperCase(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c < 0x80) {
      out.push_back(upper_from_file_ ? static_cast<char>(upper_[c])
                                     : (c >= 'a' && c <= 'z' ? static_cast<char>(c - 32)
                                                             : static_cast<char>(c)));
      ++i;
      continue;
    }
    size_t len = 0;
    const int32_t cp = DecodeAt(text, i, &len);
    if (cp < 0) {
      out.push_back(text[i]);
    } else {
      // Like the gateway's search keys (util/unicode_upper.h): a character whose upper case
      // needs another number of bytes stays as it is, so both sides build the same key.
      utf8proc_uint8_t buf[4];
      const auto n = utf8proc_encode_char(static_cast<utf8proc_int32_t>(ToUpper(cp)), buf);
      if (static_cast<size_t>(n) == len) {
        out.append(reinterpret_cast<const char*>(buf), len);
      } else {
        out.append(text.substr(i, len));
      }
    }
    i += len;
  }
  return out;
}

std::string Tables::MakeKey(std::string_view text) const {
  std::string key = UpperCase(text);
  key.resize(CutUtf8(key, kMaxTermBytes).size());
  return key;
}

void Tables::SplitWords(std::string_view line, std::vector<std::string_view>* words) const {
  words->clear();
  size_t start = std::string_view::npos;
  for (size_t i = 0; i < line.size();) {
    size_t len = 1;
    const auto c = static_cast<uint8_t>(line[i]);
    bool word;
    if (c < 0x80) {
      word = letters_[c];
    } else {
      const int32_t cp = DecodeAt(line, i, &len);
      word = cp >= 0 && IsWordChar(static_cast<char32_t>(cp));
    }
    if (word && start == std::string_view::npos) start = i;
    if (!word && start != std::string_view::npos) {
      words->push_back(line.substr(start, i - start));
      start = std::string_view::npos;
    }
    i += len;
  }
  if (start != std::string_view::npos) words->push_back(line.substr(start));
}

}  // namespace zarix::db
