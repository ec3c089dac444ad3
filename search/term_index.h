// The seams through which search evaluation reads an inverted file and a morphology database.
//
// `TermIndex` is a dictionary walk and a posting walk over one inverted file, the shape the
// engine offers (find a term, step to the next one, read the current term's postings in order).
// `RecordSource` reads field occurrences of records (the morphology database's base and word
// forms). The engine-backed implementations wrap an engine space; the in-memory ones
// (memory_term_index.h) serve the tests. `WordTables` (word_tables.h) answers the alphabet and
// stop-word questions of the word splitters.
//
// Implementations are used by one thread at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/types.h"

namespace zarix {

// One posting of a term: where a term occurs. `position` is the word number inside the
// occurrence (stop words keep their numbers), 0 for whole-line terms.
struct Posting {
  Mfn mfn = 0;
  FieldTag tag = 0;
  Occurrence occurrence = 0;
  TermPos position = 0;
};

class TermIndex {
 public:
  // Results of Find, NextTerm and NextPosting; failures are negative (engine codes).
  static constexpr int kExact = 0;   // Find: the term exists exactly
  static constexpr int kAfter = 1;   // Find: the walk stands on the first following term
  static constexpr int kEnd = 2;     // no (further) term, or no further posting

  virtual ~TermIndex() = default;

  // Positions the dictionary walk at the first term >= `key` (byte order of the UTF-8 text) and
  // starts the posting walk of that term. On kExact and kAfter *term gets the term reached.
  virtual int Find(std::string_view key, std::string* term) = 0;
  // Steps to the next dictionary term (kExact with *term set, or kEnd) and starts its postings.
  virtual int NextTerm(std::string* term) = 0;
  // The next posting of the current term, in ascending (MFN, tag, occurrence, position) order:
  // kExact with *posting set, kEnd after the last one.
  virtual int NextPosting(Posting* posting) = 0;
};

class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // The texts of every occurrence of field `tag` of record `mfn`, in order, into *texts
  // (emptied first). Returns 0 (also for a record without the field), or a negative code when
  // the record cannot be read.
  virtual int ReadField(Mfn mfn, FieldTag tag, std::vector<std::string>* texts) = 0;
};

}  // namespace zarix
