// Request log file, log database record and the periodic emptying of the log database.
#include "records/request_log.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "engine/engine_api.h"
#include "processor/request_context.h"
#include "processor/server_config.h"
#include "records/named_lock.h"
#include "util/ascii_case.h"
#include "util/path.h"

namespace zarix {

namespace {

constexpr int kReadNotIndexed = -602;
constexpr int kReadDeleted = -603;
constexpr int kDbLocked = -300;
constexpr int kLogDateTag = 907;
// Capacity given to the report format: the report covers the whole database.
constexpr int kReportCapacity = 64 << 20;
constexpr int kEmptyingWaitMs = 5000;

std::string LockFolder(const IniStore& server_ini) {
  std::string folder = server_ini.ReadString("MAIN", "LOCKPATH");
  return folder.empty() ? SystemTempDir() : folder;
}

std::string FormatTime(std::time_t t, const char* form) {
  tm local;
  localtime_r(&t, &local);
  char buf[64];
  strftime(buf, sizeof buf, form, &local);
  return buf;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i], b = prefix[i];
    if (a >= 'a' && a <= 'z') a -= 32;
    if (b >= 'a' && b <= 'z') b -= 32;
    if (a != b) return false;
  }
  return true;
}

bool WriteText(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Moves `from` to `to` unless `to` exists. False when it exists or the move failed.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace flag: a hard link cannot replace either.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

// Sets the full file aside under the first free name. False when no move succeeded (the text is
// then appended to the full file, which loses nothing).
bool SetAside(const std::string& native_path, std::time_t now) {
  const std::string base = NativePath(SetAsideName(native_path, now));
  const std::string stem = base.substr(0, base.size() - 4);  // without ".log"
  for (int n = 1; n <= 1000; ++n) {
    const std::string to = n == 1 ? base : stem + "_" + std::to_string(n) + ".log";
    if (RenameNoReplace(native_path, to)) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

}  // namespace

std::string BuildLogLine(const LogLineSource& src) {
  std::string line;
  if (src.error) line += "ERROR_CGI=1&";
  line += "DateTime=" + FormatTime(src.now, "%d.%m.%Y %H:%M:%S");
  const IniStore& ini = *src.server_ini;
  const std::vector<std::string> fields = src.web_ini->SectionLines(kFormSection);
  const long long count = ini.ReadInteger("PARAMETRS", "PARCOUNT", 0);
  for (long long k = 1; k <= count && k <= 1000; ++k) {
    const std::string name = ini.ReadString("PARAMETRS", "PARNAME" + std::to_string(k));
    if (name.empty()) continue;
    const std::string label = ini.ReadString("PARAMETRS", "PARLOG" + std::to_string(k));
    const bool reader_field = UpperAscii(name) == "Z21ID";
    const std::string prefix = name + "=";
    for (const std::string& field : fields) {
      if (!StartsWithNoCase(field, prefix)) continue;
      std::string_view value = std::string_view(field).substr(prefix.size());
      if (value.empty()) continue;
      line += label.empty() ? "&" + name + "=" : label;
      // Reader keys never reach the log: the bare identifier stands for them.
      line += reader_field ? std::string_view(src.reader_id) : value;
    }
  }
  const std::string address = RequestParam(*src.web_ini, ini, "URLTag");
  if (!address.empty()) line += "&RemoteHost=" + address;
  const std::string agent = RequestParam(*src.web_ini, ini, "UserAgent");
  if (!agent.empty()) line += "&UserAgent=" + agent;
  if (!src.downloaded_file.empty()) line += "&DownloadFile=" + src.downloaded_file;
  line += "\r\n";
  return line;
}

std::string SetAsideName(std::string_view path, std::time_t date) {
  return DirName(path) + "zarixlog_copy_" + FormatTime(date, "%d.%m.%Y") + ".log";
}

bool AppendToTextFile(std::string_view lock_folder, int wait_seconds, std::string_view path,
                      long long size_limit, std::string_view text) {
  if (wait_seconds < 1) wait_seconds = 1;
  if (wait_seconds > 50) wait_seconds = 50;
  NamedLock lock;
  if (!lock.Acquire(lock_folder, kLogLockName, wait_seconds * 1000)) return false;
  const std::string native = NativePath(path);
  int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size >= size_limit) {
    close(fd);
    SetAside(native, std::time(nullptr));
    fd = open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return false;
  }
  const bool ok = WriteText(fd, text);
  close(fd);
  return ok;
}

bool AppendLogLine(const RequestContext& ctx, int wait_seconds, std::string_view path,
                   long long size_limit, bool error) {
  LogLineSource src;
  src.web_ini = &ctx.web_ini;
  src.server_ini = &ctx.server_ini;
  src.reader_id = ctx.reader.reader_id;
  src.downloaded_file = ctx.served_file_name;
  src.error = error;
  src.now = std::time(nullptr);
  return AppendToTextFile(LockFolder(ctx.server_ini), wait_seconds, path, size_limit,
                          BuildLogLine(src));
}

long long LogDateAgeDays(std::string_view text, std::time_t now) {
  if (text.size() < 8) return -1;
  int digits[8];
  for (int i = 0; i < 8; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    digits[i] = text[i] - '0';
  }
  const unsigned day = digits[0] * 10 + digits[1];
  const unsigned month = digits[2] * 10 + digits[3];
  const long long year = digits[4] * 1000 + digits[5] * 100 + digits[6] * 10 + digits[7];
  static constexpr unsigned kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > kMonthDays[month - 1]) return -1;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return -1;
  tm local;
  localtime_r(&now, &local);
  return DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) -
         DaysFromCivil(year, month, day);
}

namespace {

// True when the open log database is due for emptying: more than one record and record 1
// dated at least `days` days ago. Reads record 1 into shelf 0.
bool EmptyingDue(EngineApi& e, int space, long long days) {
  if (e.Zarixmaxmfn(space) <= 2) return false;
  const int rc = e.ZarixRecord(space, 0, 1);
  if (rc != 0 && rc != kReadNotIndexed && rc != kReadDeleted) return false;
  const int pos = e.Zarixfieldn(space, 0, kLogDateTag, 1);
  if (pos <= 0) return false;
  const long long age = LogDateAgeDays(e.Zarixfield(space, 0, pos), std::time(nullptr));
  return age >= 0 && age >= days;
}

// Reports (when a report format is configured) and empties the log database, all under its
// lock, after checking again under the lock that it is still due: of two processes that cross
// the date together, the second finds the database emptied already. A process that finds the
// lock taken waits for the emptying to end (up to kEmptyingWaitMs) instead of writing its record
// at once, which the emptying under way would take with it.
void EmptyLogDatabase(RequestContext& ctx, int space, std::string_view name,
                      const DatabasePathSet& paths, long long days) {
  EngineApi& e = *ctx.engine;
  const IniStore& ini = ctx.server_ini;
  NamedLock lock;
  if (!lock.Acquire(LockFolder(ini), std::string(kLogDbLockPrefix) + UpperAscii(BaseName(name)),
                    kEmptyingWaitMs)) {
    return;
  }
  if (!EmptyingDue(e, space, days)) return;
  const std::string format = ini.ReadString("MAIN", "EveryDayEmtyLogDB_Format", "otchet");
  std::string report = ini.ReadString("MAIN", "EveryDayEmtyLogDB_Report", "otchet.csv");
  if (!format.empty() && !report.empty()) {
    if (report.find_first_of("\\/") == std::string::npos) report = ctx.cgi_path + "\\" + report;
    // The database is emptied only once its report is safely written: a report that cannot be
    // made keeps the records for the next request to try again.
    if (!IsSafeRelativeName(format)) return;
    if (e.Zarix_InitPFT(space, "@" + paths.parameter + "\\" + format) != 0) {
      ctx.trace.Add("LOGDB report format failed: " + e.ZarixLastMessage(space));
      return;
    }
    if (e.Zarix_Format(space, 0, 2, 2, kReportCapacity) < 0) return;
    const long long limit = ini.ReadInteger("MAIN", "LogFileSize", 10000000);
    if (!AppendToTextFile(LockFolder(ini), 5, report, limit,
                          e.Zarix_FormatResult(space) + "\r\n")) {
      return;
    }
  }
  const int rc = e.ZarixDBEmptyTime(space, 5);
  if (rc != 0) ctx.trace.Add("LOGDB emptying failed: " + std::to_string(rc));
}

void WriteLogRecordIn(RequestContext& ctx, int space, std::string_view name) {
  EngineApi& e = *ctx.engine;
  const IniStore& ini = ctx.server_ini;
  DatabasePathSet paths;
  if (DatabasePaths(ini, name, ctx.datapath, &paths) != 0) return;
  const std::string db(name);
  if (e.Zarixinitmst(space, paths.master + db, 3) != 0) return;
  if (e.Zarixinitterm(space, paths.inverted + db) != 0) return;
  e.ZarixInitInvContext(space, paths.parameter, "", 0, ctx.actabpath, "");

  if (ini.ReadInteger("MAIN", "EveryDayEmtyLogDB", 0) > 0) {
    long long days = static_cast<uint16_t>(ini.ReadInteger("MAIN", "EveryDayEmtyLogDBTime", 1));
    if (days > 30) days = 30;
    if (EmptyingDue(e, space, days)) EmptyLogDatabase(ctx, space, name, paths, days);
  }

  e.Zarixnewrec(space, 0);
  for (const LogField& f : ctx.log_fields) e.Zarixfldadd(space, 0, f.tag, f.value);
  if (e.ZarixIsDBLocked(space) == kDbLocked) ctx.trace.Add("LOGDB locked");
  const int rc = e.ZarixRecUpdate0(space, 0, 0);
  if (rc == 0) {
    e.ZarixRecIfUpdate0(space, 0, e.Zarixmfn(space, 0));
  } else {
    ctx.trace.Add("Result RECLOG=" + std::to_string(rc));
  }
  if (e.ZarixIsDBLocked(space) == kDbLocked) ctx.trace.Add("LOGDB locked after REC");
}

}  // namespace

void WriteLogRecord(RequestContext& ctx, std::string_view name) {
  if (name.empty() || !ctx.engine || !IsSafeRelativeName(name)) return;
  EngineApi& e = *ctx.engine;
  const int space = e.Zarixinit();
  if (space == 0) return;
  try {
    WriteLogRecordIn(ctx, space, name);
  } catch (...) {
  }
  e.Zarixclose(space);
}

}  // namespace zarix
