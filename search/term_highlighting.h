// Term highlighting: the words of the query marked in every found record.
//
// A request builds its mark list once (BuildMarkList): the words of the highlight terms and of
// the full-text request, each with its other forms (the morphology database's forms when one is
// open, else the word's stem for keyword terms). ColorTerms then finishes each formatted record:
// numbering placeholders, gateway paths, and MarkTerms, which wraps every occurrence of a form in
// the text with the configured prefix and suffix (EXTPREF, EXTPOST).
//
// MarkTerms matches whole words only: a form must begin a word, and a form followed by more
// letters stands only when the whole word (at most 10 letters longer) or its stem equals it, so
// that a stem marks the inflected forms of its word and nothing else. Text inside HTML tags and
// character references ("&amp;") is never marked; "<.>" starts a stretch that is not marked, "<!>" toggles it, and after "<?>"
// nothing further is marked.
//
// All functions are pure apart from the morphology look-ups of ExpandWordForms; thread-safe when
// the tables and the index are not shared.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/term_index.h"
#include "search/word_tables.h"
#include "util/types.h"

namespace zarix {

// Where ExpandWordForms finds word characters, stop words and the morphology database. The
// pointers are not owned; without `tables` words are runs of Unicode letters and digits; without
// both morphology pointers there is no morphology database.
struct WordFormSource {
  const WordTables* tables = nullptr;
  TermIndex* morph_index = nullptr;
  RecordSource* morph_records = nullptr;
};

// The most words one text contributes to a mark list.
inline constexpr size_t kMaxMarkWords = 100000;

// Splits `text` into words (upper-cased, stop words dropped; a word hyphenated at a line end is
// joined) and appends each word's forms to *forms unless already there: the morphology forms when
// the database knows the word, else with `stem` the word and its stem, else the word.
void ExpandWordForms(std::string_view text, std::vector<std::string>* forms, bool stem,
                     const WordFormSource& source);

// The mark list of a request: ExpandWordForms of `ft_request` with stemming, then of every item
// of `highlight_terms` (items "PREFIX=word" separated by "|" or line breaks; an item without "="
// is skipped) whose word is longer than `min_color_count` characters, stemmed when the prefix is
// "K" or "KT".
std::vector<std::string> BuildMarkList(std::string_view ft_request,
                                       std::string_view highlight_terms, long long min_color_count,
                                       const WordFormSource& source);

struct MarkStyle {
  std::string prefix = "<b><font color=red>";  // EXTPREF
  std::string suffix = "</font></b>";          // EXTPOST
  long long min_color_count = 2;               // forms of this many characters or fewer: unused
};

// Wraps every occurrence of a form of `forms` (upper case) in `text` with the style's prefix and
// suffix and returns the result; the text keeps its letter case. An empty text or list gives the
// text unchanged.
std::string MarkTerms(std::string_view text, const std::vector<std::string>& forms,
                      const MarkStyle& style);

// What ColorTerms needs of the request, gathered once per request.
struct ColorTermsSettings {
  bool enabled = true;                                        // S21COLORTERMS is not "0"
  std::string cgi_path = "/cgi-bin/zarix64r/cgizarix64.exe";  // [WEB] CGI_ALIAS
  std::string http_path = "/zarix64r";                        // [WEB] http_path
  MarkStyle style;
  std::vector<std::string> forms;  // the request's mark list
};

// Finishes one formatted result entry in place: the first "<--MFNCOUNT-->" becomes index + 1 and
// the first "<--MFN-->" the MFN; when enabled, every "<--CGI_PATH-->" and "<--HTTP_PATH-->"
// becomes the gateway's paths and the mark list is applied. Returns the finished text.
const std::string& ColorTerms(std::string* text, Mfn mfn, long long index,
                              const ColorTermsSettings& settings);

}  // namespace zarix
