// Engine result codes and the small Status the engine's C++ code returns.
//
// The C ABI passes the numeric codes through unchanged, so the values below are part of the
// library's contract: the gateway shows them on pages and writes them to logs.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace zarix::db {

// Results of reading a record (ZarixRecord, Database::Read).
inline constexpr int kOk = 0;
inline constexpr int kRecordDeleted = -603;     // read; the record is logically deleted
inline constexpr int kRecordNotIndexed = -602;  // read; the record waits for indexing
inline constexpr int kMfnOutOfRange = -140;     // MFN outside 1 .. maxmfn-1
inline constexpr int kNoRecord = -600;          // MFN in range, but no record was ever written

// Other failures of the engine.
inline constexpr int kDatabaseLocked = -300;   // an administrator holds the database
inline constexpr int kVersionConflict = -607;  // the record changed since it was read
// -801 .. -849 belong to the format language (format/format_errors.h).
inline constexpr int kNotOpen = -900;          // the space has no open database
inline constexpr int kOpenFailed = -901;       // files missing, unreadable or not ours
inline constexpr int kIoError = -902;          // SQLite failed (disk full, I/O error, ...)
inline constexpr int kBusy = -903;             // another process held the write lock too long
inline constexpr int kCorrupt = -904;          // a stored row cannot be decoded
inline constexpr int kInvalidArgument = -905;  // bad shelf, field index, tag or MFN
inline constexpr int kNoFormat = -906;         // no compiled format in the space
inline constexpr int kBadSpace = -907;         // not a space handle of this process

// A result code with a human-readable message. ok() when code() == 0.
class Status {
 public:
  Status() = default;
  Status(int code, std::string message) : code_(code), message_(std::move(message)) {}
  static Status Ok() { return Status(); }

  bool ok() const { return code_ == kOk; }
  int code() const { return code_; }
  const std::string& message() const { return message_; }
  std::string ToString() const { return ok() ? "OK" : std::to_string(code_) + ": " + message_; }

 private:
  int code_ = kOk;
  std::string message_;
};

}  // namespace zarix::db
