// Dictionary browsing: one page of the terms of a database's inverted file that begin with a
// prefix, from a start term on, one formatted line per term; with a result list, only the terms
// that occur in at least one found record.
//
// The lines come from the database's line format, run on the working record (shelf 0) with the
// term (without its prefix) and its posting count added as fields for the run and removed again
// afterwards. Uses the engine's dictionary and posting walk of the space; not thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_api.h"
#include "util/types.h"

namespace zarix {

// The longest term the engine's term buffer holds, in bytes of UTF-8.
inline constexpr size_t kMaxDictionaryKeyBytes = 254;

struct DictionaryRequest {
  std::string prefix = "K=";     // T21PRF
  std::string start_term = " ";  // T21TRM
  long long page_size = 20;      // T21CNR: lines with text shown
  bool show_prevterm = false;    // [MAIN] SHOW_PREVTERM: start one term earlier
  int term_tag = 0;              // [PARAMETRS] DictTermTag: field of the term, 0 none
  int ndocs_tag = 0;             // [PARAMETRS] DictNDocsTag: field of the posting count
  std::string line_format;       // format specification of a line ("@" + file)
  const std::vector<Mfn>* results = nullptr;  // ascending; null: every term is shown
};

struct DictionaryPage {
  std::string text;       // the formatted lines, in dictionary order
  bool walked = false;    // the walk reached a term of the prefix
  std::string last_term;  // the last term shown (without prefix); the start key when none was
};

// The start key of a walk: prefix + start term, upper-cased, cut to kMaxDictionaryKeyBytes at a
// character boundary.
std::string DictionaryStartKey(std::string_view prefix, std::string_view start_term);

// One page of the dictionary of the database open in `space`. A line format that does not
// compile, a failing walk, no term of the prefix or an empty result list give an empty page.
DictionaryPage BrowseDictionary(EngineApi& engine, int space, const DictionaryRequest& request);

}  // namespace zarix
