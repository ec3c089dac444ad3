// Search evaluation: a search expression becomes the ascending list of the MFNs it finds.
//
// RunSearch cuts the expression into steps (ParseSearchExpression) and evaluates them in order;
// each step (EvaluateStep) combines its operands, terms of the inverted file and the results of
// earlier steps ("#n"), with the step's operator; the last step gives the result.
//
// Terms. An operand is parsed by ParseTermOperand:
//   "K=WORD"          the dictionary term K=WORD (quotes optional; the text is upper-cased and
//                     cut to the engine's 254 bytes)
//   "K=WOR$"          right truncation: every term that begins with K=WOR
//   "K=WORD@"         morphology: K=WORD and every form the morphology database holds for WORD
//                     (records found under K=WORD there: base form in field 10, forms in field
//                     20), each searched with the term's prefix; without a morphology database,
//                     or for a word it does not know, "@" acts as "$"
//   "K=A"/(700,200)   only postings of the listed field tags (items that are not positive
//                     integers are dropped; no item left means no restriction)
//   "G=1990"[...]"G=2000"   every term from the first (a miss starts at the next term) up to
//                     the second, compared by UTF-16 code units; a truncated upper bound also
//                     takes the terms that begin with it. (For UTF-8 text this differs from byte
//                     order only between supplementary characters and U+E000..U+FFFF.)
//
// Operators (codes of expression_parser.h):
//   OR: union. AND: intersection; an empty one ends the step without reading further terms.
//   NOT: the first operand's records without those of all other operands.
//   (G): AND, and the record must hold all operands in one field tag.
//   (F): AND, and all operands in one occurrence of one field tag.
//   " . " .. " .......... " (n points): AND, and in one occurrence of one field each operand's
//     word follows the previous operand's word by 1..n positions (" . " = the next word;
//     stop words keep their positions, so "HISTORY . ART" misses "history of art" where
//     "HISTORY .. ART" finds it).
//   " $ " .. " $$$$$$$$$$ " (n dollars): as the points, but in either order (1..n positions
//     apart).
// The positions of a sub-expression's records are not kept, so a positional operator with a
// reference to an earlier step among its operands acts as AND.
//
// Not thread-safe: the index walks are stateful.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/expression_parser.h"
#include "search/term_cache.h"
#include "search/term_index.h"
#include "util/int_list.h"
#include "util/types.h"

namespace zarix {

// Where and how a search looks terms up. The pointers are not owned.
struct SearchEnv {
  TermIndex* index = nullptr;  // REQUIRES: not null for any term lookup
  // The morphology database; both null when morphology is off.
  TermIndex* morph_index = nullptr;
  RecordSource* morph_records = nullptr;
  // The request's term cache (USE_CASH_TERMS), or null; `database` is its key.
  TermCache* cache = nullptr;
  std::string database;
  // Postings above this MFN are not read (0: no limit). Results with a limit are not cached.
  Mfn max_mfn = 0;
};

inline constexpr size_t kMaxTermBytes = 254;

// A term operand, parsed.
struct TermOperand {
  std::string text;      // upper-cased, without quotes, marks and restriction
  bool truncated = false;
  bool morphology = false;  // "@": morphological forms wanted
  bool range = false;
  std::string upper;        // range: the upper bound
  bool upper_truncated = false;
  std::vector<FieldTag> tags;  // empty: any field

  bool operator==(const TermOperand&) const = default;
};

TermOperand ParseTermOperand(std::string_view operand);

// The records (ascending, no repeats) of one term operand into *mfns, and when `postings` is
// not null every kept posting (ascending) into *postings. Returns 0, or the negative code of a
// failed index walk.
int LookupTerm(SearchEnv& env, const TermOperand& term, std::vector<Mfn>* mfns,
               std::vector<Posting>* postings);

// One operand of a step: a term as written, or a reference to an earlier step's result.
struct StepOperand {
  std::string term;
  const std::vector<Mfn>* ref = nullptr;  // not null: a reference (ascending MFNs)
};

// Evaluates one step into *target (emptied first; ascending MFNs). `op` is an operator code of
// expression_parser.h. Returns 0, or a negative code when a term lookup failed (*target then
// empty).
int EvaluateStep(SearchEnv& env, const std::vector<StepOperand>& operands, int op,
                 std::vector<Mfn>* target);

// Evaluates `expression` into *result (emptied first): ascending MFNs, or descending when
// `reverse`. Returns 0, or -1 when the expression is malformed or a step fails (*error, when
// not null, then says why; *result stays empty).
int RunSearch(SearchEnv& env, std::string_view expression, TIntList* result, bool reverse,
              std::string* error = nullptr);

}  // namespace zarix
