// In-memory TermIndex and RecordSource: a dictionary and records built by hand, for tests of
// the search code and of its callers.
//
// Terms are kept in byte order like the engine's dictionary. A term can be made to fail (its
// walk reports `fail_code`) to test the failure paths. Not thread-safe.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/term_index.h"

namespace zarix {

class MemoryTermIndex : public TermIndex {
 public:
  // Adds a posting of `term` (kept in posting order whatever the order of the calls).
  void Add(std::string_view term, Mfn mfn, FieldTag tag = 1, Occurrence occurrence = 1,
           TermPos position = 0);
  // Indexes `text` as one field occurrence the way technique 8 does: every word (run of
  // characters other than blanks and punctuation . , ; : ! ?), upper-cased, becomes
  // `prefix` + word with positions 1, 2, ...; words listed in `stop_words` keep their
  // position but are not indexed.
  void AddText(std::string_view prefix, Mfn mfn, FieldTag tag, Occurrence occurrence,
               std::string_view text, const std::set<std::string>& stop_words = {});
  // Makes every walk that reaches `term` (or reads its postings) fail with `code` (< 0).
  void FailOn(std::string_view term, int code = -802);

  // How many times the dictionary was searched (Find calls), to test the term cache.
  int find_calls() const { return find_calls_; }

  int Find(std::string_view key, std::string* term) override;
  int NextTerm(std::string* term) override;
  int NextPosting(Posting* posting) override;

 private:
  using Dictionary = std::map<std::string, std::vector<Posting>, std::less<>>;
  int Arrive(std::string* term);

  Dictionary terms_;
  std::set<std::string, std::less<>> failing_;
  int fail_code_ = -802;
  Dictionary::const_iterator current_ = terms_.end();
  size_t next_posting_ = 0;
  int find_calls_ = 0;
};

class MemoryRecordSource : public RecordSource {
 public:
  // Appends an occurrence of field `tag` to record `mfn`.
  void AddField(Mfn mfn, FieldTag tag, std::string_view text);

  int ReadField(Mfn mfn, FieldTag tag, std::vector<std::string>* texts) override;

 private:
  std::map<std::pair<Mfn, FieldTag>, std::vector<std::string>> fields_;
};

}  // namespace zarix
