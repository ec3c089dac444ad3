// Russian word stemmer: how many letters of grammatical ending a word loses before it is used as a
// stem (right-truncated searches, comparing word forms when highlighting).
//
// The stemmer works on the single-byte Windows-1251 form of a word; StemUtf8 wraps it for the
// UTF-8 text the rest of the system holds. All functions are pure and thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// Returns the number of characters to cut from the end of `word` (Windows-1251, any case) to get
// its stem; 0 when the word is not stemmed: three letters or fewer, or any byte other than a
// Russian letter А..Я / а..я or "-" (Latin letters, digits, blanks and Ё stop stemming).
// The result never exceeds word.size() - 2.
int StemEnding(std::string_view word);

// True when `upper_word` (upper case, Windows-1251) is one of the protected word forms: forms
// whose final letters look like an ending but belong to the stem. Whole-word match.
bool IsProtectedWord(std::string_view upper_word);

// True when one of the last 10, 9, ... 3 characters of `upper_word` (upper case, Windows-1251) is
// a listed ending exception (word tails such as "ЕНИЙ" forms where only the last letter is an
// ending). Tails longer than the word never match.
bool HasExceptionalEnding(std::string_view upper_word);

// Returns the stem of a UTF-8 word: the word without the characters StemEnding cuts from its
// Windows-1251 form. Case is kept; a word that is not stemmed comes back unchanged.
std::string StemUtf8(std::string_view word);

}  // namespace zarix
