// Search evaluation and expression building over an in-memory catalogue of 100000 records:
// two frequent words in every record, a rarer word in every tenth, 10000 distinct K=Wnnnnn
// words for truncation walks.
#include <benchmark/benchmark.h>

#include <string>

#include "gateway/request_store_fields.h"
#include "search/memory_term_index.h"
#include "search/search_evaluation.h"
#include "search/search_expression_builder.h"

namespace zarix {
namespace {

constexpr int kRecords = 100000;

MemoryTermIndex& Catalogue() {
  static MemoryTermIndex* index = [] {
    auto* i = new MemoryTermIndex();
    for (Mfn m = 1; m <= kRecords; ++m) {
      i->Add("K=HISTORY", m, 200, 1, 1);
      i->Add("K=ART", m, 200, 1, m % 2 == 0 ? 2 : 3);
      if (m % 10 == 0) i->Add("K=MODERN", m, 200, 1, 4);
      i->Add("K=W" + std::to_string(10000 + m % 10000), m, 610, 1, 1);
    }
    return i;
  }();
  return *index;
}

void RunExpression(benchmark::State& state, const char* expression) {
  SearchEnv env;
  env.index = &Catalogue();
  TIntList result;
  for (auto _ : state) {
    RunSearch(env, expression, &result, false);
    benchmark::DoNotOptimize(result.Count());
  }
  state.counters["hits"] = result.Count();
}

void BM_Term(benchmark::State& s) { RunExpression(s, "\"K=HISTORY\""); }
void BM_And(benchmark::State& s) { RunExpression(s, "\"K=HISTORY\"*\"K=ART\""); }
void BM_Or(benchmark::State& s) { RunExpression(s, "\"K=MODERN\"+\"K=ART\""); }
void BM_Not(benchmark::State& s) { RunExpression(s, "\"K=HISTORY\"^\"K=MODERN\""); }
void BM_Adjacent(benchmark::State& s) { RunExpression(s, "\"K=HISTORY\" . \"K=ART\""); }
void BM_SameField(benchmark::State& s) { RunExpression(s, "\"K=HISTORY\"(G)\"K=MODERN\""); }
void BM_Truncation(benchmark::State& s) { RunExpression(s, "\"K=W$\""); }
void BM_Range(benchmark::State& s) { RunExpression(s, "\"K=W10000\"[...]\"K=W10999\""); }
BENCHMARK(BM_Term)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_And)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Or)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Not)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Adjacent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SameField)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Truncation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Range)->Unit(benchmark::kMillisecond);

void BM_GetSearchString(benchmark::State& state) {
  const IniStore server;
  const AlphabetTables tables({}, {"OF"});
  IniStore web;
  for (auto _ : state) {
    web.LoadLines({"[Form Literal]", "S21STR=history of modern art", "S21P01=1",
                   "S21P03=K=", "S21LOG=1", "2S21STR=Tolstoy Leo", "2S21P03=A=", "C21COM=S"});
    RequestStoreFields fields(web, server);
    SearchFormContext c;
    c.fields = &fields;
    c.tables = &tables;
    benchmark::DoNotOptimize(GetSearchString(c).expression);
  }
}
BENCHMARK(BM_GetSearchString)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zarix

BENCHMARK_MAIN();
