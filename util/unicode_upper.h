// Unicode upper-casing and case-insensitive comparison of UTF-8 texts (utf8proc, simple mapping).
//
// Search keys are upper-cased before the engine looks them up, and the engine upper-cases its
// terms with the same simple (one code point to one code point) mapping, so both sides agree.
// All functions are pure and thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// The simple upper-case mapping of one code point (the code point itself when it has none).
char32_t UnicodeUpperChar(char32_t code_point);

// Upper-cases every code point with its simple upper-case mapping (surrogate pairs are handled as
// one code point; unpaired surrogates stay as they are).
std::u16string UnicodeUpper(std::u16string_view text);

// Upper-cases a zero-terminated UTF-8 buffer in place; the buffer keeps its byte length. A
// character whose upper-case form needs a different number of bytes (rare: "ı" -> "I",
// "ɐ" -> "Ɐ") is left as it is, and bytes that are not valid UTF-8 are left untouched, so the
// buffer always stays as valid as it was. A null pointer does nothing.
void UpperUtf8InPlace(char* buffer);

// The upper-cased copy of a UTF-8 text with the same rules as UpperUtf8InPlace.
std::string UpperUtf8(std::string_view text);

// Compares two UTF-8 texts without regard to case: <0, 0 or >0 in the order of their upper-cased
// code points. Bytes that are not valid UTF-8 take part in the comparison as themselves (they
// sort after all characters), so two different invalid texts never compare equal.
int CompareTextUtf8(std::string_view a, std::string_view b);
inline bool SameTextUtf8(std::string_view a, std::string_view b) {
  return CompareTextUtf8(a, b) == 0;
}

}  // namespace zarix
