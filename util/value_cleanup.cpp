// Clean-up of values taken from outside.
#include "util/value_cleanup.h"

#include "util/utf8.h"

namespace zarix {

std::string Utf8RoundTrip(std::string_view text) { return ValidUtf8OrEmpty(text); }

std::string NeutralizeMarkup(std::string_view text, char replacement) {
  std::string s(text);
  const size_t n = s.size();
  // Positions are 1-based below to keep the neighbour rules readable; at(i) is s[i-1].
  auto at = [&s](size_t i) { return s[i - 1]; };
  for (size_t i = 1; i <= n; ++i) {
    if (static_cast<unsigned char>(at(i)) < 0x20) s[i - 1] = replacement;
    if (at(i) == '<') {
      if (i + 1 < n && at(i + 1) != '.' && at(i + 2) != '>') s[i - 1] = replacement;
    } else if (at(i) == '>') {
      if (i > 2 && at(i - 1) != '.' && at(i - 2) != '<') s[i - 1] = replacement;
    }
  }
  return s;
}

std::string SanitizeLogValue(std::string_view text) {
  return NeutralizeMarkup(Utf8RoundTrip(text), ' ');
}

}  // namespace zarix
