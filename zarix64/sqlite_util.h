// Thin RAII helpers over the SQLite C API, used by the master and inverted files.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "zarix64/status.h"

namespace zarix::db {

// A prepared statement, reset (bindings kept until rebound) by Reset(). Not copyable.
class Stmt {
 public:
  Stmt() = default;
  explicit Stmt(sqlite3_stmt* s) : s_(s) {}
  ~Stmt() { sqlite3_finalize(s_); }
  Stmt(Stmt&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
  Stmt& operator=(Stmt&& o) noexcept {
    std::swap(s_, o.s_);
    return *this;
  }

  Stmt& Bind(int i, int64_t v) {
    sqlite3_bind_int64(s_, i, v);
    return *this;
  }
  // Binds as BLOB: terms must compare by bytes, and SQLite orders BLOBs with memcmp.
  Stmt& BindBlob(int i, std::string_view v) {
    // A null pointer would bind NULL, which compares with nothing: "" must stay an empty BLOB.
    sqlite3_bind_blob(s_, i, v.data() ? v.data() : "", static_cast<int>(v.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  // Without a copy: `v` must stay alive and unchanged until the statement is reset, and every
  // later use of the statement must bind the parameter again.
  Stmt& BindBlobStatic(int i, std::string_view v) {
    sqlite3_bind_blob(s_, i, v.data() ? v.data() : "", static_cast<int>(v.size()), SQLITE_STATIC);
    return *this;
  }
  Stmt& BindText(int i, std::string_view v) {
    sqlite3_bind_text(s_, i, v.data() ? v.data() : "", static_cast<int>(v.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return sqlite3_step(s_); }
  void Reset() { sqlite3_reset(s_); }

  int64_t Int(int col) const { return sqlite3_column_int64(s_, col); }
  bool IsNull(int col) const { return sqlite3_column_type(s_, col) == SQLITE_NULL; }
  std::string_view Blob(int col) const {
    const void* p = sqlite3_column_blob(s_, col);
    const int n = sqlite3_column_bytes(s_, col);
    return p ? std::string_view(static_cast<const char*>(p), static_cast<size_t>(n))
             : std::string_view();
  }
  std::string_view Text(int col) const {
    const auto* p = sqlite3_column_text(s_, col);
    const int n = sqlite3_column_bytes(s_, col);
    return p ? std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(n))
             : std::string_view();
  }
  sqlite3_stmt* get() const { return s_; }

 private:
  sqlite3_stmt* s_ = nullptr;
};

// Resets a statement when the scope ends, so no statement keeps a read transaction open.
class StmtScope {
 public:
  explicit StmtScope(Stmt& s) : s_(s) {}
  ~StmtScope() { s_.Reset(); }
  Stmt& operator*() { return s_; }
  Stmt* operator->() { return &s_; }

 private:
  Stmt& s_;
};

// One SQLite connection with a cache of prepared statements keyed by their SQL text.
class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Opens `path` (native). create: make it when missing. `vfs`: SQLite VFS name, "" default.
  Status Open(const std::string& path, bool create, int busy_timeout_ms,
              const std::string& vfs = "");
  void Close();
  bool is_open() const { return db_ != nullptr; }

  // Runs one or more statements without results.
  Status Exec(const char* sql);
  // The cached statement for `sql` (prepared on first use), reset. Null on prepare failure
  // (then last_error() says why).
  Stmt* Prepare(const char* sql);
  // Drops the cached statements (after ATTACH/DETACH changed the schema).
  void ClearCache() { cache_.clear(); }

  // Maps the last SQLite error to an engine status.
  Status Error(std::string_view what) const;
  std::string last_error() const;
  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, Stmt> cache_;
};

// Declares `Stmt* var` = the cached statement for `sql` on Connection* `conn`, reset when the
// scope ends; returns kIoError from the enclosing function when it cannot be prepared.
#define ZX_PREPARE(conn, var, sql)                                                    \
  Stmt* var = (conn)->Prepare(sql);                                                   \
  if (!var) return Status(kIoError, std::string("prepare: ") + (conn)->last_error()); \
  StmtScope var##_scope(*var)

// Engine status for SQLite result `rc` of the operation `what`.
Status SqliteStatus(int rc, std::string_view what, sqlite3* db);

}  // namespace zarix::db
