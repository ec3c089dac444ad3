// UTF-8 <-> UTF-16 conversions and the UTF-8 validity filter.
//
// Request values, engine data and frames are UTF-8 byte strings; UTF-16 strings appear only inside
// conversions and case-insensitive comparisons. Decoding is strict (RFC 3629): overlong forms,
// encoded surrogates, code points above U+10FFFF and truncated sequences make the text invalid.
// Characters outside the Basic Multilingual Plane are valid and become surrogate pairs.
// All functions are pure and thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// True when `text` is well-formed UTF-8 (an empty text is valid).
bool IsValidUtf8(std::string_view text);

// Decodes UTF-8 into UTF-16. A text that is not valid UTF-8 yields an empty result.
std::u16string Utf8ToUnicode(std::string_view text);

// Encodes UTF-16 as UTF-8. An unpaired surrogate becomes U+FFFD.
std::string UnicodeToUtf8(std::u16string_view text);

// The validity filter used to clean request values: valid UTF-8 comes back unchanged, anything
// else becomes empty (the same as UnicodeToUtf8(Utf8ToUnicode(text)), without the round trip).
std::string ValidUtf8OrEmpty(std::string_view text);

// Decodes one UTF-8 character at `text[*pos]`. On success stores the code point, advances *pos
// past the character and returns true; on an invalid or truncated sequence returns false and
// leaves *pos unchanged. REQUIRES: *pos < text.size().
bool DecodeUtf8Char(std::string_view text, size_t* pos, char32_t* code_point);

// Appends the UTF-8 encoding of `code_point` (REQUIRES: a Unicode scalar value) to `out`.
void AppendUtf8(char32_t code_point, std::string* out);

// Decodes one UTF-16 code point at `text[*pos]` and advances *pos past it: a surrogate pair gives
// its supplementary code point, an unpaired surrogate comes back as itself (callers decide what it
// becomes). REQUIRES: *pos < text.size().
char32_t DecodeUtf16Char(std::u16string_view text, size_t* pos);

// Appends `code_point` (REQUIRES: at most U+10FFFF) to `out` as one UTF-16 unit, or as a surrogate
// pair above U+FFFF.
void AppendUtf16(char32_t code_point, std::u16string* out);

// The number of characters of a UTF-8 text: every byte that is not a continuation byte counts.
size_t Utf8CharCount(std::string_view text);

// The longest prefix of `text` of at most `max_bytes` bytes that does not end inside a
// multi-byte character (continuation bytes after the cut point are dropped with their lead byte).
std::string_view CutUtf8Prefix(std::string_view text, size_t max_bytes);

inline bool IsSurrogate(char32_t code_point) {
  return code_point >= 0xD800 && code_point <= 0xDFFF;
}

}  // namespace zarix
