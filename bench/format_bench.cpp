// Format language throughput: a display format of about 40 elements (selectors with subfields,
// conditional and repeatable literals, conditions, groups) over the real MARC 21 records of
// data/marc21-real-utf8.mrc (233 records, median 33 fields; tags that are not numbers are
// dropped), formatted one after another on one thread. Also the time to compile that format.
//
//   format_bench [--benchmark_filter=...]     (ZARIX_DATA_DIR overrides the data folder)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zarix64/format/format.h"
#include "zarix64/format/simple_record.h"

namespace {

using zarix::format::SimpleRecord;

const char kDisplayFormat[] = R"pft(
mhl,
v245^a, " "v245^b, " "v245^c, ". — "v250^a,
if p(v260) then ". — "v260^a, " "v260^b, " "v260^c
else ". — "v264^a, " "v264^b, " "v264^c fi,
" — "v300^a, " "v300^b, " "v300^c,
" ("v490^a, " ; "v490^v")",
/ "Author: "v100^a, " "v100^d,
/ if p(v700) then 'Other authors: ' (|; |+v700^a" ("v700^e")") fi,
/ if p(v020) then 'ISBN: ' v020^a[1] fi,
/ "Subjects: "|; |+v650^a, " -- "v650^x[1],
/ "Notes: "v500^a+| |,
/ if p(v041) then "Language: "v041^a else "Language: "v008*35.3 fi,
/ 'Record: ' mfn(6), if nocc(v650) > 3 then x2 '(' f(nocc(v650),0,0) ' subjects)' fi,
/ "Call number: "v050^a" "v050^b, " / "v082^a
)pft";

// ISO 2709 records with numeric tags; subfields become "^" + code.
std::vector<SimpleRecord> LoadMarc(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<SimpleRecord> records;
  size_t start = 0;
  while (start + 24 <= data.size()) {
    size_t end = data.find('\x1d', start);
    if (end == std::string::npos) break;
    std::string_view rec(data.data() + start, end - start);
    start = end + 1;
    if (rec.size() < 24) continue;
    size_t base = std::strtoul(std::string(rec.substr(12, 5)).c_str(), nullptr, 10);
    if (base > rec.size()) continue;
    SimpleRecord r(static_cast<zarix::Mfn>(records.size() + 1));
    for (size_t d = 24; d + 12 <= base - 1; d += 12) {
      std::string tag(rec.substr(d, 3));
      if (tag.find_first_not_of("0123456789") != std::string::npos) continue;
      size_t len = std::strtoul(std::string(rec.substr(d + 3, 4)).c_str(), nullptr, 10);
      size_t off = std::strtoul(std::string(rec.substr(d + 7, 5)).c_str(), nullptr, 10);
      if (base + off + len > rec.size() || len == 0) continue;
      std::string_view field = rec.substr(base + off, len - 1);
      std::string text;
      int t = std::atoi(tag.c_str());
      if (t >= 10 && field.size() >= 2) field.remove_prefix(2);  // indicators
      for (char c : field) text += c == '\x1f' ? '^' : c;
      if (t > 0) r.AddField(t, text);
    }
    records.push_back(std::move(r));
  }
  return records;
}

std::string DataFile() {
  const char* dir = std::getenv("ZARIX_DATA_DIR");
  return std::string(dir != nullptr ? dir : ZARIX_DEFAULT_DATA_DIR) + "/marc21-real-utf8.mrc";
}

const std::vector<SimpleRecord>& Records() {
  static const std::vector<SimpleRecord> records = LoadMarc(DataFile());
  return records;
}

void BM_FormatRecord(benchmark::State& state) {
  const auto& records = Records();
  if (records.empty()) {
    state.SkipWithError(("no MARC records in " + DataFile()).c_str());
    return;
  }
  zarix::format::CompileError error;
  auto program = zarix::format::Compile(kDisplayFormat, nullptr, &error);
  if (!program) {
    state.SkipWithError(error.message.c_str());
    return;
  }
  zarix::format::RunOptions options;
  std::string out;
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    zarix::format::Run(*program, records[i], options, &out);
    bytes += out.size();
    if (++i == records.size()) i = 0;
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  size_t fields = 0;
  for (const auto& r : records) fields += r.FieldCount();
  state.counters["fields_per_record"] = static_cast<double>(fields) / records.size();
}
BENCHMARK(BM_FormatRecord);

void BM_CompileDisplayFormat(benchmark::State& state) {
  for (auto _ : state) {
    zarix::format::CompileError error;
    auto program = zarix::format::Compile(kDisplayFormat, nullptr, &error);
    benchmark::DoNotOptimize(program.get());
  }
}
BENCHMARK(BM_CompileDisplayFormat);

}  // namespace

BENCHMARK_MAIN();
