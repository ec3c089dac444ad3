// Engine benchmarks: bulk import with indexing, term lookup with a walk of 1,000 postings, and a
// dictionary walk of 1,000 terms.
//
// Records: the MARC 21 and RUSMARC (UTF-8) samples of data/, repeated with new
// control numbers (field 001 gets "-<copy>") until there are at least 10,000. They are indexed
// with both default field selection tables of zarix-admin create (MARC 21 and UNIMARC lines).
//
// Run: bench/run, or build/bench/engine_bench (ZARIX_DATA_DIR overrides the data folder)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "admin/admin_create.h"
#include "util/path.h"
#include "zarix64/database.h"
#include "zarix64/iso2709.h"

namespace zarix {
namespace {

constexpr size_t kMinRecords = 10000;

std::vector<db::Record> LoadRecords() {
  const char* data_dir = std::getenv("ZARIX_DATA_DIR");
  const std::string dir = std::string(data_dir ? data_dir : ZARIX_DEFAULT_DATA_DIR) + "/";
  std::vector<IsoRecord> sample;
  for (const char* file : {"marc21-real-utf8.mrc", "rusmarc-nlr-utf8.mrc"}) {
    std::optional<std::string> data = ReadFileBytes(dir + file);
    if (!data || data->empty()) {
      std::fprintf(stderr, "engine_bench: input missing or unreadable: %s%s\n", dir.c_str(), file);
      std::exit(1);
    }
    IsoReader reader(*data, IsoEncoding::kUtf8);
    for (IsoRecord r; reader.Next(&r) != IsoReader::Status::kEnd;) {
      if (!r.fields.empty()) sample.push_back(r);
    }
  }
  std::vector<db::Record> records;
  for (int copy = 1; !sample.empty() && records.size() < kMinRecords; ++copy) {
    for (const IsoRecord& iso : sample) {
      db::Record r;
      for (const IsoField& f : iso.fields) {
        r.fields.push_back({f.tag, f.tag == 1 ? f.text + "-" + std::to_string(copy) : f.text});
      }
      records.push_back(std::move(r));
    }
  }
  return records;
}

const std::vector<db::Record>& Records() {
  static const std::vector<db::Record> records = LoadRecords();
  return records;
}

// A new empty database in a fresh temporary folder.
std::unique_ptr<db::Database> NewDatabase(std::string* folder) {
  char name[] = "/tmp/zarix_engine_benchXXXXXX";
  *folder = std::string(mkdtemp(name)) + "/";
  WriteFileBytes(*folder + "bench.fst", admin::DefaultFst(admin::MarcFlavour::kMarc21) +
                                            admin::DefaultFst(admin::MarcFlavour::kUnimarc));
  db::OpenOptions options;
  options.master_prefix = *folder + "bench";
  options.parameter_dir = *folder;
  std::unique_ptr<db::Database> db;
  db::Status s = db::Database::Create(options, &db);
  if (!s.ok()) std::abort();
  return db;
}

void Import(db::Database* db) {
  db->BeginBulk();
  for (const db::Record& source : Records()) {
    db::Record r = source;
    if (!db->Write(&r).ok()) std::abort();
  }
  if (!db->CommitBulk().ok()) std::abort();
}

// The database the walks read: the records imported once.
db::Database* Loaded() {
  static std::string folder;
  static std::unique_ptr<db::Database> db = [] {
    auto d = NewDatabase(&folder);
    Import(d.get());
    return d;
  }();
  return db.get();
}

void BM_BulkImportIndexed(benchmark::State& state) {
  const size_t n = Records().size();
  for (auto _ : state) {
    state.PauseTiming();
    std::string folder;
    auto db = NewDatabase(&folder);
    state.ResumeTiming();
    Import(db.get());
    state.PauseTiming();
    db.reset();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["records"] = static_cast<double>(n);
  state.counters["records_per_s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BulkImportIndexed)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Where the import time goes: the same load without indexing (record storage only) ...
void BM_BulkImportUnindexed(benchmark::State& state) {
  const size_t n = Records().size();
  db::Database::WriteOptions options;
  options.update_index = false;
  for (auto _ : state) {
    state.PauseTiming();
    std::string folder;
    auto db = NewDatabase(&folder);
    state.ResumeTiming();
    db->BeginBulk();
    for (const db::Record& source : Records()) {
      db::Record r = source;
      if (!db->Write(&r, options).ok()) std::abort();
    }
    if (!db->CommitBulk().ok()) std::abort();
    state.PauseTiming();
    db.reset();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["records_per_s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BulkImportUnindexed)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ... and the term extraction alone (field selection formats, word splitting, upper-casing).
void BM_ExtractTerms(benchmark::State& state) {
  db::Database* db = Loaded();
  std::vector<std::pair<std::string, db::Posting>> terms;
  int64_t count = 0;
  for (auto _ : state) {
    for (const db::Record& r : Records()) {
      db->ExtractTerms(r, &terms);
      count += static_cast<int64_t>(terms.size());
    }
  }
  state.counters["records_per_s"] = benchmark::Counter(
      static_cast<double>(Records().size()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["terms_per_record"] =
      static_cast<double>(count) / static_cast<double>(state.iterations() * Records().size());
}
BENCHMARK(BM_ExtractTerms)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first term (in dictionary order) with at least 1,000 postings.
std::string TermWithThousandPostings() {
  auto it = Loaded()->NewTermIterator();
  for (it->SeekToFirst(); it->Valid(); it->Next()) {
    if (it->posting_count() >= 1000) return std::string(it->key());
  }
  return {};
}

void BM_TermLookupAndWalk1000Postings(benchmark::State& state) {
  db::Database* db = Loaded();
  static const std::string term = TermWithThousandPostings();
  if (term.empty()) {
    state.SkipWithError("no term with 1,000 postings");
    return;
  }
  int64_t sum = 0;
  for (auto _ : state) {
    auto it = db->NewPostingIterator(term);
    for (int i = 0; i < 1000 && it->Valid(); ++i, it->Next()) sum += it->mfn();
  }
  benchmark::DoNotOptimize(sum);
  state.SetLabel(term + " (" + std::to_string(db->PostingCount(term)) + " postings)");
}
BENCHMARK(BM_TermLookupAndWalk1000Postings)->Unit(benchmark::kMicrosecond);

void BM_DictionaryWalk1000Terms(benchmark::State& state) {
  db::Database* db = Loaded();
  int64_t sum = 0;
  for (auto _ : state) {
    auto it = db->NewTermIterator();
    it->Seek("K=");
    for (int i = 0; i < 1000 && it->Valid(); ++i, it->Next()) sum += it->posting_count();
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_DictionaryWalk1000Terms)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zarix

BENCHMARK_MAIN();
