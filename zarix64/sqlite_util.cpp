// SQLite connection and statement cache.
#include "zarix64/sqlite_util.h"

namespace zarix::db {

Status SqliteStatus(int rc, std::string_view what, sqlite3* db) {
  if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW) return Status::Ok();
  std::string message = std::string(what) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Status(kBusy, message);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return Status(kCorrupt, message);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return Status(kOpenFailed, message);
    default:
      return Status(kIoError, message);
  }
}

Connection::~Connection() { Close(); }

void Connection::Close() {
  cache_.clear();
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

Status Connection::Open(const std::string& path, bool create, int busy_timeout_ms,
                        const std::string& vfs) {
  Close();
  // URI file names are switched on for ATTACH (which passes the open mode per file); a plain
  // relative path that happens to start with "file:" must not be read as one.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI |
                    (create ? SQLITE_OPEN_CREATE : 0);
  const std::string plain = path.rfind("file:", 0) == 0 ? "./" + path : path;
  const int rc = sqlite3_open_v2(plain.c_str(), &db_, flags, vfs.empty() ? nullptr : vfs.c_str());
  if (rc != SQLITE_OK) {
    Status s = SqliteStatus(rc, "open " + path, db_);
    Close();
    return Status(kOpenFailed, s.message());
  }
  sqlite3_busy_timeout(db_, busy_timeout_ms);
  sqlite3_extended_result_codes(db_, 1);
  return Status::Ok();
}

Status Connection::Exec(const char* sql) {
  char* err = nullptr;
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
  if (err) sqlite3_free(err);
  return SqliteStatus(rc, sql, db_);
}

Stmt* Connection::Prepare(const char* sql) {
  auto it = cache_.find(sql);
  if (it != cache_.end()) {
    it->second.Reset();
    return &it->second;
  }
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    return nullptr;
  }
  return &cache_.emplace(sql, Stmt(s)).first->second;
}

Status Connection::Error(std::string_view what) const {
  return SqliteStatus(sqlite3_errcode(db_), what, db_);
}

std::string Connection::last_error() const { return db_ ? sqlite3_errmsg(db_) : "not open"; }

}  // namespace zarix::db
