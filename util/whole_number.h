// Whole decimal numbers written by people: request fields, configuration values, file lines.
#pragma once

#include <string_view>

namespace zarix {

inline constexpr long long kMaxWholeNumber = 999'999'999'999'999'999;  // 18 digits

// The number `text` writes: blanks around it and one sign allowed. `def` when the text is
// anything else, or when the value lies outside [min, max] (so it never overflows, and a caller
// that needs an int or an MFN says so and gets `def` instead of a cut value).
long long ParseWholeNumber(std::string_view text, long long def, long long min = -kMaxWholeNumber,
                           long long max = kMaxWholeNumber);

}  // namespace zarix
