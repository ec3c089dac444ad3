// Database: the master and inverted files behind one SQLite connection, transactions, indexing,
// crash repair and maintenance.
//
// Crash safety across the two files. The .ifp is attached to the .mst connection, so one
// transaction writes a record and its postings. In WAL mode SQLite commits the two files one
// after the other, so a process killed between the two commits leaves one file a transaction
// ahead. Each indexed transaction therefore also writes, into both files, the sequence number
// `write_seq` and the MFNs it touched (`recent_writes`). When the two sequence numbers differ,
// the MFNs of the last transaction are re-indexed from the master file (the truth) before the
// next write and on open; the `record_terms` list of the inverted file says which postings to
// take out, so the repair is exact whichever file got ahead.
#include "zarix64/database.h"

#include <sys/stat.h>

#include <ctime>
#include <random>

#include "util/path.h"
#include "zarix64/format_access.h"
#include "zarix64/fst.h"
#include "zarix64/inverted_file.h"
#include "zarix64/master_file.h"
#include "zarix64/sqlite_util.h"
#include "zarix64/tables.h"

namespace zarix::db {
namespace {

// MFN 0 in recent_writes: the whole inverted file must follow the master file (after Empty).
constexpr Mfn kAllRecords = 0;
constexpr int kReindexBatch = 500;
// Records whose postings a full rebuild gathers in memory before merging them into the blocks
// (as a bulk load's batch: fewer, fuller block rewrites).
constexpr int64_t kRebuildApply = 5000;

std::string NewGuid() {
  thread_local std::mt19937_64 rng = [] {
    std::random_device rd;
    std::seed_seq seq{rd(), rd(), rd(), rd(), static_cast<unsigned>(time(nullptr))};
    return std::mt19937_64(seq);
  }();
  const uint64_t a = rng(), b = rng();
  char buf[40];
  snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(a >> 32),
           static_cast<unsigned>((a >> 16) & 0xffff), static_cast<unsigned>(a & 0xffff),
           static_cast<unsigned>(b >> 48), static_cast<unsigned long long>(b & 0xffffffffffffULL));
  return buf;
}

int64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// "file:" URI for ATTACH, so that the open mode (create or not) can be given per file.
std::string FileUri(const std::string& path, bool create, const std::string& vfs) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '~') {
      uri.push_back(static_cast<char>(c));
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  uri += create ? "?mode=rwc" : "?mode=rw";
  if (!vfs.empty()) uri += "&vfs=" + vfs;
  return uri;
}

std::vector<std::string> DistinctTerms(const std::vector<TermPosting>& postings) {
  std::vector<std::string> terms;
  for (const auto& tp : postings) {
    if (terms.empty() || terms.back() != tp.first) terms.push_back(tp.first);
  }
  return terms;
}

class DatabaseImpl : public Database {
 public:
  DatabaseImpl() : mst_(&conn_), ifp_(&conn_) {}
  ~DatabaseImpl() override {
    if (in_txn_) conn_.Exec("ROLLBACK");
  }

  Status OpenFiles(const OpenOptions& options);

  Mfn MaxMfn() override {
    Mfn next = 1;
    return mst_.NextMfn(&next).ok() ? next : 1;
  }
  int Read(Mfn mfn, Record* record) override;
  int32_t ReadVersion(Mfn mfn) override {
    MasterFile::Header h;
    return mst_.GetHeader(mfn, &h).ok() ? h.version : 0;
  }
  Status Write(Record* record, const WriteOptions& options) override;

  Status ReindexRecord(Mfn mfn) override;
  Status ReindexPending(int64_t* count, const ProgressFn& progress) override;
  Status ReindexAll(const ProgressFn& progress) override;
  Status ExtractTerms(const Record& record, std::vector<TermPosting>* terms) override;

  std::unique_ptr<TermIterator> NewTermIterator() override {
    if (!has_ifp_) return NewEmptyTermIterator();
    return ifp_.NewTermIterator();
  }
  std::unique_ptr<PostingIterator> NewPostingIterator(std::string_view term) override {
    if (!has_ifp_) return NewEmptyPostingIterator();
    return ifp_.NewPostingIterator(term);
  }
  int64_t PostingCount(std::string_view term) override {
    int64_t n = 0;
    if (has_ifp_) ifp_.PostingCount(term, &n);
    return n;
  }
  std::string MakeKey(std::string_view text) const override { return tables_->MakeKey(text); }

  Status Check(CheckReport* report, int max_problems, const ProgressFn& progress) override;
  Status GetStats(Stats* stats) override;
  Status Empty() override;
  Status LockForAdmin(std::string_view holder) override;
  Status UnlockAdmin() override;
  bool IsLocked() override;

  Status BeginBulk(int batch_size) override;
  Status CommitBulk() override;
  void AbortBulk() override;
  void EndBulk();  // back to the normal checkpoint interval

  Status OpenInverted(std::string_view inverted_prefix, bool create_if_missing) override;
  bool has_inverted() const override { return has_ifp_; }
  void SetIndexingContext(std::string_view parameter_dir, const Tables* tables) override {
    if (!parameter_dir.empty()) parameter_dir_ = std::string(parameter_dir);
    if (tables) tables_ = tables;
    fst_.reset();
  }

  const std::string& master_path() const override { return master_path_; }
  const std::string& inverted_path() const override { return inverted_path_; }
  const std::string& parameter_dir() const override { return parameter_dir_; }
  const std::string& name() const override { return name_; }

 private:
  // Transactions. Begin() takes the write lock of both files and repairs a torn transaction.
  Status Begin();
  Status Commit();
  void Rollback();
  // Runs `body` in its own transaction, or in the open bulk batch.
  template <typename Body>
  Status InTransaction(Body body);

  Status CheckAdminLock();
  Status RepairIfNeeded();
  Status ReadSequences(int64_t* mst_seq, int64_t* ifp_seq);
  Status WriteSequence();

  // Index record `mfn` as it is in the master file now (absent or deleted: no postings) and
  // clear its "not indexed" mark. REQUIRES: in a transaction, has_ifp_.
  Status IndexStored(Mfn mfn);
  Status IndexRecord(const Record& record);
  // Empties the inverted file and indexes every record of the master file again. `progress`
  // may stop it (*stopped; the caller must then roll back). REQUIRES: in a transaction, has_ifp_.
  Status RebuildIndex(const ProgressFn& progress, bool* stopped);
  void LoadIndexingContext();

  OpenOptions options_;
  std::string master_path_, inverted_path_, parameter_dir_, name_;
  Connection conn_;
  MasterFile mst_;
  InvertedFile ifp_;
  bool has_ifp_ = false;
  const Tables* tables_ = &Tables::BuiltIn();

  std::unique_ptr<FieldSelection> fst_;  // null until first needed
  StopWords stop_words_;
  std::unique_ptr<FileIncludeResolver> resolver_;
  std::unique_ptr<EngineDatabaseAccess> access_;

  bool holds_admin_lock_ = false;
  bool in_txn_ = false;
  bool bulk_ = false;
  int batch_size_ = 0;
  int batch_count_ = 0;
  IndexChanges pending_;
  std::vector<Mfn> txn_mfns_;  // MFNs whose postings this transaction changes
  bool txn_all_ = false;       // this transaction rewrites the whole inverted file
  bool txn_repaired_ = false;  // this transaction brings the two files back in step
};

Status DatabaseImpl::OpenFiles(const OpenOptions& options) {
  options_ = options;
  if (options.master_prefix.empty()) return Status(kOpenFailed, "no master file name");
  master_path_ = NativePath(options.master_prefix + ".mst");
  name_ = BaseName(options.master_prefix);
  parameter_dir_ = options.parameter_dir.empty() ? DirName(NativePath(options.master_prefix))
                                                 : options.parameter_dir;
  if (options.tables) tables_ = options.tables;
  const bool exists = FileExists(master_path_);
  if (!exists && !options.create_if_missing) {
    return Status(kOpenFailed, "no master file " + master_path_);
  }
  if (Status s =
          conn_.Open(master_path_, options.create_if_missing, options.busy_timeout_ms, options.vfs);
      !s.ok()) {
    return s;
  }
  // WAL: readers never block the writer. synchronous=NORMAL keeps every committed transaction
  // through a killed process; only a power loss can take back the last few commits.
  if (Status s = conn_.Exec("PRAGMA main.journal_mode=WAL; PRAGMA main.synchronous=NORMAL;");
      !s.ok()) {
    return Status(kOpenFailed, s.message());
  }
  if (Status s = MasterFile::InitSchema(&conn_, options.create_if_missing); !s.ok()) return s;
  if (!options.master_only) {
    const std::string prefix =
        options.inverted_prefix.empty() ? options.master_prefix : options.inverted_prefix;
    if (Status s = OpenInverted(prefix, options.create_if_missing); !s.ok()) return s;
  }
  return Status::Ok();
}

Status DatabaseImpl::OpenInverted(std::string_view prefix, bool create) {
  if (has_ifp_) return Status(kInvalidArgument, "inverted file already open");
  const std::string path = NativePath(std::string(prefix) + ".ifp");
  const bool existed = FileExists(path);
  if (!create && !existed) return Status(kOpenFailed, "no inverted file " + path);
  Stmt* attach = conn_.Prepare("ATTACH DATABASE ? AS ifp");
  if (!attach) return conn_.Error("attach");
  {
    StmtScope scope(*attach);
    attach->BindText(1, FileUri(path, create, options_.vfs));
    if (attach->Step() != SQLITE_DONE) {
      return Status(kOpenFailed, "open " + path + ": " + conn_.last_error());
    }
  }
  conn_.ClearCache();
  Status s = conn_.Exec("PRAGMA ifp.journal_mode=WAL; PRAGMA ifp.synchronous=NORMAL;");
  if (s.ok()) s = InvertedFile::InitSchema(&conn_, create);
  if (!s.ok()) {
    conn_.ClearCache();
    conn_.Exec("DETACH DATABASE ifp");
    return Status(s.code() == kBusy ? kBusy : kOpenFailed, s.message());
  }
  inverted_path_ = path;
  has_ifp_ = true;
  int64_t a = 0, b = 0;
  if (Status r = ReadSequences(&a, &b); !r.ok()) return r;
  if (!existed) {
    // A new inverted file beside a master file that may hold records (a lost .ifp): the
    // "whole file" mark makes the repair below build it from the records.
    const std::string seq = std::to_string(std::max(a, b) + 1);
    const std::string sql = "INSERT OR REPLACE INTO ifp.recent_writes(seq, mfn) VALUES(" + seq +
                            ", 0); UPDATE ifp.meta SET value = " + seq +
                            " WHERE key = 'write_seq';";
    if (Status r = conn_.Exec(sql.c_str()); !r.ok()) return r;
    b = std::max(a, b) + 1;
  }
  if (a != b) {
    // The last writer died between the commits of the two files. Best effort: when another
    // process holds the write lock, the next write repairs instead.
    if (Begin().ok()) Commit();
  }
  return Status::Ok();
}

Status DatabaseImpl::ReadSequences(int64_t* mst_seq, int64_t* ifp_seq) {
  std::string a, b;
  bool fa = false, fb = false;
  if (Status s = mst_.GetMeta("write_seq", &a, &fa); !s.ok()) return s;
  if (Status s = ifp_.GetMeta("write_seq", &b, &fb); !s.ok()) return s;
  *mst_seq = fa ? std::strtoll(a.c_str(), nullptr, 10) : 0;
  *ifp_seq = fb ? std::strtoll(b.c_str(), nullptr, 10) : 0;
  return Status::Ok();
}

Status DatabaseImpl::Begin() {
  if (Status s = conn_.Exec("BEGIN IMMEDIATE"); !s.ok()) return s;
  in_txn_ = true;
  txn_mfns_.clear();
  txn_all_ = false;
  txn_repaired_ = false;
  pending_.Clear();
  if (has_ifp_) {
    if (Status s = RepairIfNeeded(); !s.ok()) {
      Rollback();
      return s;
    }
  }
  return Status::Ok();
}

Status DatabaseImpl::RepairIfNeeded() {
  int64_t mst_seq = 0, ifp_seq = 0;
  if (Status s = ReadSequences(&mst_seq, &ifp_seq); !s.ok()) return s;
  if (mst_seq == ifp_seq) return Status::Ok();
  txn_repaired_ = true;
  const int64_t since = std::min(mst_seq, ifp_seq);
  std::vector<Mfn> mfns;
  for (const char* sql : {"SELECT mfn FROM main.recent_writes WHERE seq > ?",
                          "SELECT mfn FROM ifp.recent_writes WHERE seq > ?"}) {
    ZX_PREPARE(&conn_, s, sql);
    s->Bind(1, since);
    int rc;
    while ((rc = s->Step()) == SQLITE_ROW) mfns.push_back(static_cast<Mfn>(s->Int(0)));
    if (rc != SQLITE_DONE) return conn_.Error("read recent writes");
  }
  std::sort(mfns.begin(), mfns.end());
  mfns.erase(std::unique(mfns.begin(), mfns.end()), mfns.end());
  if (!mfns.empty() && mfns.front() == kAllRecords) {
    // An interrupted Empty or full rebuild: make the inverted file follow the whole master file.
    bool stopped = false;
    return RebuildIndex(nullptr, &stopped);
  }
  for (Mfn m : mfns) {
    if (Status s = IndexStored(m); !s.ok()) return s;
  }
  // The repaired state is committed with a sequence number above both files' numbers.
  return Status::Ok();
}

Status DatabaseImpl::WriteSequence() {
  int64_t mst_seq = 0, ifp_seq = 0;
  if (Status s = ReadSequences(&mst_seq, &ifp_seq); !s.ok()) return s;
  const int64_t seq = std::max(mst_seq, ifp_seq) + 1;
  const std::string text = std::to_string(seq);
  for (const char* schema : {"main", "ifp"}) {
    const bool main = schema[0] == 'm';
    ZX_PREPARE(&conn_, del,
               main ? "DELETE FROM main.recent_writes" : "DELETE FROM ifp.recent_writes");
    if (del->Step() != SQLITE_DONE) return conn_.Error("write recent writes");
    ZX_PREPARE(&conn_, ins,
               main ? "INSERT OR IGNORE INTO main.recent_writes(seq, mfn) VALUES(?, ?)"
                    : "INSERT OR IGNORE INTO ifp.recent_writes(seq, mfn) VALUES(?, ?)");
    auto put = [&](Mfn m) -> Status {
      ins->Reset();
      ins->Bind(1, seq).Bind(2, m);
      return ins->Step() == SQLITE_DONE ? Status::Ok() : conn_.Error("write recent writes");
    };
    if (txn_all_) {
      if (Status s = put(kAllRecords); !s.ok()) return s;
    } else {
      for (Mfn m : txn_mfns_) {
        if (Status s = put(m); !s.ok()) return s;
      }
    }
  }
  if (Status s = mst_.SetMeta("write_seq", text); !s.ok()) return s;
  return ifp_.SetMeta("write_seq", text);
}

Status DatabaseImpl::Commit() {
  Status s;
  if (has_ifp_) {
    s = ifp_.Apply(&pending_);
    if (s.ok() && (!txn_mfns_.empty() || txn_all_ || txn_repaired_)) s = WriteSequence();
  }
  if (s.ok()) s = conn_.Exec("COMMIT");
  if (!s.ok()) {
    Rollback();
    return s;
  }
  in_txn_ = false;
  txn_mfns_.clear();
  txn_all_ = false;
  txn_repaired_ = false;
  return s;
}

void DatabaseImpl::Rollback() {
  conn_.Exec("ROLLBACK");
  in_txn_ = false;
  pending_.Clear();
  txn_mfns_.clear();
  txn_all_ = false;
  txn_repaired_ = false;
}

template <typename Body>
Status DatabaseImpl::InTransaction(Body body) {
  if (bulk_) {
    // Refusals come before any change and leave the batch usable; storage failures end it.
    Status s = body();
    if (!s.ok() && s.code() != kVersionConflict && s.code() != kInvalidArgument) AbortBulk();
    return s;
  }
  if (Status s = Begin(); !s.ok()) return s;
  Status s = body();
  if (!s.ok()) {
    Rollback();
    return s;
  }
  return Commit();
}

Status DatabaseImpl::CheckAdminLock() {
  if (holds_admin_lock_) return Status::Ok();
  std::string holder;
  bool found = false;
  if (Status s = mst_.GetMeta("admin_lock", &holder, &found); !s.ok()) return s;
  return found ? Status(kDatabaseLocked, "database locked by " + holder) : Status::Ok();
}

int DatabaseImpl::Read(Mfn mfn, Record* record) {
  *record = Record();
  if (mfn < 1) return kMfnOutOfRange;
  bool found = false;
  Status s = mst_.Get(mfn, record, &found);
  if (!s.ok()) {
    *record = Record();
    return s.code();
  }
  if (!found) {
    *record = Record();
    return mfn >= MaxMfn() ? kMfnOutOfRange : kNoRecord;
  }
  if (record->deleted()) return kRecordDeleted;
  if (record->not_indexed()) return kRecordNotIndexed;
  return kOk;
}

Status DatabaseImpl::Write(Record* record, const WriteOptions& options) {
  if (record->mfn < 0) return Status(kInvalidArgument, "negative MFN");
  for (const Field& f : record->fields) {
    if (f.tag < 1) return Status(kInvalidArgument, "field tag must be positive");
  }
  Record stored = *record;
  Status s = InTransaction([&]() -> Status {
    if (Status st = CheckAdminLock(); !st.ok()) return st;
    if (stored.mfn == 0) {
      if (Status st = mst_.NextMfn(&stored.mfn); !st.ok()) return st;
    }
    MasterFile::Header old;
    if (Status st = mst_.GetHeader(stored.mfn, &old); !st.ok()) return st;
    if (options.check_version && record->version != 0 && old.exists &&
        record->version != old.version) {
      return Status(kVersionConflict, "MFN " + std::to_string(stored.mfn) + " has version " +
                                          std::to_string(old.version) + ", not " +
                                          std::to_string(record->version));
    }
    stored.version = old.exists ? old.version + 1 : 1;
    if (stored.guid.empty()) stored.guid = old.guid.empty() ? NewGuid() : old.guid;
    stored.update_time = static_cast<int64_t>(time(nullptr));
    const bool index = options.update_index && has_ifp_;
    stored.flags = (stored.flags & kFlagDeleted) | (index ? 0 : kFlagNotIndexed);
    if (Status st = mst_.Put(stored); !st.ok()) return st;
    return index ? IndexRecord(stored) : Status::Ok();
  });
  if (!s.ok()) return s;
  *record = std::move(stored);
  if (bulk_ && ++batch_count_ >= batch_size_) {
    batch_count_ = 0;
    if (Status st = Commit(); !st.ok()) {
      bulk_ = false;
      EndBulk();
      return st;
    }
    if (Status st = Begin(); !st.ok()) {
      bulk_ = false;
      EndBulk();
      return st;
    }
  }
  return Status::Ok();
}

void DatabaseImpl::LoadIndexingContext() {
  if (fst_) return;
  resolver_ = std::make_unique<FileIncludeResolver>(std::vector<std::string>{parameter_dir_});
  access_ = std::make_unique<EngineDatabaseAccess>(this);
  const std::string base = parameter_dir_ + name_;
  if (auto text = ReadFileBytes(base + ".fst")) {
    fst_ = FieldSelection::Parse(*text, resolver_.get(), nullptr);
  } else {
    fst_ = std::make_unique<FieldSelection>();
  }
  stop_words_.clear();
  if (auto text = ReadFileBytes(base + ".stw")) stop_words_ = ParseStopWords(*text, *tables_);
}

Status DatabaseImpl::ExtractTerms(const Record& record, std::vector<TermPosting>* terms) {
  LoadIndexingContext();
  terms->clear();
  fst_->Extract(RecordAdapter(record), *tables_, stop_words_, access_.get(), terms);
  return Status::Ok();
}

Status DatabaseImpl::IndexRecord(const Record& record) {
  std::vector<std::string> old_terms;
  if (Status s = ifp_.GetRecordTerms(record.mfn, &old_terms); !s.ok()) return s;
  std::vector<TermPosting> postings;
  if (!record.deleted()) ExtractTerms(record, &postings);
  pending_.SetRecord(record.mfn, old_terms, postings);
  txn_mfns_.push_back(record.mfn);
  return ifp_.PutRecordTerms(record.mfn, DistinctTerms(postings));
}

Status DatabaseImpl::IndexStored(Mfn mfn) {
  Record record;
  bool found = false;
  if (Status s = mst_.Get(mfn, &record, &found); !s.ok()) return s;
  if (!found) {
    record = Record();
    record.mfn = mfn;
    record.flags = kFlagDeleted;
    return IndexRecord(record);
  }
  if (Status s = IndexRecord(record); !s.ok()) return s;
  if (record.not_indexed()) return mst_.SetFlags(mfn, record.flags & ~kFlagNotIndexed);
  return Status::Ok();
}

Status DatabaseImpl::ReindexRecord(Mfn mfn) {
  if (!has_ifp_) return Status(kNotOpen, "no inverted file open");
  if (mfn < 1) return Status(kInvalidArgument, "MFN must be positive");
  return InTransaction([&] {
    Status s = CheckAdminLock();
    return s.ok() ? IndexStored(mfn) : s;
  });
}

Status DatabaseImpl::ReindexPending(int64_t* count, const ProgressFn& progress) {
  if (count) *count = 0;
  if (!has_ifp_) return Status(kNotOpen, "no inverted file open");
  int64_t total = 0, ignored = 0, pending = 0;
  if (Status s = mst_.Count(&total, &ignored, &pending); !s.ok()) return s;
  int64_t done = 0;
  Mfn after = 0;
  std::vector<Mfn> batch;
  for (;;) {
    Status s = InTransaction([&]() -> Status {
      if (Status st = CheckAdminLock(); !st.ok()) return st;
      if (Status st = mst_.ListFlagged(kFlagNotIndexed, after, kReindexBatch, &batch); !st.ok()) {
        return st;
      }
      for (Mfn m : batch) {
        if (Status st = IndexStored(m); !st.ok()) return st;
      }
      return Status::Ok();
    });
    if (!s.ok()) return s;
    if (batch.empty()) break;
    after = batch.back();
    done += static_cast<int64_t>(batch.size());
    if (count) *count = done;
    if (progress && !progress(done, pending)) break;
  }
  return Status::Ok();
}

Status DatabaseImpl::RebuildIndex(const ProgressFn& progress, bool* stopped) {
  *stopped = false;
  int64_t total = 0, deleted = 0, pending = 0;
  if (progress) {
    if (Status s = mst_.Count(&total, &deleted, &pending); !s.ok()) return s;
  }
  if (Status s = ifp_.DeleteAll(); !s.ok()) return s;
  // The commit is marked "whole inverted file": should the process die between the two files'
  // commits, the next transaction or opening rebuilds it again.
  txn_all_ = true;
  int64_t done = 0, since_apply = 0;
  Mfn after = 0;
  std::vector<Mfn> batch;
  for (;;) {
    if (Status s = mst_.ListMfns(after, kReindexBatch, &batch); !s.ok()) return s;
    if (batch.empty()) break;
    for (Mfn m : batch) {
      if (Status s = IndexStored(m); !s.ok()) return s;
    }
    after = batch.back();
    done += static_cast<int64_t>(batch.size());
    txn_mfns_.clear();  // the whole file is marked: no need to list every MFN
    // Merge the gathered postings now and then, so memory stays bounded on large databases.
    if ((since_apply += static_cast<int64_t>(batch.size())) >= kRebuildApply) {
      since_apply = 0;
      if (Status s = ifp_.Apply(&pending_); !s.ok()) return s;
    }
    if (progress && !progress(done, total)) {
      *stopped = true;
      return Status::Ok();
    }
  }
  return ifp_.Apply(&pending_);
}

Status DatabaseImpl::ReindexAll(const ProgressFn& progress) {
  if (!has_ifp_) return Status(kNotOpen, "no inverted file open");
  if (bulk_) return Status(kInvalidArgument, "reindex during a bulk load");
  // A rebuild from nothing, in one transaction. Re-indexing record by record would trust what
  // is stored already (dictionary counts, blocks, the record term lists that say which old
  // postings to take out), so damage there would survive. One transaction keeps readers on the
  // old inverted file until the new one is complete, and a killed rebuild leaves the old one.
  if (Status s = Begin(); !s.ok()) return s;
  bool stopped = false;
  Status s = CheckAdminLock();
  if (s.ok()) s = RebuildIndex(progress, &stopped);
  if (!s.ok() || stopped) {
    Rollback();  // stopped: nothing of the rebuild is kept, the old inverted file stays
    return s;
  }
  return Commit();
}

Status DatabaseImpl::Check(CheckReport* report, int max_problems, const ProgressFn& progress) {
  *report = CheckReport();
  const auto add = [&](std::string problem) {
    if (static_cast<int>(report->problems.size()) < max_problems) {
      report->problems.push_back(std::move(problem));
    } else {
      ++report->problems_omitted;
    }
  };
  if (Status s = mst_.Count(&report->records, &report->deleted, &report->not_indexed); !s.ok()) {
    return s;
  }
  if (!has_ifp_) return Status::Ok();
  int64_t blocks = 0;
  if (Status s = ifp_.Count(&report->terms, &report->postings, &blocks); !s.ok()) return s;

  // Every indexed record against its postings.
  int64_t expected_total = 0, done = 0;
  Mfn after = 0;
  std::vector<Mfn> batch;
  std::vector<TermPosting> expected;
  std::vector<std::string> listed;
  std::vector<Posting> stored;
  for (;;) {
    if (Status s = mst_.ListMfns(after, kReindexBatch, &batch); !s.ok()) return s;
    if (batch.empty()) break;
    after = batch.back();
    for (Mfn m : batch) {
      Record record;
      bool found = false;
      if (Status s = mst_.Get(m, &record, &found); !s.ok()) {
        add(s.message());
        continue;
      }
      if (record.not_indexed()) continue;
      expected.clear();
      if (!record.deleted()) ExtractTerms(record, &expected);
      expected_total += static_cast<int64_t>(expected.size());
      if (Status s = ifp_.GetRecordTerms(m, &listed); !s.ok()) {
        add(s.message());
        continue;
      }
      const std::vector<std::string> want = DistinctTerms(expected);
      if (want != listed) add("MFN " + std::to_string(m) + ": term list differs from the record");
      std::vector<std::string> terms = want;
      terms.insert(terms.end(), listed.begin(), listed.end());
      std::sort(terms.begin(), terms.end());
      terms.erase(std::unique(terms.begin(), terms.end()), terms.end());
      for (const std::string& term : terms) {
        if (Status s = ifp_.GetPostings(term, m, &stored); !s.ok()) {
          add(s.message());
          continue;
        }
        std::vector<Posting> want_postings;
        for (const auto& [t, p] : expected) {
          if (t == term) want_postings.push_back(p);
        }
        if (stored != want_postings) {
          add("MFN " + std::to_string(m) + ": term " + term + ": " + std::to_string(stored.size()) +
              " postings stored, " + std::to_string(want_postings.size()) + " expected");
        }
      }
    }
    done += static_cast<int64_t>(batch.size());
    if (progress && !progress(done, report->records)) return Status::Ok();
  }

  // Dictionary counts against the blocks.
  int64_t block_total = 0;
  auto it = ifp_.NewTermIterator();
  std::vector<std::string> problems;
  for (it->SeekToFirst(); it->Valid(); it->Next()) {
    int64_t n = 0;
    problems.clear();
    if (Status s = ifp_.CheckTerm(it->key(), &n, &problems); !s.ok()) return s;
    for (auto& p : problems) add(std::move(p));
    if (n != it->posting_count()) {
      add("term " + std::string(it->key()) + ": count " + std::to_string(it->posting_count()) +
          ", blocks hold " + std::to_string(n));
    }
    block_total += n;
  }
  if (!it->status().ok()) return it->status();
  std::vector<std::string> orphans;
  if (Status s = ifp_.TermsWithoutEntry(max_problems, &orphans); !s.ok()) return s;
  for (const std::string& t : orphans) add("term " + t + ": blocks without dictionary entry");
  if (report->not_indexed == 0 && expected_total != block_total) {
    add("inverted file holds " + std::to_string(block_total) + " postings, records make " +
        std::to_string(expected_total));
  }
  return Status::Ok();
}

Status DatabaseImpl::GetStats(Stats* stats) {
  *stats = Stats();
  if (Status s = mst_.NextMfn(&stats->next_mfn); !s.ok()) return s;
  if (Status s = mst_.Count(&stats->records, &stats->deleted, &stats->not_indexed); !s.ok()) {
    return s;
  }
  if (has_ifp_) {
    if (Status s = ifp_.Count(&stats->terms, &stats->postings, &stats->posting_blocks); !s.ok()) {
      return s;
    }
  }
  stats->master_bytes = FileSize(master_path_);
  stats->inverted_bytes = has_ifp_ ? FileSize(inverted_path_) : 0;
  bool found = false;
  if (Status s = mst_.GetMeta("admin_lock", &stats->lock_holder, &found); !s.ok()) return s;
  stats->admin_locked = found;
  return Status::Ok();
}

Status DatabaseImpl::Empty() {
  if (bulk_) return Status(kInvalidArgument, "empty during a bulk load");
  if (Status s = Begin(); !s.ok()) return s;
  Status s = CheckAdminLock();
  if (s.ok()) s = mst_.DeleteAll();
  if (s.ok() && has_ifp_) {
    s = ifp_.DeleteAll();
    txn_all_ = true;
  }
  if (s.ok() && !has_ifp_) {
    // Without the inverted file at hand, leave the mark that makes its next opening follow.
    s = conn_.Exec(
        "DELETE FROM main.recent_writes;"
        "INSERT INTO main.recent_writes(seq, mfn)"
        " SELECT CAST(value AS INTEGER) + 1, 0 FROM main.meta WHERE key = 'write_seq';"
        "UPDATE main.meta SET value = CAST(value AS INTEGER) + 1 WHERE key = 'write_seq';");
  }
  if (!s.ok()) {
    Rollback();
    return s;
  }
  return Commit();
}

Status DatabaseImpl::LockForAdmin(std::string_view holder) {
  if (bulk_) return Status(kInvalidArgument, "lock during a bulk load");
  if (Status s = conn_.Exec("BEGIN IMMEDIATE"); !s.ok()) return s;
  std::string current;
  bool found = false;
  Status s = mst_.GetMeta("admin_lock", &current, &found);
  if (s.ok() && found) s = Status(kDatabaseLocked, "database locked by " + current);
  if (s.ok()) s = mst_.SetMeta("admin_lock", holder.empty() ? "admin" : holder);
  if (s.ok()) s = conn_.Exec("COMMIT");
  if (!s.ok()) {
    conn_.Exec("ROLLBACK");
    return s;
  }
  holds_admin_lock_ = true;
  return s;
}

Status DatabaseImpl::UnlockAdmin() {
  if (bulk_) return Status(kInvalidArgument, "unlock during a bulk load");
  Status s = mst_.DeleteMeta("admin_lock");
  if (s.ok()) holds_admin_lock_ = false;
  return s;
}

bool DatabaseImpl::IsLocked() {
  if (holds_admin_lock_) return false;
  std::string holder;
  bool found = false;
  return mst_.GetMeta("admin_lock", &holder, &found).ok() && found;
}

Status DatabaseImpl::BeginBulk(int batch_size) {
  if (bulk_ || in_txn_) return Status(kInvalidArgument, "a transaction is already open");
  // Each batch dirties pages all over the dictionary; checkpointing after every batch would
  // copy them into the file again and again. Let the WAL grow during the load instead.
  conn_.Exec("PRAGMA main.wal_autocheckpoint=20000;");
  if (has_ifp_) conn_.Exec("PRAGMA ifp.wal_autocheckpoint=20000;");
  if (Status s = Begin(); !s.ok()) return s;
  if (Status s = CheckAdminLock(); !s.ok()) {
    Rollback();
    return s;
  }
  bulk_ = true;
  batch_size_ = batch_size < 1 ? 1 : batch_size;
  batch_count_ = 0;
  return Status::Ok();
}

Status DatabaseImpl::CommitBulk() {
  if (!bulk_) return Status(kInvalidArgument, "no bulk load open");
  bulk_ = false;
  Status s = Commit();
  EndBulk();
  return s;
}

void DatabaseImpl::AbortBulk() {
  if (bulk_) Rollback();
  bulk_ = false;
  EndBulk();
}

void DatabaseImpl::EndBulk() {
  conn_.Exec("PRAGMA main.wal_autocheckpoint=1000;");
  if (has_ifp_) conn_.Exec("PRAGMA ifp.wal_autocheckpoint=1000;");
}

}  // namespace

Status Database::Open(const OpenOptions& options, std::unique_ptr<Database>* db) {
  db->reset();
  auto impl = std::make_unique<DatabaseImpl>();
  if (Status s = impl->OpenFiles(options); !s.ok()) return s;
  *db = std::move(impl);
  return Status::Ok();
}

Status Database::Create(const OpenOptions& options, std::unique_ptr<Database>* db) {
  db->reset();
  const std::string inverted =
      options.inverted_prefix.empty() ? options.master_prefix : options.inverted_prefix;
  if (FileExists(options.master_prefix + ".mst") || FileExists(inverted + ".ifp")) {
    return Status(kOpenFailed, "database files already exist");
  }
  OpenOptions create = options;
  create.create_if_missing = true;
  create.master_only = false;
  return Open(create, db);
}

}  // namespace zarix::db
