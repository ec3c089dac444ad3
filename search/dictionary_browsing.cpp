// Dictionary browsing over the engine's dictionary walk.
#include "search/dictionary_browsing.h"

#include <algorithm>

#include "util/unicode_upper.h"
#include "util/utf8.h"

namespace zarix {

namespace {

constexpr int kLineCapacity = 32000;

bool HasPrefix(std::string_view term, std::string_view prefix) {
  return term.substr(0, prefix.size()) == prefix;
}

// True when one of the current term's first `n` postings is a record of `results` (ascending).
bool TermInResults(EngineApi& e, int space, int n, const std::vector<Mfn>& results) {
  for (int k = 0; k < n && e.Zarixnxtpost(space) == 0; ++k) {
    const int mfn = e.Zarixposting(space, 1);
    if (std::binary_search(results.begin(), results.end(), static_cast<Mfn>(mfn))) return true;
  }
  return false;
}

// The line of one term: the format run with the term and its count added as fields; the added
// fields are removed again by the indexes they got (the record may hold fields of those tags).
std::string FormatLine(EngineApi& e, int space, const DictionaryRequest& r, std::string_view term,
                       int n) {
  int term_field = 0;
  int count_field = 0;
  if (r.term_tag > 0) term_field = e.Zarixfldadd(space, 0, r.term_tag, std::string(term));
  if (r.ndocs_tag > 0) count_field = e.Zarixfldadd(space, 0, r.ndocs_tag, std::to_string(n));
  std::string line;
  // Terms come from records: as page text their markup stays text.
  if (e.Zarix_Format(space, 0, 1, 1 | EngineApi::kFormatPageText, kLineCapacity) >= 0) {
    line = e.Zarix_FormatResult(space);
  }
  if (count_field > 0) e.Zarixfldrep(space, 0, count_field, "");
  if (term_field > 0) e.Zarixfldrep(space, 0, term_field, "");
  return line;
}

}  // namespace

std::string DictionaryStartKey(std::string_view prefix, std::string_view start_term) {
  const std::string key = UpperUtf8(std::string(prefix) + std::string(start_term));
  return std::string(CutUtf8Prefix(key, kMaxDictionaryKeyBytes));
}

DictionaryPage BrowseDictionary(EngineApi& e, int space, const DictionaryRequest& r) {
  DictionaryPage page;
  if (r.line_format.empty() || e.Zarix_InitPFT(space, r.line_format) != 0) return page;
  // A search that found nothing has no terms to show, rather than the whole dictionary.
  if (r.results != nullptr && r.results->empty()) return page;
  const std::string key = DictionaryStartKey(r.prefix, r.start_term);
  std::string term;
  if (e.Zarixfind(space, key, &term) < 0) {
    if (!r.show_prevterm) return page;
    term.clear();
  }
  if (r.show_prevterm) {
    std::string previous;
    if (e.Zarixprevterm(space, &previous) == 0 && HasPrefix(previous, r.prefix)) {
      term = std::move(previous);
    } else if (e.Zarixfind(space, key, &term) < 0) {
      return page;  // back on the start term, which the step back left
    }
  }
  if (!HasPrefix(term, r.prefix)) return page;

  page.walked = true;
  page.last_term = key;
  const bool filter = r.results != nullptr;
  const size_t prefix_chars = Utf8CharCount(r.prefix);
  int n = e.Zarixnposts(space);
  for (long long shown = 1; shown <= r.page_size;) {
    bool produced = false;
    if (n > 0 && Utf8CharCount(term) > prefix_chars &&
        (!filter || TermInResults(e, space, n, *r.results))) {
      const std::string_view bare = std::string_view(term).substr(r.prefix.size());
      page.last_term = bare;
      const std::string line = FormatLine(e, space, r, bare, n);
      page.text += line;
      produced = !line.empty();
    }
    if (e.Zarixnxtterm(space, &term) < 0) break;
    n = e.Zarixnposts(space);
    if (!HasPrefix(term, r.prefix)) break;
    if (produced) ++shown;
  }
  return page;
}

}  // namespace zarix
