// The request-wide cache of term results: the records a term operand found, kept so that a
// term searched again in the same database (paging, sorting, a repeated sub-expression) is not
// read from the inverted file twice.
//
// Keyed by the database name and the operand text as written (marks and field restriction
// included). Holds at most kMaxTerms terms: storing one more empties it first.
// Not thread-safe; owned by one request.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "util/types.h"

namespace zarix {

class TermCache {
 public:
  static constexpr size_t kMaxTerms = 10000;

  // The cached MFNs (ascending) of `term` in `database`, or null. Valid until the next Store.
  const std::vector<Mfn>* Find(std::string_view database, std::string_view term) const;
  // Keeps `mfns` (ascending) for `term` in `database`, replacing an earlier entry.
  void Store(std::string_view database, std::string_view term, std::vector<Mfn> mfns);

  size_t Size() const { return entries_.size(); }
  void Clear() { entries_.clear(); }

 private:
  static std::string Key(std::string_view database, std::string_view term);

  std::unordered_map<std::string, std::vector<Mfn>> entries_;
};

}  // namespace zarix
