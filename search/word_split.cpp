// Word splitters of search texts.
#include "search/word_split.h"

#include <unordered_set>

#include "search/stemmer.h"
#include "util/unicode_upper.h"
#include "util/utf8.h"

namespace zarix {
namespace {

size_t Utf8Length(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// Walks `text` and calls on_word(word, before, after) for every non-empty word, where `before`
// and `after` are the characters around it (0 at either end of the text, 0xFFFD for an
// invalid byte).
template <typename OnWord>
void WalkWords(std::string_view text, const WordTables& tables, OnWord on_word) {
  std::string word;
  char32_t before = 0;  // the character just before the current word
  char32_t last = 0;    // the character just walked
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    char32_t cp = 0;
    if (!DecodeUtf8Char(text, &pos, &cp)) {
      cp = 0xFFFD;
      pos = start + 1;
    }
    if (cp != 0xFFFD && tables.IsWordChar(cp)) {
      if (word.empty()) before = last;
      if (word.size() + (pos - start) <= kMaxWordBytes) word.append(text.substr(start, pos - start));
    } else if (!word.empty()) {
      on_word(word, before, cp);
      word.clear();
    }
    last = cp;
  }
  if (!word.empty()) on_word(word, before, char32_t{0});
}

bool IsPhraseMark(char32_t cp) { return cp == U'"' || cp == U'|'; }

}  // namespace

void StringToWords(std::string_view text, bool stem, const WordTables& tables,
                   std::vector<NumberedWord>* words) {
  int number = 0;
  WalkWords(text, tables, [&](const std::string& raw, char32_t, char32_t) {
    ++number;
    std::string word = UpperUtf8(raw);
    if (stem && Utf8Length(word) > 4) word = StemUtf8(word);
    if (tables.IsStopWord(word)) return;
    words->push_back({std::move(word), number});
  });
}

void StringToWords_new2(std::string_view text, const WordTables& tables,
                        std::vector<NumberedWord>* words) {
  std::unordered_set<std::string> seen;
  for (const NumberedWord& w : *words) seen.insert(w.text);
  int number = 0;
  WalkWords(text, tables, [&](const std::string& raw, char32_t before, char32_t after) {
    std::string word = UpperUtf8(raw);
    if (tables.IsStopWord(word)) return;
    ++number;
    if (IsPhraseMark(before) && IsPhraseMark(after)) word = '"' + word + '"';
    if (!seen.insert(word).second) return;
    words->push_back({std::move(word), number});
  });
}

}  // namespace zarix
