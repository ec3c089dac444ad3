// What the format language needs from the engine: records as RecordView, the database behind
// `ref`, `l` and `npost`, and the files behind `@name` includes.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zarix64/database.h"
#include "zarix64/format/format.h"

namespace zarix::db {

// A view of a Record that the record must outlive.
class RecordAdapter : public format::RecordView {
 public:
  explicit RecordAdapter(const Record& record) : record_(record) {}
  Mfn mfn() const override { return record_.mfn; }
  int FieldCount() const override { return static_cast<int>(record_.fields.size()); }
  FieldTag Tag(int index) const override { return record_.fields[index].tag; }
  std::string_view Text(int index) const override { return record_.fields[index].text; }

 private:
  const Record& record_;
};

// Finds "@name" files: ".pft" is added to a name without extension. An include written inside a
// format text (Resolve) must be a plain relative name (no absolute path, drive or ".."
// component): it is looked for in the including file's folder, then in each of `folders` (plain
// prefixes), never elsewhere, so a format cannot read files outside the site's folders. The
// format the caller names itself (ResolveNamed) may be a path: it is tried as written first.
class FileIncludeResolver : public format::IncludeResolver {
 public:
  explicit FileIncludeResolver(std::vector<std::string> folders) : folders_(std::move(folders)) {}
  std::optional<std::string> Resolve(std::string_view name, std::string_view including_dir,
                                     std::string* path) override;
  std::optional<std::string> ResolveNamed(std::string_view name, std::string* path);

 private:
  std::vector<std::string> folders_;
};

// `ref`, `l` and `npost` against `db` (not owned). `ref` to another database opens
// "<folder of db's master file><name>" (master file only) and keeps it open while this object
// lives.
class EngineDatabaseAccess : public format::DatabaseAccess {
 public:
  explicit EngineDatabaseAccess(Database* db) : db_(db) {}
  int PostingCount(std::string_view term) override;
  Mfn FirstPosting(std::string_view term) override;
  std::unique_ptr<format::RecordView> ReadRecord(std::string_view db, Mfn mfn,
                                                 bool* db_missing) override;

 private:
  Database* db_;
  std::map<std::string, std::unique_ptr<Database>, std::less<>> others_;
};

}  // namespace zarix::db
