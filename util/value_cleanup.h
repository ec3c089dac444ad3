// The clean-up of values taken from outside: request fields, filter output, request-log values,
// and the search expressions and terms built from them.
//
// All functions are pure and thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// Decodes `text` as UTF-8 and encodes it again: valid text is unchanged, invalid text is empty.
std::string Utf8RoundTrip(std::string_view text);

// Replaces bytes below 0x20 and stray angle brackets by `replacement`. A "<" stays when followed
// by "." or when the byte two places on is ">", or when it is one of the last two bytes; a ">"
// stays when preceded by "." or when the byte two places back is "<", or when it is one of the
// first two bytes. So "<.>" and a single letter in angle brackets survive, "<script>" does not.
std::string NeutralizeMarkup(std::string_view text, char replacement = ' ');

// Utf8RoundTrip followed by NeutralizeMarkup with a blank: the clean-up of values taken from
// outside (request filter output, request-log values).
std::string SanitizeLogValue(std::string_view text);

}  // namespace zarix
