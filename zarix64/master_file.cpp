// Rows of the master file.
#include "zarix64/master_file.h"

#include "zarix64/record_codec.h"

namespace zarix::db {
namespace {

// "ZRXM": marks an SQLite file as our master file.
constexpr int kMasterAppId = 0x5a52584d;
constexpr int kMasterFormat = 1;

}  // namespace

Status MasterFile::InitSchema(Connection* c, bool create) {
  Stmt* s = c->Prepare("PRAGMA main.application_id");
  if (!s) return c->Error("read application id");
  int64_t app_id = 0;
  {
    StmtScope scope(*s);
    if (s->Step() != SQLITE_ROW) return c->Error("read application id");
    app_id = s->Int(0);
  }
  if (app_id == kMasterAppId) return Status::Ok();
  if (!create) return Status(kOpenFailed, "not a master file");
  // A new file: only an empty SQLite file may become a master file.
  Stmt* n = c->Prepare("SELECT count(*) FROM main.sqlite_schema");
  if (!n) return c->Error("read schema");
  {
    StmtScope scope(*n);
    if (n->Step() != SQLITE_ROW || n->Int(0) != 0) {
      return Status(kOpenFailed, "not a master file");
    }
  }
  c->ClearCache();
  const std::string sql =
      "BEGIN IMMEDIATE;"
      "CREATE TABLE IF NOT EXISTS main.meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;"
      "CREATE TABLE IF NOT EXISTS main.records(mfn INTEGER PRIMARY KEY, version INTEGER NOT NULL,"
      " flags INTEGER NOT NULL, guid TEXT NOT NULL, updated INTEGER NOT NULL,"
      " fields BLOB NOT NULL);"
      "CREATE TABLE IF NOT EXISTS main.recent_writes(seq INTEGER NOT NULL, mfn INTEGER NOT NULL,"
      " PRIMARY KEY(seq, mfn)) WITHOUT ROWID;"
      "INSERT OR REPLACE INTO main.meta VALUES('format', " +
      std::to_string(kMasterFormat) +
      ");"
      "INSERT OR REPLACE INTO main.meta VALUES('write_seq', 0);"
      "PRAGMA main.application_id = " +
      std::to_string(kMasterAppId) +
      ";"
      "COMMIT;";
  Status st = c->Exec(sql.c_str());
  if (!st.ok()) c->Exec("ROLLBACK");
  return st;
}

Status MasterFile::NextMfn(Mfn* next) {
  ZX_PREPARE(c_, s, "SELECT coalesce(max(mfn), 0) + 1 FROM main.records");
  if (s->Step() != SQLITE_ROW) return c_->Error("max mfn");
  *next = static_cast<Mfn>(s->Int(0));
  return Status::Ok();
}

Status MasterFile::Get(Mfn mfn, Record* record, bool* found) {
  ZX_PREPARE(c_, s, "SELECT version, flags, guid, updated, fields FROM main.records WHERE mfn = ?");
  s->Bind(1, mfn);
  const int rc = s->Step();
  if (rc == SQLITE_DONE) {
    *found = false;
    return Status::Ok();
  }
  if (rc != SQLITE_ROW) return c_->Error("read record");
  *found = true;
  record->mfn = mfn;
  record->version = static_cast<int32_t>(s->Int(0));
  record->flags = static_cast<uint32_t>(s->Int(1));
  record->guid = std::string(s->Text(2));
  record->update_time = s->Int(3);
  if (!DecodeFields(s->Blob(4), &record->fields)) {
    return Status(kCorrupt, "MFN " + std::to_string(mfn) + ": undecodable record");
  }
  return Status::Ok();
}

Status MasterFile::GetHeader(Mfn mfn, Header* header) {
  ZX_PREPARE(c_, s, "SELECT version, flags, guid FROM main.records WHERE mfn = ?");
  s->Bind(1, mfn);
  const int rc = s->Step();
  *header = Header();
  if (rc == SQLITE_DONE) return Status::Ok();
  if (rc != SQLITE_ROW) return c_->Error("read record header");
  header->exists = true;
  header->version = static_cast<int32_t>(s->Int(0));
  header->flags = static_cast<uint32_t>(s->Int(1));
  header->guid = std::string(s->Text(2));
  return Status::Ok();
}

Status MasterFile::Put(const Record& r) {
  ZX_PREPARE(c_, s,
             "INSERT OR REPLACE INTO main.records(mfn, version, flags, guid, updated, fields)"
             " VALUES(?, ?, ?, ?, ?, ?)");
  s->Bind(1, r.mfn).Bind(2, r.version).Bind(3, r.flags).BindText(4, r.guid).Bind(5, r.update_time);
  s->BindBlob(6, EncodeFields(r.fields));
  if (s->Step() != SQLITE_DONE) return c_->Error("write record");
  return Status::Ok();
}

Status MasterFile::SetFlags(Mfn mfn, uint32_t flags) {
  ZX_PREPARE(c_, s, "UPDATE main.records SET flags = ? WHERE mfn = ?");
  s->Bind(1, flags).Bind(2, mfn);
  if (s->Step() != SQLITE_DONE) return c_->Error("write record flags");
  return Status::Ok();
}

Status MasterFile::ListFlagged(uint32_t bit, Mfn after, int limit, std::vector<Mfn>* mfns) {
  ZX_PREPARE(c_, s,
             "SELECT mfn FROM main.records WHERE mfn > ? AND (flags & ?) != 0"
             " ORDER BY mfn LIMIT ?");
  s->Bind(1, after).Bind(2, bit).Bind(3, limit);
  mfns->clear();
  int rc;
  while ((rc = s->Step()) == SQLITE_ROW) mfns->push_back(static_cast<Mfn>(s->Int(0)));
  return rc == SQLITE_DONE ? Status::Ok() : c_->Error("list records");
}

Status MasterFile::ListMfns(Mfn after, int limit, std::vector<Mfn>* mfns) {
  ZX_PREPARE(c_, s, "SELECT mfn FROM main.records WHERE mfn > ? ORDER BY mfn LIMIT ?");
  s->Bind(1, after).Bind(2, limit);
  mfns->clear();
  int rc;
  while ((rc = s->Step()) == SQLITE_ROW) mfns->push_back(static_cast<Mfn>(s->Int(0)));
  return rc == SQLITE_DONE ? Status::Ok() : c_->Error("list records");
}

Status MasterFile::Count(int64_t* records, int64_t* deleted, int64_t* not_indexed) {
  ZX_PREPARE(c_, s,
             "SELECT count(*), coalesce(sum(flags & 1 != 0), 0), coalesce(sum(flags & 2 != 0), 0)"
             " FROM main.records");
  if (s->Step() != SQLITE_ROW) return c_->Error("count records");
  *records = s->Int(0);
  *deleted = s->Int(1);
  *not_indexed = s->Int(2);
  return Status::Ok();
}

Status MasterFile::DeleteAll() {
  ZX_PREPARE(c_, s, "DELETE FROM main.records");
  if (s->Step() != SQLITE_DONE) return c_->Error("empty master file");
  return Status::Ok();
}

Status MasterFile::GetMeta(const char* key, std::string* value, bool* found) {
  ZX_PREPARE(c_, s, "SELECT value FROM main.meta WHERE key = ?");
  s->BindText(1, key);
  const int rc = s->Step();
  *found = rc == SQLITE_ROW;
  if (*found) *value = std::string(s->Text(0));
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? Status::Ok() : c_->Error("read meta");
}

Status MasterFile::SetMeta(const char* key, std::string_view value) {
  ZX_PREPARE(c_, s, "INSERT OR REPLACE INTO main.meta(key, value) VALUES(?, ?)");
  s->BindText(1, key).BindText(2, value);
  return s->Step() == SQLITE_DONE ? Status::Ok() : c_->Error("write meta");
}

Status MasterFile::DeleteMeta(const char* key) {
  ZX_PREPARE(c_, s, "DELETE FROM main.meta WHERE key = ?");
  s->BindText(1, key);
  return s->Step() == SQLITE_DONE ? Status::Ok() : c_->Error("write meta");
}

}  // namespace zarix::db
