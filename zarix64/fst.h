// The field selection table (".fst"): which terms the inverted file gets for a record.
//
// One line per entry, "tag technique format" separated by single blanks, the format running to
// the end of the line. The format runs on the record; its non-empty output lines become terms:
//   technique 0: the whole line (trimmed) is one term, position 0;
//   technique 4: every word of the line is a term, positions 1, 2, ...;
//   technique 8: like 4, each word prefixed by the line's text up to and including its first
//                "=" (only the text after that "=" is split into words).
// Occurrence = number of the non-empty output line (from 1). Stop words are never indexed as
// words but keep their position number, so word distances stay true.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "zarix64/database.h"
#include "zarix64/format/format.h"
#include "zarix64/tables.h"

namespace zarix::db {

using TermPosting = std::pair<std::string, Posting>;
using StopWords = std::unordered_set<std::string>;  // upper-cased words

// One word per line; blanks around are dropped, words are upper-cased with `tables`. Text that
// is not valid UTF-8 is read as Windows-1251.
StopWords ParseStopWords(std::string_view text, const Tables& tables);

// Turns one format output into terms for `mfn` (appended to *out, unsorted).
void TermsFromOutput(std::string_view output, FieldTag tag, int technique, Mfn mfn,
                     const Tables& tables, const StopWords& stop_words,
                     std::vector<TermPosting>* out);

// Sorts by (term, posting) and drops duplicates.
void SortTerms(std::vector<TermPosting>* terms);

class FieldSelection {
 public:
  struct Entry {
    FieldTag tag = 0;
    int technique = 0;
    std::string format;
    std::unique_ptr<format::Program> program;
  };

  // Parses and compiles `text`. Lines that are blank or start with "*" or "#" are skipped.
  // A malformed line, an unknown technique or a format that does not compile skips the line and
  // adds "line N: message" to *problems (may be null).
  static std::unique_ptr<FieldSelection> Parse(std::string_view text,
                                               format::IncludeResolver* resolver,
                                               std::vector<std::string>* problems);

  // The terms of `record` (sorted, without duplicates). A format that fails at run time adds
  // no terms for its line.
  void Extract(const format::RecordView& record, const Tables& tables, const StopWords& stop_words,
               format::DatabaseAccess* db, std::vector<TermPosting>* out) const;

  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

}  // namespace zarix::db
