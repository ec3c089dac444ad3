// Request-wide cache of term results.
#include "search/term_cache.h"

namespace zarix {

std::string TermCache::Key(std::string_view database, std::string_view term) {
  // Database names never hold a unit separator, so the key cannot be ambiguous.
  std::string key(database);
  key += '\x1F';
  key += term;
  return key;
}

const std::vector<Mfn>* TermCache::Find(std::string_view database, std::string_view term) const {
  auto it = entries_.find(Key(database, term));
  return it == entries_.end() ? nullptr : &it->second;
}

void TermCache::Store(std::string_view database, std::string_view term, std::vector<Mfn> mfns) {
  std::string key = Key(database, term);
  if (entries_.size() >= kMaxTerms && entries_.find(key) == entries_.end()) entries_.clear();
  entries_[std::move(key)] = std::move(mfns);
}

}  // namespace zarix
