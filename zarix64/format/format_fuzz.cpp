// Fuzz target over compile and run: the input is a format text, a zero byte, then record lines
// "<tag> <text>". Includes and "ref" are served by fakes so that their limits get exercised too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "zarix64/format/format.h"
#include "zarix64/format/format_text.h"
#include "zarix64/format/simple_record.h"

namespace {

using zarix::Mfn;
using namespace zarix::format;

// "a" and "b" include each other; "self" is the fuzzed format itself.
class FuzzResolver : public IncludeResolver {
 public:
  explicit FuzzResolver(std::string_view self) : self_(self) {}
  std::optional<std::string> Resolve(std::string_view name, std::string_view,
                                     std::string* path) override {
    *path = "/fuzz/" + std::string(name);
    if (name == "a") return std::string("v1^a \"-\" @b");
    if (name == "b") return std::string("(|; |+v2) @a");
    if (name == "self") return std::string(self_);
    return std::nullopt;
  }

 private:
  std::string_view self_;
};

// Records 1..3 are the fuzzed record; database "x" does not exist.
class FuzzDatabase : public DatabaseAccess {
 public:
  explicit FuzzDatabase(const SimpleRecord& r) : record_(r) {}
  int PostingCount(std::string_view term) override { return static_cast<int>(term.size() % 5); }
  Mfn FirstPosting(std::string_view term) override { return static_cast<Mfn>(term.size() % 4); }
  std::unique_ptr<zarix::format::RecordView> ReadRecord(std::string_view db, Mfn mfn,
                                                        bool* db_missing) override {
    if (db == "x") {
      *db_missing = true;
      return nullptr;
    }
    if (mfn < 1 || mfn > 3) return nullptr;
    auto copy = std::make_unique<SimpleRecord>(record_);
    copy->set_mfn(mfn);
    return copy;
  }

 private:
  const SimpleRecord& record_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  std::string_view format = input.substr(0, split);
  std::string_view rest =
      split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  SimpleRecord record(1);
  while (!rest.empty()) {
    size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    int tag = 0;
    size_t i = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && tag < 100000)
      tag = tag * 10 + (line[i++] - '0');
    if (i < line.size() && line[i] == ' ') ++i;
    record.AddField(tag % 1000, line.substr(i));
  }

  FuzzResolver resolver(format);
  CompileError error;
  auto program = Compile(format, &resolver, &error);
  if (!program) {
    if (error.code >= 0 || ErrorLine(error).empty()) __builtin_trap();
    return 0;
  }
  FuzzDatabase db(record);
  FormatVariables vars;
  for (int mode = 1; mode <= 2; ++mode) {
    RunOptions options;
    options.capacity = mode == 1 ? 4000 : 37;
    options.mode = mode;
    options.db = &db;
    options.vars = &vars;
    options.max_steps = 100000;
    std::string out;
    int rc = Run(*program, record, options, &out);
    if (rc > 0 || out.size() > options.capacity) __builtin_trap();
    // The cut never splits a character that the output had whole.
    if (!out.empty() && Utf8CutPoint(out, out.size()) != out.size()) __builtin_trap();
  }
  return 0;
}
