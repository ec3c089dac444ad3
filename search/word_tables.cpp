// Alphabet and stop-word tables of word splitting.
#include "search/word_tables.h"

#include <utf8proc.h>

#include <charconv>
#include <optional>

#include "util/charset.h"
#include "util/path.h"
#include "util/unicode_upper.h"
#include "util/utf8.h"

namespace zarix {

bool IsUnicodeLetterOrDigit(char32_t cp) {
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(cp))) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
      return true;
    default:
      return false;
  }
}

AlphabetTables::AlphabetTables() = default;

AlphabetTables::AlphabetTables(const std::array<bool, 256>& letters,
                               const std::vector<std::string>& stop_words) {
  for (int b = 1; b < 256; ++b) {
    if (!letters[b]) continue;
    if (b < 0x80) {
      extra_.insert(static_cast<char32_t>(b));
      continue;
    }
    // The byte's character, once: iconv knows the code page, we do not repeat its table.
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = ConvertCharset(byte, "WINDOWS-1251", "UTF-8");
    size_t pos = 0;
    char32_t cp = 0;
    if (!utf8.empty() && DecodeUtf8Char(utf8, &pos, &cp) && pos == utf8.size()) {
      extra_.insert(cp);
    }
  }
  for (const std::string& w : stop_words) {
    if (!w.empty()) stop_words_.insert(UpperUtf8(w));
  }
}

bool AlphabetTables::IsWordChar(char32_t cp) const {
  return IsUnicodeLetterOrDigit(cp) || (!extra_.empty() && extra_.count(cp) != 0);
}

bool AlphabetTables::IsStopWord(std::string_view upper_word) const {
  return !stop_words_.empty() && stop_words_.count(std::string(upper_word)) != 0;
}

AlphabetTables AlphabetTables::Load(std::string_view folder, std::string_view alphabet_name,
                                    std::string_view stop_word_file) {
  std::array<bool, 256> letters{};
  if (!alphabet_name.empty()) {
    const std::string path = std::string(folder) + std::string(alphabet_name);
    std::optional<std::string> text = ReadFileBytes(path);
    if (!text) text = ReadFileBytes(path + ".tab");
    if (text && !ParseAlphabet(*text, &letters)) letters.fill(false);
  }
  std::vector<std::string> stop_words;
  if (!stop_word_file.empty()) {
    if (std::optional<std::string> text = ReadFileBytes(stop_word_file)) {
      stop_words = ParseStopWords(*text);
    }
  }
  return AlphabetTables(letters, stop_words);
}

bool AlphabetTables::ParseAlphabet(std::string_view text, std::array<bool, 256>* letters) {
  std::array<bool, 256> parsed{};
  bool any = false;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    int v = 0;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (ec != std::errc() || v < 0 || v > 255) return false;
    parsed[static_cast<size_t>(v)] = true;
    any = true;
    i = static_cast<size_t>(end - text.data());
  }
  if (!any) return false;
  *letters = parsed;
  return true;
}

std::vector<std::string> AlphabetTables::ParseStopWords(std::string_view text) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (!line.empty()) words.emplace_back(line);
    start = end + 1;
  }
  return words;
}

}  // namespace zarix
