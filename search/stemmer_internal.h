// Internals of the stemmer shared with the generated protected-word table and the tests: the
// byte-order comparison both tables are sorted by, and read access to the tables.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace zarix::stemmer_internal {

// Orders Windows-1251 strings by unsigned byte value (char may be signed on the host).
constexpr bool ByteLess(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// True when every entry is strictly greater than the one before it (sorted, no duplicates),
// which the bisection searches rely on.
template <typename Table>
constexpr bool IsStrictlyAscending(const Table& table) {
  for (size_t i = 1; i < std::size(table); ++i) {
    if (!ByteLess(table[i - 1], table[i])) return false;
  }
  return true;
}

// The protected word forms and the ending exceptions, upper case, Windows-1251, ascending.
std::span<const std::string_view> ProtectedWords();
std::span<const std::string_view> EndingExceptions();

}  // namespace zarix::stemmer_internal
