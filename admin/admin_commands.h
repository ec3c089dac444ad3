// The commands of zarix-admin. Each takes the parsed arguments of its command line, writes its
// results to standard output and its messages to standard error, and returns the exit status:
// kExitOk, kExitFailed, kExitUsage, or kExitPartial (import: some records were broken and
// skipped; everything else was loaded).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "admin/admin_args.h"
#include "zarix64/database.h"

namespace zarix::admin {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPartial = 3;

int CmdCreate(const Args& args);
int CmdImport(const Args& args);
int CmdExport(const Args& args);
int CmdPrint(const Args& args);
int CmdTerms(const Args& args);
int CmdPostings(const Args& args);
int CmdReindex(const Args& args);
int CmdCheck(const Args& args);
int CmdStats(const Args& args);
int CmdEmpty(const Args& args);
int CmdLock(const Args& args);
int CmdUnlock(const Args& args);
int CmdReport(const Args& args);

// Prints (at most `limit`) data fields holding a "^" that cannot be a subfield mark.
void ListStrayCarets(db::Database* db, int limit);

// "zarix-admin: " + message on standard error.
void Error(const std::string& message);

// A one-line progress display on standard error, shown only when standard error is a terminal
// (logs and pipes get the final summary only) and redrawn at most a few times a second.
class Progress {
 public:
  explicit Progress(std::string label);
  ~Progress();
  // `total` 0: unknown.
  void Update(int64_t done, int64_t total);
  // Clears the line.
  void Finish();

 private:
  std::string label_;
  bool enabled_;
  bool shown_ = false;
  int64_t last_ms_ = 0;
};

}  // namespace zarix::admin
