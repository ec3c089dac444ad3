// In-memory dictionary and records for tests.
#include "search/memory_term_index.h"

#include <algorithm>
#include <tuple>

#include "util/unicode_upper.h"

namespace zarix {

void MemoryTermIndex::Add(std::string_view term, Mfn mfn, FieldTag tag, Occurrence occurrence,
                          TermPos position) {
  std::vector<Posting>& list = terms_[std::string(term)];
  Posting p{mfn, tag, occurrence, position};
  auto less = [](const Posting& a, const Posting& b) {
    return std::tie(a.mfn, a.tag, a.occurrence, a.position) <
           std::tie(b.mfn, b.tag, b.occurrence, b.position);
  };
  list.insert(std::upper_bound(list.begin(), list.end(), p, less), p);
  current_ = terms_.end();
}

void MemoryTermIndex::AddText(std::string_view prefix, Mfn mfn, FieldTag tag,
                              Occurrence occurrence, std::string_view text,
                              const std::set<std::string>& stop_words) {
  TermPos position = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of(" .,;:!?", i);
    if (end == std::string_view::npos) end = text.size();
    if (end > i) {
      ++position;
      std::string word = UpperUtf8(text.substr(i, end - i));
      if (stop_words.count(word) == 0) Add(std::string(prefix) + word, mfn, tag, occurrence, position);
    }
    i = end + 1;
  }
}

void MemoryTermIndex::FailOn(std::string_view term, int code) {
  failing_.insert(std::string(term));
  fail_code_ = code;
}

int MemoryTermIndex::Arrive(std::string* term) {
  next_posting_ = 0;
  if (current_ == terms_.end()) return kEnd;
  if (failing_.count(current_->first) != 0) return fail_code_;
  *term = current_->first;
  return kExact;
}

int MemoryTermIndex::Find(std::string_view key, std::string* term) {
  ++find_calls_;
  current_ = terms_.lower_bound(key);
  const int r = Arrive(term);
  if (r != kExact) return r;
  return current_->first == key ? kExact : kAfter;
}

int MemoryTermIndex::NextTerm(std::string* term) {
  if (current_ == terms_.end()) return kEnd;
  ++current_;
  return Arrive(term);
}

int MemoryTermIndex::NextPosting(Posting* posting) {
  if (current_ == terms_.end()) return kEnd;
  if (failing_.count(current_->first) != 0) return fail_code_;
  if (next_posting_ >= current_->second.size()) return kEnd;
  *posting = current_->second[next_posting_++];
  return kExact;
}

void MemoryRecordSource::AddField(Mfn mfn, FieldTag tag, std::string_view text) {
  fields_[{mfn, tag}].emplace_back(text);
}

int MemoryRecordSource::ReadField(Mfn mfn, FieldTag tag, std::vector<std::string>* texts) {
  texts->clear();
  auto it = fields_.find({mfn, tag});
  if (it != fields_.end()) *texts = it->second;
  return 0;
}

}  // namespace zarix
