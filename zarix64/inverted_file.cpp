// Dictionary, posting blocks and record term lists of the inverted file.
#include "zarix64/inverted_file.h"

#include <algorithm>

#include "zarix64/posting_block.h"
#include "zarix64/varint.h"

namespace zarix::db {
namespace {

// "ZRXI": marks an SQLite file as our inverted file.
constexpr int kInvertedAppId = 0x5a525849;
constexpr int kInvertedFormat = 1;
// Dictionary rows fetched per query of a term walk.
constexpr int kTermBatch = 64;
// Blocks fetched per query of a posting walk.
constexpr int kBlockBatch = 8;

struct BlockRow {
  Posting key;
  std::string data;
};

Status Corrupt(std::string_view term) {
  return Status(kCorrupt, "term " + std::string(term) + ": undecodable posting block");
}

class EmptyTermIterator : public TermIterator {
 public:
  explicit EmptyTermIterator(Status s) : status_(std::move(s)) {}
  void Seek(std::string_view) override {}
  void SeekToFirst() override {}
  void SeekToLast() override {}
  void Next() override {}
  void Prev() override {}
  bool Valid() const override { return false; }
  std::string_view key() const override { return {}; }
  int64_t posting_count() const override { return 0; }
  Status status() const override { return status_; }

 private:
  Status status_;
};

class EmptyPostingIterator : public PostingIterator {
 public:
  explicit EmptyPostingIterator(Status s) : status_(std::move(s)) {}
  bool Valid() const override { return false; }
  void Next() override {}
  const Posting& posting() const override { return none_; }
  Status status() const override { return status_; }

 private:
  Status status_;
  Posting none_;
};

// Walks `terms` a batch of rows at a time, holding no statement open between calls.
class DbTermIterator : public TermIterator {
 public:
  explicit DbTermIterator(Connection* c) : c_(c) {}

  void Seek(std::string_view key) override {
    Load("SELECT term, postings FROM ifp.terms WHERE term >= ? ORDER BY term LIMIT ?", key, true);
  }
  void SeekToFirst() override { Seek(std::string_view()); }
  void SeekToLast() override {
    Load("SELECT term, postings FROM ifp.terms ORDER BY term DESC LIMIT ?2", {}, false);
  }
  void Next() override {
    if (!Valid()) return;
    if (++index_ < rows_.size()) return;
    const std::string last = rows_.back().first;
    Load("SELECT term, postings FROM ifp.terms WHERE term > ? ORDER BY term LIMIT ?", last, true);
  }
  void Prev() override {
    if (!Valid()) return;
    if (index_ > 0) {
      --index_;
      return;
    }
    const std::string first = rows_.front().first;
    Load("SELECT term, postings FROM ifp.terms WHERE term < ? ORDER BY term DESC LIMIT ?", first,
         false);
  }
  bool Valid() const override { return index_ < rows_.size(); }
  std::string_view key() const override { return rows_[index_].first; }
  int64_t posting_count() const override { return rows_[index_].second; }
  Status status() const override { return status_; }

 private:
  // Runs `sql` (?1 key, ?2 limit); ascending results start the walk at their first row,
  // descending ones (reversed into ascending order) at their last.
  void Load(const char* sql, std::string_view key, bool ascending) {
    rows_.clear();
    index_ = 0;
    Stmt* s = c_->Prepare(sql);
    if (!s) {
      status_ = Status(kIoError, "prepare: " + c_->last_error());
      return;
    }
    StmtScope scope(*s);
    s->BindBlob(1, key).Bind(2, kTermBatch);
    int rc;
    while ((rc = s->Step()) == SQLITE_ROW) rows_.emplace_back(std::string(s->Blob(0)), s->Int(1));
    if (rc != SQLITE_DONE) {
      status_ = c_->Error("read dictionary");
      rows_.clear();
      return;
    }
    if (!ascending) {
      std::reverse(rows_.begin(), rows_.end());
      index_ = rows_.empty() ? 0 : rows_.size() - 1;
    }
  }

  Connection* c_;
  std::vector<std::pair<std::string, int64_t>> rows_;
  size_t index_ = 0;
  Status status_;
};

// Walks one term's blocks in key order, a few blocks per query.
class DbPostingIterator : public PostingIterator {
 public:
  DbPostingIterator(Connection* c, std::string_view term) : c_(c), term_(term) { Fill(); }

  bool Valid() const override { return index_ < buf_.size(); }
  void Next() override {
    if (!Valid()) return;
    last_ = buf_[index_];
    if (++index_ == buf_.size()) Fill();
  }
  const Posting& posting() const override { return buf_[index_]; }
  Status status() const override { return status_; }

 private:
  void Fill() {
    buf_.clear();
    index_ = 0;
    while (buf_.empty() && more_) {
      Stmt* s = c_->Prepare(
          "SELECT mfn, tag, occ, pos, data FROM ifp.blocks WHERE term = ?1 AND"
          " (mfn, tag, occ, pos) > (?2, ?3, ?4, ?5) ORDER BY mfn, tag, occ, pos LIMIT ?6");
      if (!s) {
        status_ = Status(kIoError, "prepare: " + c_->last_error());
        return;
      }
      StmtScope scope(*s);
      s->BindBlob(1, term_).Bind(2, block_key_.mfn).Bind(3, block_key_.tag);
      s->Bind(4, block_key_.occurrence).Bind(5, block_key_.position).Bind(6, kBlockBatch);
      int rows = 0, rc;
      while ((rc = s->Step()) == SQLITE_ROW) {
        ++rows;
        block_key_ = Posting{static_cast<Mfn>(s->Int(0)), static_cast<FieldTag>(s->Int(1)),
                             static_cast<Occurrence>(s->Int(2)), static_cast<TermPos>(s->Int(3))};
        if (!DecodePostingBlock(s->Blob(4), &buf_)) {
          status_ = Corrupt(term_);
          buf_.clear();
          more_ = false;
          return;
        }
      }
      if (rc != SQLITE_DONE) {
        status_ = c_->Error("read postings");
        buf_.clear();
        more_ = false;
        return;
      }
      more_ = rows == kBlockBatch;
      // A writer may have split or rewritten blocks between two queries: never go back.
      if (started_) {
        buf_.erase(buf_.begin(), std::upper_bound(buf_.begin(), buf_.end(), last_));
      }
    }
    started_ = true;
  }

  Connection* c_;
  std::string term_;
  std::vector<Posting> buf_;
  size_t index_ = 0;
  Posting block_key_;  // key of the last block read; (0,0,0,0) sorts before every block
  Posting last_;       // last posting handed out
  bool started_ = false;
  bool more_ = true;
  Status status_;
};

}  // namespace

void TermChange::Normalize() {
  std::sort(affected.begin(), affected.end());
  affected.erase(std::unique(affected.begin(), affected.end()), affected.end());
  std::sort(postings.begin(), postings.end());
  postings.erase(std::unique(postings.begin(), postings.end()), postings.end());
}

void IndexChanges::SetRecord(Mfn mfn, const std::vector<std::string>& old_terms,
                             const std::vector<std::pair<std::string, Posting>>& postings) {
  std::vector<std::string>& added = added_[mfn];
  for (const std::string& term : added) {
    auto& list = terms_[term].postings;
    list.erase(
        std::remove_if(list.begin(), list.end(), [mfn](const Posting& p) { return p.mfn == mfn; }),
        list.end());
  }
  for (const std::string& term : old_terms) terms_[term].affected.push_back(mfn);
  // `postings` is sorted by term: one lookup per distinct term.
  TermChange* change = nullptr;
  const std::string* current = nullptr;
  for (const auto& [term, posting] : postings) {
    if (!current || *current != term) {
      change = &terms_[term];
      change->affected.push_back(mfn);
      added.push_back(term);
      current = &term;
    }
    change->postings.push_back(posting);
  }
}

std::vector<std::pair<const std::string*, TermChange*>> IndexChanges::SortedTerms() {
  std::vector<std::pair<const std::string*, TermChange*>> sorted;
  sorted.reserve(terms_.size());
  for (auto& [term, change] : terms_) sorted.emplace_back(&term, &change);
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return *a.first < *b.first; });
  return sorted;
}

Status InvertedFile::InitSchema(Connection* c, bool create) {
  Stmt* s = c->Prepare("PRAGMA ifp.application_id");
  if (!s) return c->Error("read application id");
  int64_t app_id = 0;
  {
    StmtScope scope(*s);
    if (s->Step() != SQLITE_ROW) return c->Error("read application id");
    app_id = s->Int(0);
  }
  if (app_id == kInvertedAppId) return Status::Ok();
  if (!create) return Status(kOpenFailed, "not an inverted file");
  Stmt* n = c->Prepare("SELECT count(*) FROM ifp.sqlite_schema");
  if (!n) return c->Error("read schema");
  {
    StmtScope scope(*n);
    if (n->Step() != SQLITE_ROW || n->Int(0) != 0) {
      return Status(kOpenFailed, "not an inverted file");
    }
  }
  c->ClearCache();
  const std::string sql =
      "BEGIN IMMEDIATE;"
      "CREATE TABLE IF NOT EXISTS ifp.meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;"
      "CREATE TABLE IF NOT EXISTS ifp.terms(term BLOB PRIMARY KEY, postings INTEGER NOT NULL)"
      " WITHOUT ROWID;"
      "CREATE TABLE IF NOT EXISTS ifp.blocks(term BLOB NOT NULL, mfn INTEGER NOT NULL,"
      " tag INTEGER NOT NULL, occ INTEGER NOT NULL, pos INTEGER NOT NULL,"
      " last_mfn INTEGER NOT NULL, n INTEGER NOT NULL, data BLOB NOT NULL,"
      " PRIMARY KEY(term, mfn, tag, occ, pos)) WITHOUT ROWID;"
      "CREATE TABLE IF NOT EXISTS ifp.record_terms(mfn INTEGER PRIMARY KEY, terms BLOB NOT NULL);"
      "CREATE TABLE IF NOT EXISTS ifp.recent_writes(seq INTEGER NOT NULL, mfn INTEGER NOT NULL,"
      " PRIMARY KEY(seq, mfn)) WITHOUT ROWID;"
      "INSERT OR REPLACE INTO ifp.meta VALUES('format', " +
      std::to_string(kInvertedFormat) +
      ");"
      "INSERT OR REPLACE INTO ifp.meta VALUES('write_seq', 0);"
      "PRAGMA ifp.application_id = " +
      std::to_string(kInvertedAppId) +
      ";"
      "COMMIT;";
  Status st = c->Exec(sql.c_str());
  if (!st.ok()) c->Exec("ROLLBACK");
  return st;
}

Status InvertedFile::Apply(IndexChanges* changes) {
  for (auto& [term, change] : changes->SortedTerms()) {
    change->Normalize();
    if (Status s = ApplyTerm(*term, *change); !s.ok()) return s;
  }
  changes->Clear();
  return Status::Ok();
}

Status InvertedFile::ApplyTerm(std::string_view term, const TermChange& change) {
  if (change.affected.empty()) return Status::Ok();
  const Mfn lo = change.affected.front();
  const Mfn hi = change.affected.back();

  // The blocks that can hold postings of MFNs in [lo, hi]: every block starting in [lo, hi],
  // and the last block starting below lo (it may run on into lo, and appends go there). One
  // backward scan from hi finds them all.
  std::vector<BlockRow> blocks;
  {
    ZX_PREPARE(c_, s,
               "SELECT mfn, tag, occ, pos, data, n, last_mfn FROM ifp.blocks WHERE term = ?1 AND"
               " mfn <= ?2 ORDER BY mfn DESC, tag DESC, occ DESC, pos DESC");
    s->BindBlobStatic(1, term).Bind(2, hi);
    int rc;
    while ((rc = s->Step()) == SQLITE_ROW) {
      const Mfn first = static_cast<Mfn>(s->Int(0));
      if (first < lo) {
        // A full block that ends before lo stays as it is; new postings start a block of their
        // own.
        const bool reaches_lo = s->Int(6) >= lo;
        if (!reaches_lo && static_cast<size_t>(s->Int(5)) >= kBlockPostings) break;
      }
      blocks.push_back(
          {Posting{first, static_cast<FieldTag>(s->Int(1)), static_cast<Occurrence>(s->Int(2)),
                   static_cast<TermPos>(s->Int(3))},
           std::string(s->Blob(4))});
      if (first < lo) break;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return c_->Error("read postings");
    std::reverse(blocks.begin(), blocks.end());
  }

  std::vector<Posting> old_postings;
  for (const BlockRow& b : blocks) {
    if (!DecodePostingBlock(b.data, &old_postings)) return Corrupt(term);
  }
  const auto is_affected = [&](Mfn m) {
    return std::binary_search(change.affected.begin(), change.affected.end(), m);
  };
  std::vector<Posting> merged;
  merged.reserve(old_postings.size() + change.postings.size());
  {
    auto next_new = change.postings.begin();
    for (const Posting& p : old_postings) {
      if (is_affected(p.mfn)) continue;
      while (next_new != change.postings.end() && *next_new < p) merged.push_back(*next_new++);
      merged.push_back(p);
    }
    merged.insert(merged.end(), next_new, change.postings.end());
  }
  const int64_t delta =
      static_cast<int64_t>(merged.size()) - static_cast<int64_t>(old_postings.size());
  if (delta == 0 && merged == old_postings) return Status::Ok();

  // Rewrite: one block updated in place when its first posting stays (the common append),
  // otherwise the old blocks go and the merged postings are cut into new ones.
  if (blocks.size() == 1 && !merged.empty() && merged.front() == blocks[0].key &&
      merged.size() <= kMaxBlockPostings) {
    ZX_PREPARE(c_, s,
               "UPDATE ifp.blocks SET data = ?6, n = ?7, last_mfn = ?8 WHERE term = ?1 AND"
               " mfn = ?2 AND tag = ?3 AND occ = ?4 AND pos = ?5");
    const Posting& k = blocks[0].key;
    s->BindBlobStatic(1, term)
        .Bind(2, k.mfn)
        .Bind(3, k.tag)
        .Bind(4, k.occurrence)
        .Bind(5, k.position);
    s->BindBlob(6, EncodePostingBlock(merged.data(), merged.size()));
    s->Bind(7, static_cast<int64_t>(merged.size())).Bind(8, merged.back().mfn);
    if (s->Step() != SQLITE_DONE) return c_->Error("write postings");
  } else {
    for (const BlockRow& b : blocks) {
      ZX_PREPARE(c_, s,
                 "DELETE FROM ifp.blocks WHERE term = ?1 AND mfn = ?2 AND tag = ?3 AND"
                 " occ = ?4 AND pos = ?5");
      s->BindBlobStatic(1, term).Bind(2, b.key.mfn).Bind(3, b.key.tag).Bind(4, b.key.occurrence);
      s->Bind(5, b.key.position);
      if (s->Step() != SQLITE_DONE) return c_->Error("write postings");
    }
    size_t pieces = (merged.size() + kBlockPostings - 1) / kBlockPostings;
    for (size_t i = 0; i < pieces; ++i) {
      // Even pieces: a block never ends up tiny after a split.
      const size_t begin = merged.size() * i / pieces;
      const size_t end = merged.size() * (i + 1) / pieces;
      ZX_PREPARE(c_, s,
                 "INSERT INTO ifp.blocks(term, mfn, tag, occ, pos, last_mfn, n, data)"
                 " VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
      const Posting& k = merged[begin];
      s->BindBlobStatic(1, term)
          .Bind(2, k.mfn)
          .Bind(3, k.tag)
          .Bind(4, k.occurrence)
          .Bind(5, k.position);
      s->Bind(6, merged[end - 1].mfn).Bind(7, static_cast<int64_t>(end - begin));
      s->BindBlob(8, EncodePostingBlock(merged.data() + begin, end - begin));
      if (s->Step() != SQLITE_DONE) return c_->Error("write postings");
    }
  }

  if (delta != 0) {
    ZX_PREPARE(c_, s,
               "INSERT INTO ifp.terms(term, postings) VALUES(?1, ?2)"
               " ON CONFLICT(term) DO UPDATE SET postings = postings + ?2");
    s->BindBlobStatic(1, term).Bind(2, delta);
    if (s->Step() != SQLITE_DONE) return c_->Error("write dictionary");
  }
  if (delta < 0) {
    ZX_PREPARE(c_, d, "DELETE FROM ifp.terms WHERE term = ? AND postings <= 0");
    d->BindBlobStatic(1, term);
    if (d->Step() != SQLITE_DONE) return c_->Error("write dictionary");
  }
  return Status::Ok();
}

std::string EncodeTermList(const std::vector<std::string>& terms) {
  std::string out;
  PutVarint(&out, terms.size());
  std::string_view prev;
  for (const std::string& t : terms) {
    size_t shared = 0;
    while (shared < prev.size() && shared < t.size() && prev[shared] == t[shared]) ++shared;
    PutVarint(&out, shared);
    PutVarint(&out, t.size() - shared);
    out.append(t, shared, std::string::npos);
    prev = t;
  }
  return out;
}

bool DecodeTermList(std::string_view data, std::vector<std::string>* terms) {
  terms->clear();
  uint64_t count = 0;
  if (!GetVarint(&data, &count) || count > data.size()) return false;
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t shared = 0, len = 0;
    if (!GetVarint(&data, &shared) || !GetVarint(&data, &len) || len > data.size() ||
        (shared > 0 && (terms->empty() || shared > terms->back().size()))) {
      return false;
    }
    std::string t = shared > 0 ? terms->back().substr(0, shared) : std::string();
    t.append(data.substr(0, len));
    data.remove_prefix(len);
    terms->push_back(std::move(t));
  }
  return data.empty();
}

Status InvertedFile::GetRecordTerms(Mfn mfn, std::vector<std::string>* terms) {
  ZX_PREPARE(c_, s, "SELECT terms FROM ifp.record_terms WHERE mfn = ?");
  s->Bind(1, mfn);
  terms->clear();
  const int rc = s->Step();
  if (rc == SQLITE_DONE) return Status::Ok();
  if (rc != SQLITE_ROW) return c_->Error("read record terms");
  if (!DecodeTermList(s->Blob(0), terms)) {
    return Status(kCorrupt, "MFN " + std::to_string(mfn) + ": undecodable term list");
  }
  return Status::Ok();
}

Status InvertedFile::PutRecordTerms(Mfn mfn, const std::vector<std::string>& terms) {
  if (terms.empty()) {
    ZX_PREPARE(c_, s, "DELETE FROM ifp.record_terms WHERE mfn = ?");
    s->Bind(1, mfn);
    return s->Step() == SQLITE_DONE ? Status::Ok() : c_->Error("write record terms");
  }
  ZX_PREPARE(c_, s, "INSERT OR REPLACE INTO ifp.record_terms(mfn, terms) VALUES(?, ?)");
  s->Bind(1, mfn).BindBlob(2, EncodeTermList(terms));
  return s->Step() == SQLITE_DONE ? Status::Ok() : c_->Error("write record terms");
}

Status InvertedFile::ListRecordMfns(Mfn after, int limit, std::vector<Mfn>* mfns) {
  ZX_PREPARE(c_, s, "SELECT mfn FROM ifp.record_terms WHERE mfn > ? ORDER BY mfn LIMIT ?");
  s->Bind(1, after).Bind(2, limit);
  mfns->clear();
  int rc;
  while ((rc = s->Step()) == SQLITE_ROW) mfns->push_back(static_cast<Mfn>(s->Int(0)));
  return rc == SQLITE_DONE ? Status::Ok() : c_->Error("list record terms");
}

Status InvertedFile::PostingCount(std::string_view term, int64_t* count) {
  ZX_PREPARE(c_, s, "SELECT postings FROM ifp.terms WHERE term = ?");
  s->BindBlob(1, term);
  const int rc = s->Step();
  *count = rc == SQLITE_ROW ? s->Int(0) : 0;
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? Status::Ok() : c_->Error("read dictionary");
}

Status InvertedFile::GetPostings(std::string_view term, Mfn mfn, std::vector<Posting>* out) {
  out->clear();
  ZX_PREPARE(c_, s,
             "SELECT data FROM ifp.blocks WHERE term = ?1 AND mfn <= ?2 AND last_mfn >= ?2"
             " ORDER BY mfn, tag, occ, pos");
  s->BindBlob(1, term).Bind(2, mfn);
  std::vector<Posting> all;
  int rc;
  while ((rc = s->Step()) == SQLITE_ROW) {
    if (!DecodePostingBlock(s->Blob(0), &all)) return Corrupt(term);
  }
  if (rc != SQLITE_DONE) return c_->Error("read postings");
  for (const Posting& p : all) {
    if (p.mfn == mfn) out->push_back(p);
  }
  return Status::Ok();
}

Status InvertedFile::CheckTerm(std::string_view term, int64_t* count,
                               std::vector<std::string>* problems) {
  ZX_PREPARE(c_, s,
             "SELECT mfn, tag, occ, pos, last_mfn, n, data FROM ifp.blocks WHERE term = ?"
             " ORDER BY mfn, tag, occ, pos");
  s->BindBlob(1, term);
  *count = 0;
  std::vector<Posting> postings;
  Posting prev;
  bool have_prev = false;
  int rc;
  const std::string name = "term " + std::string(term) + ": ";
  while ((rc = s->Step()) == SQLITE_ROW) {
    const Posting key{static_cast<Mfn>(s->Int(0)), static_cast<FieldTag>(s->Int(1)),
                      static_cast<Occurrence>(s->Int(2)), static_cast<TermPos>(s->Int(3))};
    postings.clear();
    if (!DecodePostingBlock(s->Blob(6), &postings) || postings.empty()) {
      problems->push_back(name + "undecodable block at MFN " + std::to_string(key.mfn));
      continue;
    }
    if (postings.front() != key || postings.back().mfn != s->Int(4) ||
        static_cast<int64_t>(postings.size()) != s->Int(5)) {
      problems->push_back(name + "block header disagrees with its postings at MFN " +
                          std::to_string(key.mfn));
    }
    for (const Posting& p : postings) {
      if (have_prev && !(prev < p)) {
        problems->push_back(name + "postings out of order at MFN " + std::to_string(p.mfn));
        break;
      }
      prev = p;
      have_prev = true;
    }
    *count += static_cast<int64_t>(postings.size());
  }
  return rc == SQLITE_DONE ? Status::Ok() : c_->Error("read postings");
}

Status InvertedFile::TermsWithoutEntry(int limit, std::vector<std::string>* terms) {
  ZX_PREPARE(c_, s,
             "SELECT DISTINCT term FROM ifp.blocks WHERE term NOT IN (SELECT term FROM ifp.terms)"
             " LIMIT ?");
  s->Bind(1, limit);
  terms->clear();
  int rc;
  while ((rc = s->Step()) == SQLITE_ROW) terms->emplace_back(s->Blob(0));
  return rc == SQLITE_DONE ? Status::Ok() : c_->Error("read postings");
}

Status InvertedFile::Count(int64_t* terms, int64_t* postings, int64_t* blocks) {
  {
    ZX_PREPARE(c_, s, "SELECT count(*), coalesce(sum(postings), 0) FROM ifp.terms");
    if (s->Step() != SQLITE_ROW) return c_->Error("count terms");
    *terms = s->Int(0);
    *postings = s->Int(1);
  }
  ZX_PREPARE(c_, s, "SELECT count(*) FROM ifp.blocks");
  if (s->Step() != SQLITE_ROW) return c_->Error("count blocks");
  *blocks = s->Int(0);
  return Status::Ok();
}

Status InvertedFile::DeleteAll() {
  return c_->Exec("DELETE FROM ifp.terms; DELETE FROM ifp.blocks; DELETE FROM ifp.record_terms;");
}

std::unique_ptr<TermIterator> InvertedFile::NewTermIterator() {
  return std::make_unique<DbTermIterator>(c_);
}

std::unique_ptr<PostingIterator> InvertedFile::NewPostingIterator(std::string_view term) {
  return std::make_unique<DbPostingIterator>(c_, term);
}

Status InvertedFile::GetMeta(const char* key, std::string* value, bool* found) {
  ZX_PREPARE(c_, s, "SELECT value FROM ifp.meta WHERE key = ?");
  s->BindText(1, key);
  const int rc = s->Step();
  *found = rc == SQLITE_ROW;
  if (*found) *value = std::string(s->Text(0));
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? Status::Ok() : c_->Error("read meta");
}

Status InvertedFile::SetMeta(const char* key, std::string_view value) {
  ZX_PREPARE(c_, s, "INSERT OR REPLACE INTO ifp.meta(key, value) VALUES(?, ?)");
  s->BindText(1, key).BindText(2, value);
  return s->Step() == SQLITE_DONE ? Status::Ok() : c_->Error("write meta");
}

std::unique_ptr<TermIterator> NewEmptyTermIterator(Status status) {
  return std::make_unique<EmptyTermIterator>(std::move(status));
}

std::unique_ptr<PostingIterator> NewEmptyPostingIterator(Status status) {
  return std::make_unique<EmptyPostingIterator>(std::move(status));
}

}  // namespace zarix::db
