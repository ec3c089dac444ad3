// Text helpers of the format language: UTF-8 character counting and cutting, Unicode case by
// utf8proc, and the number forms the language writes. Invalid UTF-8 never fails: a byte that is
// no continuation byte starts a character, and bytes that do not decode are copied unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarix::format {

// Number of characters of `s`.
size_t Utf8Length(std::string_view s);
// Byte offset of character `chars` (0-based) of `s`; s.size() when `s` is shorter.
size_t Utf8Offset(std::string_view s, size_t chars);
// The largest byte count <= max_bytes that ends `s` on a character boundary.
size_t Utf8CutPoint(std::string_view s, size_t max_bytes);

// Appends `s` upper-cased / lower-cased (simple Unicode case mapping).
void AppendUpper(std::string_view s, std::string* out);
void AppendLower(std::string_view s, std::string* out);

// Appends `v` in its shortest exact form without exponent ("3", "2.5", "-0.125").
void AppendNumber(double v, std::string* out);
// Appends `v` with exactly `decimals` decimals (rounded).
void AppendFixed(double v, int decimals, std::string* out);
// The first number in `s` ("abc -12.5x" gives -12.5), 0 when there is none.
double FirstNumber(std::string_view s);

}  // namespace zarix::format
