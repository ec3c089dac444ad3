// The inverted file: the dictionary (`terms`), the posting blocks (`blocks`) and the terms each
// record has in it (`record_terms`) of "<prefix>.ifp", attached to the master file's connection
// as schema "ifp". Works in the caller's transaction. Layout: doc/engine_storage.md.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "zarix64/database.h"
#include "zarix64/sqlite_util.h"

namespace zarix::db {

// Changes to one term's postings: every posting of the `affected` MFNs is replaced by the
// `postings` (all of whose MFNs are among `affected`).
struct TermChange {
  std::vector<Mfn> affected;      // sorted, distinct after Normalize()
  std::vector<Posting> postings;  // sorted after Normalize()
  void Normalize();
};

// Index changes gathered for one transaction (one write, or one batch of a bulk load).
class IndexChanges {
 public:
  // Record `mfn` had `old_terms` in the inverted file and now gets `postings` (sorted terms).
  // A later call for the same MFN replaces the earlier one's postings.
  void SetRecord(Mfn mfn, const std::vector<std::string>& old_terms,
                 const std::vector<std::pair<std::string, Posting>>& postings);
  bool empty() const { return terms_.empty(); }
  // The changed terms in byte order (applying them in order keeps the B-tree walk local).
  std::vector<std::pair<const std::string*, TermChange*>> SortedTerms();
  void Clear() {
    terms_.clear();
    added_.clear();
  }

 private:
  std::unordered_map<std::string, TermChange> terms_;
  std::unordered_map<Mfn, std::vector<std::string>> added_;  // terms given postings of the MFN
};

class InvertedFile {
 public:
  explicit InvertedFile(Connection* c) : c_(c) {}

  // Creates the tables of a new inverted file, or checks that an existing one is ours.
  static Status InitSchema(Connection* c, bool create);

  // Applies every change, term by term, rewriting only the blocks that hold affected MFNs.
  Status Apply(IndexChanges* changes);
  Status ApplyTerm(std::string_view term, const TermChange& change);

  // The distinct terms that record `mfn` has postings under (sorted).
  Status GetRecordTerms(Mfn mfn, std::vector<std::string>* terms);
  Status PutRecordTerms(Mfn mfn, const std::vector<std::string>& terms);
  // MFNs listed in record_terms, above `after`, at most `limit`.
  Status ListRecordMfns(Mfn after, int limit, std::vector<Mfn>* mfns);

  Status PostingCount(std::string_view term, int64_t* count);
  // The postings of record `mfn` under `term` (ascending).
  Status GetPostings(std::string_view term, Mfn mfn, std::vector<Posting>* postings);
  // Checks the blocks of `term` (decodable, keys and counts right, ascending); adds problems.
  // *count gets the postings the blocks hold.
  Status CheckTerm(std::string_view term, int64_t* count, std::vector<std::string>* problems);
  // Terms that have blocks but no dictionary entry.
  Status TermsWithoutEntry(int limit, std::vector<std::string>* terms);
  Status Count(int64_t* terms, int64_t* postings, int64_t* blocks);
  Status DeleteAll();

  std::unique_ptr<TermIterator> NewTermIterator();
  std::unique_ptr<PostingIterator> NewPostingIterator(std::string_view term);

  Status GetMeta(const char* key, std::string* value, bool* found);
  Status SetMeta(const char* key, std::string_view value);

 private:
  Connection* c_;
};

// Iterators over nothing, for a database without inverted file.
std::unique_ptr<TermIterator> NewEmptyTermIterator(Status status = Status::Ok());
std::unique_ptr<PostingIterator> NewEmptyPostingIterator(Status status = Status::Ok());

// Front-coded list of sorted terms (record_terms.terms).
std::string EncodeTermList(const std::vector<std::string>& terms);
bool DecodeTermList(std::string_view data, std::vector<std::string>* terms);

}  // namespace zarix::db
