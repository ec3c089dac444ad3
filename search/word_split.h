// The two word splitters of the search form: words of a search text, upper-cased, without stop
// words, each with its running number.
//
// A word is a run of characters that `WordTables::IsWordChar` accepts; at most 32000 bytes of a
// word are kept (further characters are dropped, the word goes on). Words are upper-cased with
// the Unicode simple mapping, as the engine upper-cases its terms.
//
// StringToWords serves highlighting and full-text search: every word, repeats included,
// numbered by every ended word (stop words count); optional stemming.
// StringToWords_new2 serves the search-term kinds of the form: repeats dropped, numbered by
// every non-stop word (repeats count), and a word standing between double quotes or "|" on both
// sides comes out written between double quotes (a phrase mark for full-text search).
//
// Pure functions; thread-safe when the tables are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/word_tables.h"

namespace zarix {

struct NumberedWord {
  std::string text;
  int number = 0;

  bool operator==(const NumberedWord&) const = default;
};

inline constexpr size_t kMaxWordBytes = 32000;

// Appends the words of `text` (UTF-8) to *words. With `stem`, a word longer than 4 characters
// loses its grammatical ending (StemUtf8) before the stop-word test. Bytes that are not valid
// UTF-8 end a word.
void StringToWords(std::string_view text, bool stem, const WordTables& tables,
                   std::vector<NumberedWord>* words);

// Appends the words of `text` (UTF-8) to *words; a word already in *words is not added again.
void StringToWords_new2(std::string_view text, const WordTables& tables,
                        std::vector<NumberedWord>* words);

}  // namespace zarix
