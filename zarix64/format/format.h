// The engine's format language: compile a format text once, run it on many records.
//
// A format drives record display, indexing (.fst lines), sort keys, request filters and frame
// directives. Compile() builds a program that Run() executes without re-parsing text. Neither
// ever crashes or loops forever on any input: errors come back as negative codes (format_errors.h).
//
// Thread safety: a compiled Program is immutable and may be run from several threads at once,
// each with its own FormatVariables.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "util/types.h"

namespace zarix::format {

// A record as the interpreter sees it: an MFN and fields in record order.
class RecordView {
 public:
  virtual ~RecordView() = default;
  virtual Mfn mfn() const = 0;
  virtual int FieldCount() const = 0;
  // REQUIRES: 0 <= index < FieldCount().
  virtual FieldTag Tag(int index) const = 0;
  virtual std::string_view Text(int index) const = 0;
};

// What `ref`, `l` and `npost` need from the database the format runs against. Supplied by the
// engine; tests and benchmarks may pass none (then `ref` outputs nothing, `l` and `npost` give 0).
class DatabaseAccess {
 public:
  virtual ~DatabaseAccess() = default;
  // Number of postings of `term` (already upper-cased by the caller of the format), 0 if absent.
  virtual int PostingCount(std::string_view term) = 0;
  // MFN of the term's first posting, 0 if none.
  virtual Mfn FirstPosting(std::string_view term) = 0;
  // Record `mfn` of database `db` (empty: this database). Returns nullptr when the record cannot
  // be read. Sets *db_missing when `db` names no database (a run-time format error).
  virtual std::unique_ptr<RecordView> ReadRecord(std::string_view db, Mfn mfn,
                                                 bool* db_missing) = 0;
};

// Finds the text of `@name` includes at compile time.
class IncludeResolver {
 public:
  virtual ~IncludeResolver() = default;
  // `name` as written after "@" (".pft" not yet appended when it has no extension);
  // `including_dir` is the folder of the including file ("" for the top-level text).
  // Returns the file's text and sets *path to the file found, or nullopt when there is none.
  virtual std::optional<std::string> Resolve(std::string_view name, std::string_view including_dir,
                                             std::string* path) = 0;
};

// The variables e1..e9 and s1..s9; they live as long as the caller keeps them (the engine keeps
// one set per space, so consecutive formats of a space share them; `&Unifor('S0')` clears them).
struct FormatVariables {
  double e[10] = {};
  std::string s[10];
  // Provenance of s[i] when set in a page-text run (see RunOptions::page_text), else empty.
  std::string s_mask[10];
  void Clear() {
    for (auto& v : e) v = 0;
    for (auto& v : s) v.clear();
    for (auto& v : s_mask) v.clear();
  }
};

struct CompileError {
  int code = 0;         // negative, from format_errors.h; 0 when compilation succeeded
  int position = 0;     // byte offset into the text where the error was seen
  std::string message;  // "position: message"
};

// A compiled format. Opaque; built only by Compile().
class Program {
 public:
  struct Impl;
  explicit Program(std::unique_ptr<Impl> impl);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// Compiles `text`. On failure returns nullptr and fills *error. `resolver` may be null (then any
// `@name` is a compile error).
std::unique_ptr<Program> Compile(std::string_view text, IncludeResolver* resolver,
                                 CompileError* error);

struct RunOptions {
  size_t capacity = 32000;       // output is cut at this many bytes, on a character boundary
  int mode = 1;                  // 1: as produced; 2: empty lines and blanks at both ends removed
  DatabaseAccess* db = nullptr;  // may be null
  FormatVariables* vars = nullptr;  // may be null (then a fresh set per run)
  long max_steps = 20'000'000;      // elements evaluated per run before it stops with an error
  // Output for a web page that is processed as a template afterwards: text that comes from the
  // record (field values, and what functions make of them) is HTML-escaped, so that neither
  // markup nor template directives ("<!...", "<?", "<--...", "~~") can come from a record. The
  // format's own literals are written as they stand, also when they pass through a variable or
  // a function (replace, mid, upper...) on the way. See EscapePageData.
  bool page_text = false;
};

// The page-text form of record data: "&", "<", ">", '"' and "~" (language markers are "~~key~~")
// as character references; a "!", "?"
// or "-" that would follow a "<" (`after_lt`) as a numeric reference, so data can never complete a
// directive opener that a literal began.
void EscapePageData(std::string_view data, bool after_lt, std::string* out);

// Runs `program` on `record`; fills *out (lines joined with CR LF). Returns 0, or a negative
// run-time error code with *out = "*** FORMAT ERROR <code>: <message> ***".
int Run(const Program& program, const RecordView& record, const RunOptions& options,
        std::string* out);

// The line a format whose compilation failed gives instead of its output:
// "*** FORMAT ERROR <code>: <position>: <message> ***".
std::string ErrorLine(const CompileError& error);

}  // namespace zarix::format
