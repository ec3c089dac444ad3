// One open database: master file, inverted file and indexing, as the engine's C++ code and the
// admin tool use it. The C ABI (zarix64.h) is a thin layer of spaces and shelves over this class.
//
// A database is two SQLite files: the master file "<master prefix>.mst" (one row per MFN) and the
// inverted file "<inverted prefix>.ifp" (dictionary and posting blocks); doc/engine_storage.md
// describes both. Every write is one transaction that changes the record and its postings
// together; several processes may read and write the same database at once (WAL, busy timeout).
//
// Thread safety: a Database object is used by one thread at a time. Different Database objects
// (in one process or many) may work on the same files concurrently. Iterators use their
// database's connection: REQUIRES the database outlives them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/types.h"
#include "zarix64/record.h"
#include "zarix64/status.h"

namespace zarix::db {

class Tables;  // alphabet and upper-case tables (tables.h)

struct OpenOptions {
  // "<path><name>": the files are master_prefix + ".mst" and inverted_prefix + ".ifp".
  // Windows-style "\" separators are accepted (NativePath).
  std::string master_prefix;
  std::string inverted_prefix;  // empty: same as master_prefix
  // Folder of "<name>.fst" (field selection table) and "<name>.stw" (stop words), ending in a
  // separator. Empty: the master file's folder. <name> is the base name of master_prefix.
  std::string parameter_dir;
  // Create missing files (an empty database). Without it a missing file fails with
  // kOpenFailed. An inverted file created beside an existing master file is built from its
  // records while opening.
  bool create_if_missing = false;
  // Tables for term extraction; null: the built-in Windows-1251 tables. Not owned; must outlive
  // the database.
  const Tables* tables = nullptr;
  // Open the master file only; OpenInverted() may add the inverted file later. Until then
  // term and posting walks are empty and writes store records with kFlagNotIndexed.
  bool master_only = false;
  // How long a writer waits for another process's write lock before failing with kBusy.
  int busy_timeout_ms = 10000;
  // Name of a registered SQLite VFS for both files (tests inject I/O faults with one); empty:
  // SQLite's default.
  std::string vfs;
};

// One posting: where a term occurs.
struct Posting {
  Mfn mfn = 0;
  FieldTag tag = 0;           // the tag of the field selection line that made the term
  Occurrence occurrence = 0;  // the line of that selection's output, from 1
  TermPos position = 0;       // the word's number in that line, from 1; 0 for whole-line terms
  auto operator<=>(const Posting&) const = default;
};

// Walks the dictionary in byte order of the terms' UTF-8 text. Reads the inverted file lazily
// (a few rows at a time), never the whole table. The iterator sees the database as it was at its
// last Seek*: it holds no lock between calls.
class TermIterator {
 public:
  virtual ~TermIterator() = default;
  // Positions at the first term >= key (byte order). Invalid when there is none.
  virtual void Seek(std::string_view key) = 0;
  virtual void SeekToFirst() = 0;
  virtual void SeekToLast() = 0;
  // REQUIRES: Valid(). Moving off either end makes the iterator invalid.
  virtual void Next() = 0;
  virtual void Prev() = 0;
  virtual bool Valid() const = 0;
  // REQUIRES: Valid().
  virtual std::string_view key() const = 0;
  virtual int64_t posting_count() const = 0;
  // Not ok after a storage failure (then Valid() is false).
  virtual Status status() const = 0;
};

// Walks the postings of one term in ascending (mfn, tag, occurrence, position) order, one block
// of postings at a time.
class PostingIterator {
 public:
  virtual ~PostingIterator() = default;
  virtual bool Valid() const = 0;
  // REQUIRES: Valid().
  virtual void Next() = 0;
  virtual const Posting& posting() const = 0;
  Mfn mfn() const { return posting().mfn; }
  FieldTag tag() const { return posting().tag; }
  Occurrence occurrence() const { return posting().occurrence; }
  TermPos position() const { return posting().position; }
  virtual Status status() const = 0;
};

// Result of Check(): the records compared with the inverted file.
struct CheckReport {
  int64_t records = 0;      // rows in the master file
  int64_t deleted = 0;      // of which logically deleted
  int64_t not_indexed = 0;  // of which waiting for indexing
  int64_t terms = 0;        // dictionary entries
  int64_t postings = 0;     // postings in all blocks
  // One line per problem found ("MFN 12: term K=DATA missing", "term X: count 3, blocks hold 2",
  // "MFN 7: undecodable record"); at most `max_problems` lines, then problems_omitted counts.
  std::vector<std::string> problems;
  int64_t problems_omitted = 0;
  bool ok() const { return problems.empty() && problems_omitted == 0; }
};

struct Stats {
  Mfn next_mfn = 1;  // = MaxMfn()
  int64_t records = 0;
  int64_t deleted = 0;
  int64_t not_indexed = 0;
  int64_t terms = 0;
  int64_t postings = 0;
  int64_t posting_blocks = 0;
  int64_t master_bytes = 0;    // size of the .mst file (without its WAL)
  int64_t inverted_bytes = 0;  // size of the .ifp file (without its WAL)
  bool admin_locked = false;
  std::string lock_holder;  // who took the admin lock (text given to LockForAdmin)
};

// Progress callback of long operations: records done, records in total. Return false to stop
// (the work done so far stays committed and consistent).
using ProgressFn = std::function<bool(int64_t done, int64_t total)>;

class Database {
 public:
  // Opens (or with create_if_missing creates) the database. On success *db holds it; otherwise
  // *db is reset and the status says why (kOpenFailed, kIoError, kCorrupt).
  static Status Open(const OpenOptions& options, std::unique_ptr<Database>* db);

  // Creates a new empty database; fails with kOpenFailed when either file already exists.
  static Status Create(const OpenOptions& options, std::unique_ptr<Database>* db);

  virtual ~Database() = default;

  // ---- Records ----

  // The next MFN to give: highest MFN ever written + 1 (1 for an empty database).
  virtual Mfn MaxMfn() = 0;

  // Reads record `mfn` into *record. Returns kOk, kRecordDeleted or kRecordNotIndexed (record
  // read), kMfnOutOfRange, kNoRecord, or a storage failure (kIoError, kCorrupt).
  virtual int Read(Mfn mfn, Record* record) = 0;

  // The stored version of record `mfn`, 0 when there is none.
  virtual int32_t ReadVersion(Mfn mfn) = 0;

  struct WriteOptions {
    // Update the inverted file in the same transaction (old terms out, new terms in). Without
    // it the record is stored with kFlagNotIndexed and the inverted file is left alone until
    // ReindexRecord/ReindexPending.
    bool update_index = true;
    // Refuse the write with kVersionConflict when record->version is not 0 and differs from the
    // stored record's version (another writer got there first).
    bool check_version = true;
  };

  // Writes *record. MFN 0 gives the record the next MFN. A positive MFN replaces that record
  // or, when it is >= MaxMfn(), creates it there (MaxMfn() moves past it). On success updates
  // record->mfn, version (+1), guid (made when empty), update_time and flags to what was stored.
  // A logically deleted record keeps its row but has no postings. Fails with kDatabaseLocked
  // while an admin lock is held (unless this object holds it), kVersionConflict, kBusy,
  // kIoError; on failure nothing was changed.
  virtual Status Write(Record* record, const WriteOptions& options) = 0;
  Status Write(Record* record) { return Write(record, WriteOptions()); }

  // ---- Indexing ----

  // Brings the postings of record `mfn` in line with its text and clears kFlagNotIndexed.
  virtual Status ReindexRecord(Mfn mfn) = 0;
  // Indexes every record marked kFlagNotIndexed. *count (may be null) gets how many.
  virtual Status ReindexPending(int64_t* count, const ProgressFn& progress = nullptr) = 0;
  // Rebuilds the whole inverted file from the records (after a change of the .fst, stop words or
  // tables, or to repair a damaged inverted file: nothing stored there is trusted). One
  // transaction: readers see the old inverted file until it commits, other writers wait (and
  // may fail with kBusy on a large database). `progress` returning false, a failure or a killed
  // process leave the old inverted file as it was.
  virtual Status ReindexAll(const ProgressFn& progress = nullptr) = 0;

  // The terms and postings that the field selection table makes of `record` (no storage
  // access). Sorted by (term, posting). For tests, the admin tool's dump and Check.
  virtual Status ExtractTerms(const Record& record,
                              std::vector<std::pair<std::string, Posting>>* terms) = 0;

  // ---- Inverted file ----

  // Iterators see committed data only (not the pending batch of a bulk load).
  virtual std::unique_ptr<TermIterator> NewTermIterator() = 0;
  // Postings of exactly `term` (already upper-cased); an invalid iterator when it is absent.
  virtual std::unique_ptr<PostingIterator> NewPostingIterator(std::string_view term) = 0;
  // Number of postings of `term`, 0 when absent.
  virtual int64_t PostingCount(std::string_view term) = 0;

  // Upper-cases `text` and cuts it to at most 254 bytes on a character boundary, exactly as
  // terms are made when indexing (so callers can build search keys).
  virtual std::string MakeKey(std::string_view text) const = 0;

  // ---- Maintenance ----

  // Compares every record's expected postings with the inverted file, and the dictionary counts
  // with the blocks. Read-only. Records marked kFlagNotIndexed are not compared.
  virtual Status Check(CheckReport* report, int max_problems = 100,
                       const ProgressFn& progress = nullptr) = 0;
  virtual Status GetStats(Stats* stats) = 0;

  // Removes every record and posting; the next MFN is 1 again. Fails with kDatabaseLocked while
  // another holder has the admin lock.
  virtual Status Empty() = 0;

  // The admin lock: a mark stored in the master file. While it is set, writes and Empty() of
  // every other Database object fail with kDatabaseLocked and IsLocked() answers true; reads go
  // on. The mark survives the process (an interrupted admin job leaves the database locked
  // until `zarix-admin unlock`). LockForAdmin fails with kDatabaseLocked when already set.
  virtual Status LockForAdmin(std::string_view holder) = 0;
  virtual Status UnlockAdmin() = 0;  // clears the mark, whoever set it
  virtual bool IsLocked() = 0;       // set by someone else than this object

  // ---- Bulk load ----

  // Between BeginBulk and CommitBulk, Write() calls go into one transaction that is committed
  // every `batch_size` records and by CommitBulk (index changes are gathered in memory and
  // merged per term at each commit). What was committed stays consistent after a crash; the
  // uncommitted batch is lost as a whole. Other processes are blocked from writing while a
  // batch is open. AbortBulk drops the open batch.
  // Larger batches import faster (each commit rewrites the dictionary pages the batch touched;
  // 5,000 records is about twice as fast as 1,000) but hold the write lock longer.
  virtual Status BeginBulk(int batch_size = 5000) = 0;
  virtual Status CommitBulk() = 0;
  virtual void AbortBulk() = 0;

  // ---- Opening in steps (the C ABI opens master and inverted file by separate calls) ----

  // Opens "<inverted_prefix>.ifp" for a database opened with master_only. Fails with
  // kOpenFailed when the file is missing (and !create_if_missing) or not an inverted file.
  virtual Status OpenInverted(std::string_view inverted_prefix, bool create_if_missing) = 0;
  virtual bool has_inverted() const = 0;
  // Changes the folder of .fst/.stw (empty: keep) and the tables (null: keep); they are read
  // again on the next use.
  virtual void SetIndexingContext(std::string_view parameter_dir, const Tables* tables) = 0;

  // ---- Paths ----
  virtual const std::string& master_path() const = 0;    // "<prefix>.mst" (native)
  virtual const std::string& inverted_path() const = 0;  // "<prefix>.ifp" (native)
  virtual const std::string& parameter_dir() const = 0;
  virtual const std::string& name() const = 0;  // base name of the master prefix
};

}  // namespace zarix::db
