// Search expressions of the catalogue's search language, cut into evaluation steps.
//
// An expression combines terms of the inverted file. Grammar (blanks between tokens are free,
// except inside quotes, where every character belongs to the term):
//
//   expression := or_expr
//   or_expr    := and_expr { "+" and_expr }                      OR
//   and_expr   := pos_expr { ( "*" | "^" ) pos_expr }            AND, AND NOT; left to right
//   pos_expr   := primary { pos_op primary }                     positional; left to right
//   pos_op     := "(G)" | "(F)" | "." .. ".........." | "$" .. "$$$$$$$$$$"
//   primary    := operand | "(" or_expr ")"
//   operand    := term [ "[...]" term ]                          a range of dictionary terms
//   term       := '"' { any character but '"' } '"' [ restriction ]
//               | word                                           an unquoted term
//   restriction:= "/(" tags ")"                                  e.g. /(700) or /(200,700)
//   word       := characters up to a blank, '"', "(", ")", "+", "*", "^" or "[...]", not
//                 beginning with "#" (which marks step references);
//                 a "/(" inside a word takes everything to the next ")" as its restriction
//
// Precedence from strongest: the positional operators, then "*" and "^", then "+". "(G)" and
// "(F)" (either case) are always operators, never a parenthesised word. A run of points or of
// dollar signs standing where an operator may stand is a distance operator (usually written
// between blanks: " . ", " $$ "); inside a term they belong to the term ("K=A$" is truncation).
//
// Steps: every operator node becomes one step whose operands are its terms (as written, quotes
// and marks included) and "#n" references to the steps of its sub-expressions (steps count from
// 1 and come before the steps that use them; the last step is the whole expression). A chain of
// the same operator is one step with all its operands ("A * B * C", "A ^ B ^ C" = A without B
// and C, "A . B . C" = a chain of distances); a change of operator closes the step so far and
// makes it the first operand of the next. A lone term is one OR step with that term.
//
// Operator codes of a step:
//   0 "+" OR, 1 "*" AND, 2 "^" NOT (the first operand without all others), 3 "(G)" same field,
//   4 "(F)" same field occurrence, 5..14 " . " .. " .......... " (ordered distance 1..10),
//   15..24 " $ " .. " $$$$$$$$$$ " (distance 1..10 in either order).
//
// Pure functions; thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

inline constexpr int kOpOr = 0;
inline constexpr int kOpAnd = 1;
inline constexpr int kOpNot = 2;
inline constexpr int kOpSameField = 3;
inline constexpr int kOpSameOccurrence = 4;
inline constexpr int kOpOrderedDistance = 5;  // + distance - 1
inline constexpr int kOpAnyOrderDistance = 15;  // + distance - 1
inline constexpr int kMaxDistance = 10;
// Parentheses deeper than this are a syntax error ("parentheses nested too deeply").
inline constexpr int kMaxSearchNesting = 100;

// True for the distance codes; *distance (1..10) and *ordered describe them.
bool IsDistanceOp(int op, int* distance = nullptr, bool* ordered = nullptr);

struct SearchStep {
  int op = kOpOr;
  std::vector<std::string> operands;  // terms as written, or "#n"

  bool operator==(const SearchStep&) const = default;
};

// Cuts `expression` into steps (*steps emptied first). Returns 0; an expression of blanks only
// gives no steps. On a syntax error returns -1, leaves *steps empty and, when `error` is not
// null, sets it to "position: message" (position of the offending byte, from 1).
int ParseSearchExpression(std::string_view expression, std::vector<SearchStep>* steps,
                          std::string* error = nullptr);

}  // namespace zarix
