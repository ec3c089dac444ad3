// Engine side of the format language's seams.
#include "zarix64/format_access.h"

#include "util/path.h"

namespace zarix::db {
namespace {

// A record read for `ref`, owning its data.
class OwnedRecordView : public format::RecordView {
 public:
  explicit OwnedRecordView(Record record) : record_(std::move(record)), view_(record_) {}
  Mfn mfn() const override { return view_.mfn(); }
  int FieldCount() const override { return view_.FieldCount(); }
  FieldTag Tag(int index) const override { return view_.Tag(index); }
  std::string_view Text(int index) const override { return view_.Text(index); }

 private:
  Record record_;
  RecordAdapter view_;
};

bool HasExtension(std::string_view name) {
  const size_t slash = name.find_last_of("/\\");
  const size_t dot = name.rfind('.');
  return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}

}  // namespace

namespace {

std::optional<std::string> FirstReadable(const std::vector<std::string>& candidates,
                                         std::string* path) {
  for (const std::string& candidate : candidates) {
    if (!FileExists(candidate)) continue;
    if (auto text = ReadFileBytes(candidate)) {
      if (path) *path = NativePath(candidate);
      return text;
    }
  }
  return std::nullopt;
}

std::string WithExtension(std::string_view name) {
  std::string file(name);
  if (!HasExtension(file)) file += ".pft";
  return file;
}

}  // namespace

std::optional<std::string> FileIncludeResolver::Resolve(std::string_view name,
                                                        std::string_view including_dir,
                                                        std::string* path) {
  if (!IsSafeRelativeName(name)) return std::nullopt;
  const std::string file = WithExtension(name);
  std::vector<std::string> candidates;
  if (!including_dir.empty()) candidates.push_back(std::string(including_dir) + file);
  for (const std::string& folder : folders_) {
    if (!folder.empty()) candidates.push_back(folder + file);
  }
  return FirstReadable(candidates, path);
}

std::optional<std::string> FileIncludeResolver::ResolveNamed(std::string_view name,
                                                             std::string* path) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string file = WithExtension(name);
  std::vector<std::string> candidates{file};
  if (IsSafeRelativeName(file)) {
    for (const std::string& folder : folders_) {
      if (!folder.empty()) candidates.push_back(folder + file);
    }
  }
  return FirstReadable(candidates, path);
}

int EngineDatabaseAccess::PostingCount(std::string_view term) {
  const int64_t n = db_->PostingCount(term);
  return n > INT32_MAX ? INT32_MAX : static_cast<int>(n);
}

Mfn EngineDatabaseAccess::FirstPosting(std::string_view term) {
  auto it = db_->NewPostingIterator(term);
  return it->Valid() ? it->mfn() : 0;
}

std::unique_ptr<format::RecordView> EngineDatabaseAccess::ReadRecord(std::string_view name, Mfn mfn,
                                                                     bool* db_missing) {
  Database* target = db_;
  if (!name.empty() && name != db_->name()) {
    auto found = others_.find(name);
    if (found == others_.end()) {
      OpenOptions options;
      options.master_prefix = DirName(db_->master_path()) + std::string(name);
      options.master_only = true;
      std::unique_ptr<Database> other;
      if (!Database::Open(options, &other).ok()) {
        if (db_missing) *db_missing = true;
        return nullptr;
      }
      found = others_.emplace(std::string(name), std::move(other)).first;
    }
    target = found->second.get();
  }
  Record record;
  const int rc = target->Read(mfn, &record);
  if (rc != kOk && rc != kRecordNotIndexed) return nullptr;
  return std::make_unique<OwnedRecordView>(std::move(record));
}

}  // namespace zarix::db
