// Spaces: what one handle of the C interface holds (an open database, record shelves, the
// dictionary and posting walk, a compiled format and its result), the process-wide settings,
// and the table of live spaces. zarix64_abi.cpp is a thin C layer over this.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "zarix64/database.h"
#include "zarix64/format/format.h"
#include "zarix64/format_access.h"
#include "zarix64/tables.h"

namespace zarix::db {

inline constexpr int kShelves = 8;

// Settings given once per process (zarix_uatab_init and friends).
struct ProcessSettings {
  std::string zarixpath;
  std::string datapath;
  std::string deposit_path;
  std::string ini_file;
  std::string uctab_name;
  int options[3] = {0, 0, 0};
  std::shared_ptr<const Tables> tables;  // null: built-in
};

// A copy of the current settings / replaces them (thread-safe).
ProcessSettings GetProcessSettings();
void SetProcessSettings(const ProcessSettings& settings);

class Space {
 public:
  Space();
  ~Space();

  // Opening (see zarix64.h for the contracts and codes).
  int OpenMaster(const std::string& prefix);
  int OpenInverted(const std::string& prefix);
  int InitInvContext(const std::string& parameter_dir, const std::string& actab);
  void UseProcessTables();
  Database* db() { return db_.get(); }

  // REQUIRES: 0 <= shelf < kShelves (the ABI checks).
  Record& shelf(int i) { return shelves_[i]; }
  int ReadRecord(int shelf, Mfn mfn);
  int WriteRecord(int shelf, bool update_index, Mfn* mfn_out);

  // Dictionary walk.
  int Find(std::string_view key);
  int NextTerm();
  int PrevTerm();
  // The current term, "" when the walk stands nowhere.
  const std::string& term() const { return term_; }
  bool on_term() const { return on_term_; }
  int64_t PostingCount() const;
  // Posting walk of the current term.
  void InitPost();
  int NextPost();
  int PostingPart(int what) const;

  // Formats.
  int CompileFormat(std::string_view text);
  int Format(int shelf, int mode, int capacity);
  const std::string& format_result() const { return result_; }

  std::string& scratch() { return scratch_; }
  std::string& message() { return message_; }
  int Fail(const Status& s) {
    message_ = s.message();
    return s.code();
  }

 private:
  void StandOn();  // after the term iterator moved: update the term and drop the posting walk

  std::shared_ptr<const Tables> tables_;  // before db_: the database points at them
  std::unique_ptr<Database> db_;
  Record shelves_[kShelves];
  std::string parameter_dir_;

  std::unique_ptr<TermIterator> terms_;
  enum class WalkState { kNone, kOnTerm, kBeforeFirst, kAfterLast } walk_ = WalkState::kNone;
  std::string term_;
  bool on_term_ = false;
  std::unique_ptr<PostingIterator> postings_;
  bool posting_current_ = false;

  std::unique_ptr<format::Program> program_;
  format::CompileError compile_error_;
  bool compiled_ = false;
  format::FormatVariables vars_;
  std::unique_ptr<EngineDatabaseAccess> access_;
  std::string result_;
  std::string scratch_;
  std::string message_;
};

// The table of live spaces. Handles are positive and never reused within a process.
int NewSpace();
// The space of `handle`, or null. The caller uses it from one thread at a time.
Space* FindSpace(int handle);
void CloseSpace(int handle);

}  // namespace zarix::db
