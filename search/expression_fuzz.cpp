// Fuzz target of the search-expression parser and evaluation: any bytes must parse or fail
// cleanly, steps may only refer to earlier steps, and evaluation over a small index must give
// ascending MFNs without repeats.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "search/expression_parser.h"
#include "search/memory_term_index.h"
#include "search/search_evaluation.h"
#include "search/search_expression_builder.h"

namespace {

zarix::MemoryTermIndex* Index() {
  static zarix::MemoryTermIndex* index = [] {
    auto* i = new zarix::MemoryTermIndex();
    i->AddText("K=", 1, 200, 1, "history of art");
    i->AddText("K=", 2, 200, 1, "art history");
    i->AddText("K=", 2, 700, 1, "smith");
    i->AddText("K=", 3, 200, 2, "modern art");
    i->Add("G=1990", 1, 210);
    i->Add("G=2000", 3, 210);
    return i;
  }();
  return index;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<zarix::SearchStep> steps;
  if (zarix::ParseSearchExpression(text, &steps) == 0) {
    for (size_t s = 0; s < steps.size(); ++s) {
      if (steps[s].operands.empty()) std::abort();
      for (const std::string& line : steps[s].operands) {
        if (line.empty()) std::abort();
        if (line[0] == '#' && std::stoul(line.substr(1)) > s) std::abort();
        if (line[0] != '#') zarix::ParseTermOperand(line);
      }
    }
  } else if (!steps.empty()) {
    std::abort();
  }
  zarix::SearchEnv env;
  env.index = Index();
  zarix::TIntList result;
  zarix::RunSearch(env, text, &result, false);
  for (int i = 1; i < result.Count(); ++i) {
    if (result.Get(i - 1) >= result.Get(i)) std::abort();
  }
  zarix::UnpackSearchTerms(text);
  return 0;
}
