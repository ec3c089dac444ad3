// Fuzz target of term marking over record text (records come from other libraries' files): the
// input's first line is the highlight-term text, the rest the formatted record. Marking must only
// insert the mark-up: removing every inserted prefix and suffix gives the text back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "search/term_highlighting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t eol = input.find('\n');
  const std::string_view terms = input.substr(0, eol);
  const std::string_view text = eol == std::string_view::npos ? "" : input.substr(eol + 1);
  const std::vector<std::string> forms = zarix::BuildMarkList(terms, terms, 2, {});
  zarix::MarkStyle style;
  // Byte sequences that are never valid UTF-8, so they cannot come from the text itself when
  // the text is valid.
  style.prefix = "\xFF\xFE";
  style.suffix = "\xFE\xFF";
  const std::string marked = zarix::MarkTerms(text, forms, style);
  if (text.find('\xFF') != std::string_view::npos || text.find('\xFE') != std::string_view::npos) {
    return 0;
  }
  std::string plain;
  for (size_t i = 0; i < marked.size(); ++i) {
    if (i + 1 < marked.size() && (marked[i] == '\xFF' || marked[i] == '\xFE')) {
      ++i;
      continue;
    }
    plain += marked[i];
  }
  if (plain != text) std::abort();
  return 0;
}
