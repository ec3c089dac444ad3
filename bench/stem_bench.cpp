// StemEnding and StemUtf8 throughput over a real Russian word list: the snowball voc.txt when the
// snowball-data package is installed, else the hunspell-ru dictionary's entries (flags dropped).
// Words are converted to Windows-1251 once at start-up; the loop measures the stemmer alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "search/stemmer.h"
#include "util/charset.h"
#include "util/path.h"

namespace {

// One word per line; hunspell entries carry "/FLAGS" and the file starts with a count line.
std::vector<std::string> LoadWordsUtf8() {
  for (const char* path :
       {"/usr/share/snowball/data/russian/voc.txt", "/usr/share/hunspell/ru_RU.dic"}) {
    auto text = zarix::ReadFileBytes(path);
    if (!text) continue;
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < text->size()) {
      size_t end = text->find('\n', pos);
      if (end == std::string::npos) end = text->size();
      std::string_view line(text->data() + pos, end - pos);
      line = line.substr(0, line.find_first_of("/ \t\r"));
      bool count_line = line.find_first_not_of("0123456789") == std::string_view::npos;
      if (!line.empty() && !count_line) words.emplace_back(line);
      pos = end + 1;
    }
    std::fprintf(stderr, "%zu words from %s\n", words.size(), path);
    return words;
  }
  std::fprintf(stderr, "no Russian word list found (install hunspell-ru)\n");
  std::exit(1);
}

const std::vector<std::string>& WordsUtf8() {
  static const std::vector<std::string> words = LoadWordsUtf8();
  return words;
}

const std::vector<std::string>& WordsCp1251() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> out;
    for (const std::string& w : WordsUtf8()) {
      out.push_back(zarix::ConvertCharset(w, "UTF-8", "WINDOWS-1251"));
    }
    return out;
  }();
  return words;
}

void BM_StemEnding(benchmark::State& state) {
  const auto& words = WordsCp1251();
  for (auto _ : state) {
    long total = 0;
    for (const std::string& w : words) total += zarix::StemEnding(w);
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words.size()));
}
BENCHMARK(BM_StemEnding)->Unit(benchmark::kMillisecond);

// With the two code-page conversions the callers in search and highlighting pay.
void BM_StemUtf8(benchmark::State& state) {
  const auto& words = WordsUtf8();
  for (auto _ : state) {
    size_t total = 0;
    for (const std::string& w : words) total += zarix::StemUtf8(w).size();
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words.size()));
}
BENCHMARK(BM_StemUtf8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
