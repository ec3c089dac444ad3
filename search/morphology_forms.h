// The word forms a morphology database knows for a word.
//
// A morphology database is an ordinary database whose dictionary holds "K=" + word form and whose
// records hold a base form in field 10 and the word forms in the repeatable field 20. Searching
// (the "@" mark) and highlighting both ask it for every form of a word.
#pragma once

#include <string>
#include <vector>

#include "search/term_index.h"

namespace zarix {

inline constexpr FieldTag kMorphBaseForm = 10;
inline constexpr FieldTag kMorphWordForm = 20;

// The forms the morphology database holds for `word` (upper case): the word itself, then the
// upper-cased base form (first occurrence of field 10) and the word forms (field 20) of every
// record found under "K=" + word, each once, in that order. Returns 0 with *forms empty when the
// word is unknown, or the index's or record source's failure code.
int MorphologyForms(TermIndex& index, RecordSource& records, const std::string& word,
                    std::vector<std::string>* forms);

}  // namespace zarix
