// Request logging: one line per request in a text log file, one record per request in a log
// database, and the periodic emptying of that database with a report of its contents.
//
// Several processes (one per HTTP request) log at once. Appends to the log and report files are
// serialised by the named lock "ZARIX_MUTEX_LOG" in [MAIN] LOCKPATH; the emptying of a log
// database by "ZARIX64_MUTEX" + its upper-cased name. A file that has reached its size limit is
// set aside under "zarixlog_copy_<dd.mm.yyyy>.log" in its folder (with "_2", "_3", ... when that
// name is taken: an earlier set-aside file is never replaced) before the text is appended.
//
// Configuration: [MAIN] LogFileName, LogFileSize, LogDateBase, EveryDayEmtyLogDB,
// EveryDayEmtyLogDBTime, EveryDayEmtyLogDB_Format, EveryDayEmtyLogDB_Report, LOCKPATH;
// [PARAMETRS] PARCOUNT, PARNAMEk, PARLOGk. Request parameters: URLTag, UserAgent.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "util/ini_store.h"

namespace zarix {

struct RequestContext;

inline constexpr std::string_view kLogLockName = "ZARIX_MUTEX_LOG";
inline constexpr std::string_view kLogDbLockPrefix = "ZARIX64_MUTEX";

// What a request-log line is made of.
struct LogLineSource {
  const IniStore* web_ini = nullptr;     // the request store (section "Form Literal")
  const IniStore* server_ini = nullptr;  // the configuration
  std::string reader_id;                 // logged instead of any Z21ID value
  std::string downloaded_file;           // file the request sent, or empty
  bool error = false;                    // the request ended in an exception
  std::time_t now = 0;
};

// The request-log line, CR LF ended: ["ERROR_CGI=1&"] "DateTime=" dd.mm.yyyy hh:mm:ss, the
// configured request parameters in request order, "&RemoteHost=", "&UserAgent=",
// "&DownloadFile=" (each when not empty).
std::string BuildLogLine(const LogLineSource& source);

// Appends `text` to the file `path` under the log lock of `lock_folder`, waiting up to
// `wait_seconds` (limited to 1..50) for it. A file of `size_limit` bytes or more is set aside
// first. Returns false, having written nothing, when the lock was not obtained in time or the
// file cannot be opened.
bool AppendToTextFile(std::string_view lock_folder, int wait_seconds, std::string_view path,
                      long long size_limit, std::string_view text);

// The name a full file `path` is moved to on `date`, before any counter: its folder +
// "zarixlog_copy_" + dd.mm.yyyy + ".log".
std::string SetAsideName(std::string_view path, std::time_t date);

// Builds the request's log line and appends it to `path` (AppendToTextFile).
bool AppendLogLine(const RequestContext& ctx, int wait_seconds, std::string_view path,
                   long long size_limit, bool error);

// Adds the request's log-field record to the log database `name` and, when configured and due,
// reports and empties it first. Never throws; failures are traced only.
void WriteLogRecord(RequestContext& ctx, std::string_view name);

// Whole days from the date of a log-record date text "ddmmyyyy..." to `now` (local dates);
// -1 when the text does not start with a valid date.
long long LogDateAgeDays(std::string_view text, std::time_t now);

}  // namespace zarix
