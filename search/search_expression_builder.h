// The search form of a request becomes one search expression and the list of terms that the
// result pages highlight.
//
// A form holds search groups: the fields S21LOG, S21P01 ... S21P07 and S21STR, one set per
// group, told apart by the text written in front of the names ("1S21STR" and "1S21P01" belong to
// group "1"; the plain names to the group with the empty key). Per group: S21LOG the operator
// between its terms (first character "0" OR, "1" AND, "2" adjacency, "3" NOT, anything else AND;
// "4" a full-text request, "5" a range from S21P06 to S21P07), S21P01 the kind of terms made of
// S21STR (0 the whole text, 1 its words, 2 the text up to the first blank, 3 word stems,
// 4 full-text request, 5 none, 6 the first word), S21P02 "1" right truncation, S21P03 the term
// prefix, S21P04 the field tags the terms are restricted to. An expression carried from an
// earlier page in S21All is ANDed with the new groups; on the wire a double quote inside S21All
// is written "<.>".
//
// Not thread-safe: works on the caller's request fields.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "search/word_tables.h"
#include "util/request_fields.h"

namespace zarix {

// What GetSearchString needs of the request. The pointers are not owned. Without the request's
// fields nothing is built; without `tables` words are runs of Unicode letters and digits and
// there are no stop words.
struct SearchFormContext {
  RequestFields* fields = nullptr;              // the request: read, and written (S21All, ...)
  const WordTables* tables = nullptr;           // the searched database's alphabet and stop words
  long long min_color_count = 2;                // MIN_COLOR_COUNT: shorter words are not searched
  bool morphology = false;                      // the request's morphology switch (database open)
  std::function<void(std::string_view)> trace;  // trace labels; empty when tracing is off
};

// One group of the form, with the defaults that stand before its fields are read.
struct SearchGroup {
  std::string log = "0";  // S21LOG
  std::string p01 = "0";  // kind of terms
  std::string p02 = "0";  // "1": right truncation
  std::string p03;        // term prefix
  std::string p04;        // field tags
  std::string p06;        // range: lower end
  std::string p07;        // range: upper end
  std::string str;        // S21STR
};

struct SearchString {
  std::string expression;                    // may be empty
  std::string term_text;                     // each highlight term followed by "|"
  std::vector<std::string> highlight_terms;  // HighlightTerms: prefix + word, in order
};

// Builds the expression and the highlight terms from the request's fields. Side effects on the
// fields: S21All and S21AllTrm are removed and written anew when not empty (the
// expression with every double quote as "<.>", the term text); a full-text group writes
// FT_REQUEST and FT_PREFIX. Never throws: a failure is traced as "ERROR GetSearchString" and
// the results stand as far as they were built.
SearchString GetSearchString(const SearchFormContext& context);

// Every "<.>" turned into a double quote, repeated until none is left ("<<.>.>" gives one).
std::string DecodeWireQuotes(std::string_view text);
// Every double quote written as "<.>".
std::string EncodeWireQuotes(std::string_view text);

// The terms of an expression, for highlighting: every term operand without quotes, field
// restriction and truncation or morphology mark, cleaned like a request value. Ranges and
// references give none; a malformed expression gives none.
std::vector<std::string> UnpackSearchTerms(std::string_view expression);

}  // namespace zarix
