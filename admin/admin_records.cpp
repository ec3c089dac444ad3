// zarix-admin commands that move records: import (ISO 2709 files), export (ISO 2709 or text) and
// print (a format run on records).
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "admin/admin_catalog.h"
#include "admin/admin_commands.h"
#include "util/path.h"
#include "zarix64/database.h"
#include "zarix64/format/format.h"
#include "zarix64/format_access.h"
#include "zarix64/iso2709.h"

namespace zarix::admin {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool OpenNamed(const Args& args, std::string_view name, Catalog* catalog,
               std::unique_ptr<db::Database>* db) {
  std::string error;
  if (!catalog->Init(args.Value("datapath"), &error) || !catalog->Open(name, db, &error)) {
    Error(error);
    return false;
  }
  if (!catalog->warnings().empty()) Error("warning: " + catalog->warnings());
  return true;
}

bool EncodingOption(const Args& args, IsoEncoding* encoding) {
  std::string name = args.Value("encoding", "utf-8");
  if (!ParseIsoEncoding(name, encoding)) {
    Error("unknown encoding \"" + name + "\" (utf-8, windows-1251, cp866, koi8-r, marc-8)");
    return false;
  }
  if (!IsoCharset(*encoding).ok()) {
    Error(
        "MARC-8 needs the YAZ library (libyaz.so.5, Debian package libyaz5), which could not "
        "be loaded");
    return false;
  }
  return true;
}

// The MFN range of --mfn (default all records), clamped to the records there are.
bool MfnRange(const Args& args, db::Database* db, Mfn* from, Mfn* to) {
  long long a = 1, b = 0;
  if (args.Has("mfn") && !ParseMfnRange(args.Value("mfn"), &a, &b)) {
    Error("--mfn wants N or FROM-TO, not \"" + args.Value("mfn") + "\"");
    return false;
  }
  Mfn last = db->MaxMfn() - 1;
  *from = static_cast<Mfn>(std::max(1LL, a));
  *to = static_cast<Mfn>(b == 0 || b > last ? last : b);
  return true;
}

std::string Describe(const db::Status& s) {
  switch (s.code()) {
    case db::kDatabaseLocked:
      return "the database is locked by an administrator (zarix-admin unlock clears it)";
    case db::kBusy:
      return "another process kept the database busy too long; try again";
    default:
      return s.ToString();
  }
}

struct ImportTotals {
  int64_t loaded = 0;
  int64_t broken = 0;
  Mfn first_mfn = 0;
  Mfn last_mfn = 0;
  std::map<std::string, int64_t> dropped;  // tag -> fields left out
  int64_t literal_carets = 0;              // data fields with a "^" of their own
};

// The whole file, or nullopt with the system's reason in *why.
std::optional<std::string> ReadInput(const std::string& path, std::string* why) {
  struct stat st;
  if (stat(NativePath(path).c_str(), &st) != 0) {
    *why = std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    *why = "is a folder";
    return std::nullopt;
  }
  errno = 0;
  std::optional<std::string> data = ReadFileBytes(path);
  if (!data) *why = errno ? std::strerror(errno) : "cannot be read";
  return data;
}

// What a look through a whole file before loading finds.
struct FileScan {
  int64_t records = 0;
  int64_t broken = 0;
  int64_t bad_encoding_record = 0;  // number (from 1) of the first record not in the encoding
  size_t bad_encoding_offset = 0;
};

FileScan ScanFile(std::string_view data, IsoEncoding encoding) {
  FileScan scan;
  IsoReader reader(data, encoding);
  IsoRecord iso;
  for (;;) {
    IsoReader::Status st = reader.Next(&iso);
    if (st == IsoReader::Status::kEnd) break;
    if (st == IsoReader::Status::kBroken) {
      ++scan.broken;
      continue;
    }
    ++scan.records;
    if (!reader.valid_encoding() && scan.bad_encoding_record == 0) {
      scan.bad_encoding_record = scan.records;
      scan.bad_encoding_offset = reader.offset();
    }
  }
  return scan;
}

std::string WithCommas(int64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// One line per committed batch when the output is a log, not a terminal: a killed import can be
// resumed from the last line.
class BatchLog {
 public:
  explicit BatchLog(int batch_size) : batch_size_(batch_size), enabled_(isatty(1) != 1) {}
  void Written(int64_t loaded) {
    if (loaded % batch_size_ == 0) Committed(loaded);
  }
  void Committed(int64_t loaded) {
    if (!enabled_ || loaded <= reported_) return;
    std::printf("records %s-%s committed\n", WithCommas(reported_ + 1).c_str(),
                WithCommas(loaded).c_str());
    std::fflush(stdout);
    reported_ = loaded;
  }

 private:
  int batch_size_;
  bool enabled_;
  int64_t reported_ = 0;
};

constexpr int kImportBatch = 5000;

// Loads one file. Returns false when a write failed (the open batch is then dropped).
bool ImportFile(const std::string& path, std::string_view data, IsoEncoding encoding, bool index,
                db::Database* db, ImportTotals* totals, BatchLog* batches) {
  IsoReader reader(data, encoding);
  Progress progress(BaseName(path));
  db::Database::WriteOptions options;
  options.update_index = index;
  IsoRecord iso;
  db::Record record;
  for (;;) {
    IsoReader::Status st = reader.Next(&iso);
    if (st == IsoReader::Status::kEnd) break;
    if (st == IsoReader::Status::kBroken) {
      progress.Finish();
      Error(path + ": broken record at byte " + std::to_string(reader.offset()) + ": " +
            reader.error() + "; " + std::to_string(reader.position() - reader.offset()) +
            " bytes skipped");
      ++totals->broken;
      continue;
    }
    for (const std::string& tag : reader.dropped_tags()) ++totals->dropped[tag];
    totals->literal_carets += reader.literal_carets();
    record.Clear();
    record.fields.reserve(iso.fields.size());
    for (IsoField& f : iso.fields) record.fields.push_back({f.tag, std::move(f.text)});
    db::Status s = db->Write(&record, options);
    if (!s.ok()) {
      progress.Finish();
      Error(path + ": record at byte " + std::to_string(reader.offset()) +
            " could not be written: " + Describe(s));
      return false;
    }
    if (totals->first_mfn == 0) totals->first_mfn = record.mfn;
    totals->last_mfn = record.mfn;
    ++totals->loaded;
    batches->Written(totals->loaded);
    if ((totals->loaded & 255) == 0) {
      progress.Update(static_cast<int64_t>(reader.position()), static_cast<int64_t>(reader.size()));
    }
  }
  progress.Finish();
  return true;
}

// True when a data field's "^" at `i` cannot be a subfield mark (no code after it).
bool StrayCaret(const std::string& text, size_t i) {
  if (i + 1 >= text.size()) return true;
  const unsigned char c = static_cast<unsigned char>(text[i + 1]);
  return !std::isalnum(c);
}

}  // namespace

void Error(const std::string& message) {
  std::fprintf(stderr, "zarix-admin: %s\n", message.c_str());
}

Progress::Progress(std::string label) : label_(std::move(label)), enabled_(isatty(2) == 1) {}

Progress::~Progress() { Finish(); }

void Progress::Update(int64_t done, int64_t total) {
  if (!enabled_) return;
  int64_t now = NowMs();
  if (shown_ && now - last_ms_ < 200) return;
  last_ms_ = now;
  shown_ = true;
  if (total > 0) {
    std::fprintf(stderr, "\r%s: %3d%%", label_.c_str(), static_cast<int>(done * 100 / total));
  } else {
    std::fprintf(stderr, "\r%s: %lld", label_.c_str(), static_cast<long long>(done));
  }
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!shown_) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(label_.size()) + 8, "");
  std::fflush(stderr);
  shown_ = false;
}

int CmdImport(const Args& args) {
  const auto& pos = args.positional();
  IsoEncoding encoding;
  if (!EncodingOption(args, &encoding)) return kExitUsage;
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, pos[0], &catalog, &db)) return kExitFailed;

  // Every file is read and looked through before anything is stored: a file that is not ISO
  // 2709, or not in the named encoding, stops the import with nothing half-loaded.
  std::vector<std::string> inputs;
  for (size_t i = 1; i < pos.size(); ++i) {
    std::string why;
    std::optional<std::string> data = ReadInput(pos[i], &why);
    if (!data) {
      Error("cannot read " + pos[i] + ": " + why);
      return kExitFailed;
    }
    FileScan scan = ScanFile(*data, encoding);
    if (scan.records == 0) {
      Error(pos[i] + ": not an ISO 2709 file (no record found); nothing was loaded");
      return kExitFailed;
    }
    if (scan.bad_encoding_record > 0) {
      Error(pos[i] + ": record " + std::to_string(scan.bad_encoding_record) + " (at byte " +
            std::to_string(scan.bad_encoding_offset) + ") is not valid " +
            IsoEncodingName(encoding) +
            "; name the file's encoding with --encoding (windows-1251, cp866, koi8-r, marc-8). "
            "Nothing was loaded");
      return kExitFailed;
    }
    inputs.push_back(std::move(*data));
  }

  int64_t start = NowMs();
  ImportTotals totals;
  BatchLog batches(kImportBatch);
  db::Status s = db->BeginBulk(kImportBatch);
  if (!s.ok()) {
    Error("cannot start loading: " + Describe(s));
    return kExitFailed;
  }
  bool ok = true;
  for (size_t i = 1; i < pos.size() && ok; ++i) {
    ok = ImportFile(pos[i], inputs[i - 1], encoding, !args.Flag("no-index"), db.get(), &totals,
                    &batches);
  }
  if (ok) {
    s = db->CommitBulk();
    if (!s.ok()) {
      Error("cannot commit the last records: " + Describe(s));
      ok = false;
    } else {
      batches.Committed(totals.loaded);
    }
  } else {
    db->AbortBulk();
  }
  double seconds = std::max<int64_t>(1, NowMs() - start) / 1000.0;
  std::string summary = std::to_string(totals.loaded) + " records loaded";
  if (totals.loaded > 0) {
    summary +=
        " (MFN " + std::to_string(totals.first_mfn) + "-" + std::to_string(totals.last_mfn) + ")";
  }
  char rate[64];
  std::snprintf(rate, sizeof rate, " in %.1f s", seconds);
  summary += rate;
  if (args.Flag("no-index")) summary += ", not indexed (zarix-admin reindex --pending)";
  if (totals.broken) summary += ", " + std::to_string(totals.broken) + " broken records skipped";
  std::printf("%s\n", summary.c_str());
  if (totals.literal_carets > 0) {
    std::printf(
        "%lld data fields hold a literal \"^\", which reads as a subfield mark (zarix-admin "
        "check lists those that cannot be one)\n",
        static_cast<long long>(totals.literal_carets));
  }
  if (!totals.dropped.empty()) {
    std::string tags;
    for (const auto& [tag, n] : totals.dropped) {
      tags += (tags.empty() ? "" : ", ") + tag + " (" + std::to_string(n) + ")";
    }
    std::printf("fields left out (their tags are not numbers 001-999): %s\n", tags.c_str());
  }
  if (!ok) {
    std::printf("the batch open at the failure was not stored; records before it are\n");
    return kExitFailed;
  }
  return totals.broken ? kExitPartial : kExitOk;
}

int CmdExport(const Args& args) {
  const auto& pos = args.positional();
  IsoEncoding encoding;
  if (!EncodingOption(args, &encoding)) return kExitUsage;
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, pos[0], &catalog, &db)) return kExitFailed;
  Mfn from, to;
  if (!MfnRange(args, db.get(), &from, &to)) return kExitUsage;

  const std::string& path = pos[1];
  bool to_stdout = path == "-";
  FILE* out = to_stdout ? stdout : std::fopen(NativePath(path).c_str(), "wb");
  if (!out) {
    Error("cannot write " + path + ": " + std::strerror(errno));
    return kExitFailed;
  }
  IsoWriter writer(encoding);
  bool text = args.Flag("text");
  int64_t written = 0, too_long = 0, failed = 0;
  Progress progress(BaseName(path));
  db::Record record;
  IsoRecord iso;
  std::string buffer;
  for (Mfn mfn = from; mfn <= to; ++mfn) {
    int rc = db->Read(mfn, &record);
    if (rc == db::kRecordDeleted || rc == db::kNoRecord) continue;
    if (rc != db::kOk && rc != db::kRecordNotIndexed) {
      ++failed;
      Error("MFN " + std::to_string(mfn) + ": cannot be read (" + std::to_string(rc) + ")");
      continue;
    }
    iso.fields.clear();
    for (db::Field& f : record.fields) iso.fields.push_back({f.tag, std::move(f.text)});
    if (text) {
      writer.AppendText(iso, &buffer);
    } else if (writer.Append(iso, &buffer) != 0) {
      ++too_long;
      Error("MFN " + std::to_string(mfn) + ": too long for ISO 2709, left out");
      continue;
    }
    ++written;
    if (buffer.size() > (1 << 20)) {
      std::fwrite(buffer.data(), 1, buffer.size(), out);
      buffer.clear();
    }
    progress.Update(mfn - from, to - from + 1);
  }
  progress.Finish();
  std::fwrite(buffer.data(), 1, buffer.size(), out);
  bool io_ok = std::fflush(out) == 0 && !std::ferror(out);
  if (!to_stdout) io_ok = std::fclose(out) == 0 && io_ok;
  if (!io_ok) {
    Error("writing " + path + " failed");
    return kExitFailed;
  }
  if (const size_t lost = writer.lost_characters(); lost > 0) {
    Error(std::to_string(lost) + " characters have no place in " + IsoEncodingName(encoding) +
          " and were written as \"?\"" + (args.Flag("strict") ? "; --strict: export refused" : ""));
    if (args.Flag("strict")) {
      if (!to_stdout) RemoveFile(path);
      return kExitFailed;
    }
  }
  std::fprintf(to_stdout ? stderr : stdout, "%lld records exported to %s\n",
               static_cast<long long>(written), path.c_str());
  return (too_long || failed) ? kExitPartial : kExitOk;
}

int CmdPrint(const Args& args) {
  const auto& pos = args.positional();
  if (!args.Has("format")) {
    Error("print needs --format FORMAT or --format @FILE");
    return kExitUsage;
  }
  Catalog catalog;
  std::unique_ptr<db::Database> db;
  if (!OpenNamed(args, pos[0], &catalog, &db)) return kExitFailed;
  Mfn from, to;
  if (!MfnRange(args, db.get(), &from, &to)) return kExitUsage;

  // "@name" is the format language's own include: found as written, then in the database's
  // parameter folder.
  db::FileIncludeResolver resolver({db->parameter_dir()});
  format::CompileError error;
  std::unique_ptr<format::Program> program =
      format::Compile(args.Value("format"), &resolver, &error);
  if (!program) {
    Error("format: " + error.message);
    return kExitUsage;
  }
  db::EngineDatabaseAccess access(db.get());
  format::FormatVariables vars;
  format::RunOptions options;
  options.capacity = 1 << 20;
  options.db = &access;
  options.vars = &vars;
  db::Record record;
  std::string out;
  int errors = 0;
  for (Mfn mfn = from; mfn <= to; ++mfn) {
    int rc = db->Read(mfn, &record);
    if (rc != db::kOk && rc != db::kRecordNotIndexed) continue;
    db::RecordAdapter view(record);
    if (format::Run(*program, view, options, &out) != 0) ++errors;
    std::string text;
    text.reserve(out.size() + 1);
    for (size_t i = 0; i < out.size(); ++i) {
      if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') continue;
      text += out[i];
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  if (errors) {
    Error("the format failed on " + std::to_string(errors) + " records");
    return kExitFailed;
  }
  return kExitOk;
}

void ListStrayCarets(db::Database* db, int limit) {
  db::Record record;
  int shown = 0;
  int64_t more = 0;
  for (Mfn mfn = 1; mfn < db->MaxMfn(); ++mfn) {
    const int rc = db->Read(mfn, &record);
    if (rc != db::kOk && rc != db::kRecordNotIndexed) continue;
    for (const db::Field& f : record.fields) {
      if (f.tag < 10 || f.tag == kIsoLeaderTag) continue;
      bool stray = false;
      for (size_t i = f.text.find('^'); i != std::string::npos && !stray;
           i = f.text.find('^', i + 1)) {
        stray = StrayCaret(f.text, i);
      }
      if (!stray) continue;
      if (shown < limit) {
        std::printf("MFN %lld field %03d: a \"^\" that is no subfield mark: %s\n",
                    static_cast<long long>(mfn), f.tag, f.text.c_str());
        ++shown;
      } else {
        ++more;
      }
    }
  }
  if (more) std::printf("... and %lld more such fields\n", static_cast<long long>(more));
}

}  // namespace zarix::admin
