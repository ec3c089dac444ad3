#include "util/whole_number.h"

namespace zarix {

long long ParseWholeNumber(std::string_view s, long long def, long long min, long long max) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  const bool negative = !s.empty() && s[0] == '-';
  if (negative || (!s.empty() && s[0] == '+')) s.remove_prefix(1);
  if (s.empty() || s.size() > 18) return def;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return def;
    v = v * 10 + (c - '0');
  }
  if (negative) v = -v;
  return v < min || v > max ? def : v;
}

}  // namespace zarix
