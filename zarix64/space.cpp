// Spaces of the C interface.
#include "zarix64/space.h"

#include <unordered_map>

#include "util/path.h"
#include "zarix64/format/format_errors.h"
#include "zarix64/zarix64.h"

namespace zarix::db {
namespace {

std::mutex& SettingsMutex() {
  static std::mutex m;
  return m;
}
ProcessSettings& Settings() {
  static ProcessSettings* s = new ProcessSettings();
  return *s;
}

struct SpaceTable {
  std::mutex mutex;
  std::unordered_map<int, std::unique_ptr<Space>> spaces;
  int next = 1;
};
SpaceTable& Spaces() {
  static SpaceTable* t = new SpaceTable();
  return *t;
}

}  // namespace

ProcessSettings GetProcessSettings() {
  std::lock_guard lock(SettingsMutex());
  return Settings();
}

void SetProcessSettings(const ProcessSettings& settings) {
  std::lock_guard lock(SettingsMutex());
  Settings() = settings;
}

int NewSpace() {
  auto space = std::make_unique<Space>();
  SpaceTable& t = Spaces();
  std::lock_guard lock(t.mutex);
  if (t.next == INT32_MAX) return 0;
  const int handle = t.next++;
  t.spaces.emplace(handle, std::move(space));
  return handle;
}

Space* FindSpace(int handle) {
  SpaceTable& t = Spaces();
  std::lock_guard lock(t.mutex);
  auto it = t.spaces.find(handle);
  return it == t.spaces.end() ? nullptr : it->second.get();
}

void CloseSpace(int handle) {
  std::unique_ptr<Space> doomed;
  SpaceTable& t = Spaces();
  {
    std::lock_guard lock(t.mutex);
    auto it = t.spaces.find(handle);
    if (it == t.spaces.end()) return;
    doomed = std::move(it->second);
    t.spaces.erase(it);
  }
}

Space::Space() { UseProcessTables(); }
Space::~Space() = default;

void Space::UseProcessTables() {
  tables_ = GetProcessSettings().tables;
  if (db_) db_->SetIndexingContext({}, tables_ ? tables_.get() : &Tables::BuiltIn());
}

int Space::OpenMaster(const std::string& prefix) {
  terms_.reset();
  postings_.reset();
  access_.reset();
  walk_ = WalkState::kNone;
  on_term_ = false;
  term_.clear();
  db_.reset();
  parameter_dir_.clear();
  OpenOptions options;
  options.master_prefix = prefix;
  options.master_only = true;
  options.tables = tables_ ? tables_.get() : nullptr;
  Status s = Database::Open(options, &db_);
  if (!s.ok()) return Fail(s);
  return kOk;
}

int Space::OpenInverted(const std::string& prefix) {
  if (!db_) return Fail(Status(kNotOpen, "no master file open"));
  if (db_->has_inverted()) return kOk;
  Status s = db_->OpenInverted(prefix, false);
  return s.ok() ? kOk : Fail(s);
}

int Space::InitInvContext(const std::string& parameter_dir, const std::string& actab) {
  if (!db_) return Fail(Status(kNotOpen, "no database open"));
  if (!actab.empty()) {
    const ProcessSettings settings = GetProcessSettings();
    tables_ = Tables::Load(settings.zarixpath, settings.uctab_name, actab, nullptr);
  }
  if (!parameter_dir.empty()) parameter_dir_ = parameter_dir;
  db_->SetIndexingContext(parameter_dir, tables_ ? tables_.get() : &Tables::BuiltIn());
  return kOk;
}

int Space::ReadRecord(int shelf, Mfn mfn) {
  Record& r = shelves_[shelf];
  if (!db_) {
    r = Record();
    return Fail(Status(kNotOpen, "no database open"));
  }
  const int rc = db_->Read(mfn, &r);
  if (rc != kOk && rc != kRecordDeleted && rc != kRecordNotIndexed) r = Record();
  return rc;
}

int Space::WriteRecord(int shelf, bool update_index, Mfn* mfn_out) {
  if (!db_) return Fail(Status(kNotOpen, "no database open"));
  Record copy = shelves_[shelf];
  Database::WriteOptions options;
  options.update_index = update_index;
  Status s = db_->Write(&copy, options);
  if (!s.ok()) return Fail(s);
  shelves_[shelf] = std::move(copy);
  if (mfn_out) *mfn_out = shelves_[shelf].mfn;
  return kOk;
}

void Space::StandOn() {
  postings_.reset();
  posting_current_ = false;
  on_term_ = terms_->Valid();
  term_ = on_term_ ? std::string(terms_->key()) : std::string();
  if (on_term_) walk_ = WalkState::kOnTerm;
}

int Space::Find(std::string_view key) {
  if (!db_) return Fail(Status(kNotOpen, "no database open"));
  key = CutUtf8(key, kMaxTermBytes);
  terms_ = db_->NewTermIterator();
  terms_->Seek(key);
  StandOn();
  if (!on_term_) {
    walk_ = WalkState::kAfterLast;
    if (!terms_->status().ok()) return Fail(terms_->status());
    return -1;
  }
  return term_ == key ? 0 : 1;
}

int Space::NextTerm() {
  if (!db_) return Fail(Status(kNotOpen, "no database open"));
  if (!terms_) terms_ = db_->NewTermIterator();
  switch (walk_) {
    case WalkState::kOnTerm:
      terms_->Next();
      break;
    case WalkState::kNone:
    case WalkState::kBeforeFirst:
      terms_->SeekToFirst();
      break;
    case WalkState::kAfterLast:
      return -1;
  }
  StandOn();
  if (!on_term_) {
    walk_ = WalkState::kAfterLast;
    return -1;
  }
  return kOk;
}

int Space::PrevTerm() {
  if (!db_) return Fail(Status(kNotOpen, "no database open"));
  if (!terms_) terms_ = db_->NewTermIterator();
  switch (walk_) {
    case WalkState::kOnTerm:
      terms_->Prev();
      break;
    case WalkState::kNone:
    case WalkState::kAfterLast:
      terms_->SeekToLast();
      break;
    case WalkState::kBeforeFirst:
      return -1;
  }
  StandOn();
  if (!on_term_) {
    walk_ = WalkState::kBeforeFirst;
    return -1;
  }
  return kOk;
}

int64_t Space::PostingCount() const { return on_term_ ? terms_->posting_count() : 0; }

void Space::InitPost() {
  postings_.reset();
  posting_current_ = false;
}

int Space::NextPost() {
  if (!on_term_) return -1;
  if (!postings_) {
    postings_ = db_->NewPostingIterator(term_);
  } else if (postings_->Valid()) {
    postings_->Next();
  }
  posting_current_ = postings_->Valid();
  if (!posting_current_ && !postings_->status().ok()) return Fail(postings_->status());
  return posting_current_ ? kOk : -1;
}

int Space::PostingPart(int what) const {
  if (!posting_current_) return -1;
  const Posting& p = postings_->posting();
  switch (what) {
    case 1:
      return p.mfn;
    case 2:
      return p.tag;
    case 3:
      return p.occurrence;
    case 4:
      return p.position;
    default:
      return kInvalidArgument;
  }
}

int Space::CompileFormat(std::string_view text) {
  program_.reset();
  compiled_ = false;
  compile_error_ = format::CompileError();
  const ProcessSettings settings = GetProcessSettings();
  std::vector<std::string> folders;
  const std::string parameter_dir =
      !parameter_dir_.empty() ? parameter_dir_ : (db_ ? db_->parameter_dir() : std::string());
  if (!parameter_dir.empty()) folders.push_back(parameter_dir);
  if (!settings.deposit_path.empty()) folders.push_back(settings.deposit_path);
  FileIncludeResolver resolver(std::move(folders));
  std::string source(text);
  if (!text.empty() && text[0] == '@') {
    std::string path;
    auto file = resolver.ResolveNamed(text.substr(1), &path);
    if (!file) {
      compile_error_.code = format::kErrIncludeNotFound;
      // Messages reach web pages: the file's name, never the server's folders.
      compile_error_.message = "0: format file " + BaseName(text.substr(1)) + " not found";
      message_ = compile_error_.message;
      return compile_error_.code;
    }
    source = std::move(*file);
    // Includes inside the file are looked for beside it first.
    FileIncludeResolver nested({DirName(path), parameter_dir, settings.deposit_path});
    program_ = format::Compile(source, &nested, &compile_error_);
  } else {
    program_ = format::Compile(source, &resolver, &compile_error_);
  }
  if (!program_) {
    message_ = compile_error_.message;
    return compile_error_.code < 0 ? compile_error_.code : kNoFormat;
  }
  compiled_ = true;
  return kOk;
}

int Space::Format(int shelf, int mode, int capacity) {
  result_.clear();
  if (!program_) {
    if (compile_error_.code < 0) {
      result_ = "*** FORMAT ERROR " + std::to_string(compile_error_.code) + ": " +
                compile_error_.message + " ***";
      return compile_error_.code;
    }
    return Fail(Status(kNoFormat, "no format compiled"));
  }
  if (!access_ && db_) access_ = std::make_unique<EngineDatabaseAccess>(db_.get());
  format::RunOptions options;
  options.capacity = capacity > 0 ? static_cast<size_t>(capacity) : 32000;
  options.mode = (mode & 0xff) == 2 ? 2 : 1;
  options.page_text = (mode & ZARIX_FORMAT_PAGE_TEXT) != 0;
  options.db = access_.get();
  options.vars = &vars_;
  const int rc = format::Run(*program_, RecordAdapter(shelves_[shelf]), options, &result_);
  if (rc < 0) return rc;
  return static_cast<int>(result_.size());
}

}  // namespace zarix::db
