// Expression parser: steps, precedence, chains, quoting and syntax errors.
#include "search/expression_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarix {
namespace {

// Steps written one per "|": operator code, ":", operands joined by ",".
std::string Show(const std::vector<SearchStep>& steps) {
  std::string out;
  for (const SearchStep& s : steps) {
    if (!out.empty()) out += " | ";
    out += std::to_string(s.op) + ":";
    for (size_t i = 0; i < s.operands.size(); ++i) {
      if (i > 0) out += ",";
      out += s.operands[i];
    }
  }
  return out;
}

TEST(ParseSearchExpressionTest, Steps) {
  struct Case {
    const char* expression;
    const char* steps;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"\"K=A\"", "0:\"K=A\""},
      {"((\"K=A\"))", "0:\"K=A\""},
      {"K=A", "0:K=A"},
      {"\"K=A\"+\"K=B\"", "0:\"K=A\",\"K=B\""},
      {"\"K=A\" * \"K=B\" * \"K=C\"", "1:\"K=A\",\"K=B\",\"K=C\""},
      {"\"K=A\"^\"K=B\"^\"K=C\"", "2:\"K=A\",\"K=B\",\"K=C\""},
      // "*" binds tighter than "+".
      {"\"A\"+\"B\"*\"C\"", "1:\"B\",\"C\" | 0:\"A\",#1"},
      {"\"A\"*\"B\"+\"C\"", "1:\"A\",\"B\" | 0:#1,\"C\""},
      // "*" and "^" share a level, left to right.
      {"\"A\"*\"B\"^\"C\"", "1:\"A\",\"B\" | 2:#1,\"C\""},
      {"\"A\"^\"B\"*\"C\"", "2:\"A\",\"B\" | 1:#1,\"C\""},
      // Positional operators bind tightest.
      {"\"A\"*\"B\"(G)\"C\"", "3:\"B\",\"C\" | 1:\"A\",#1"},
      {"\"A\" (F) \"B\" + \"C\"", "4:\"A\",\"B\" | 0:#1,\"C\""},
      {"\"A\" . \"B\" . \"C\"", "5:\"A\",\"B\",\"C\""},
      {"\"A\" .. \"B\"", "6:\"A\",\"B\""},
      {"\"A\" .......... \"B\"", "14:\"A\",\"B\""},
      {"\"A\" $ \"B\"", "15:\"A\",\"B\""},
      {"\"A\" $$$ \"B\"", "17:\"A\",\"B\""},
      {"\"A\" . \"B\" .. \"C\"", "5:\"A\",\"B\" | 6:#1,\"C\""},
      {"\"a\" (g) \"b\"", "3:\"a\",\"b\""},
      // Parentheses group.
      {"(\"K=A\"+\"K=B\")(G)\"K=C\"", "0:\"K=A\",\"K=B\" | 3:#1,\"K=C\""},
      {"(\"A\"+\"B\")*(\"C\"+\"D\")", "0:\"A\",\"B\" | 0:\"C\",\"D\" | 1:#1,#2"},
      // Quotes hold blanks and operator characters.
      {"\"T=WAR + PEACE (G) . $\"*\"K=A\"", "1:\"T=WAR + PEACE (G) . $\",\"K=A\""},
      // Marks, restrictions and ranges stay in the operand.
      {"\"K=AB$\"/(700, 701)+\"K=C@\"", "0:\"K=AB$\"/(700, 701),\"K=C@\""},
      {"\"G=1990\"[...]\"G=2000$\"*\"K=A\"", "1:\"G=1990\"[...]\"G=2000$\",\"K=A\""},
      {"\"G=1990\" [...] \"G=\"", "0:\"G=1990\"[...]\"G=\""},
      {"K=A/(700)*K=B.C$", "1:K=A/(700),K=B.C$"},
      // A group of one term is no step of its own.
      {"(\"K=A\")*(\"K=B\")", "1:\"K=A\",\"K=B\""},
      {"(\"K=HISTORY\"*\"K=ART\")", "1:\"K=HISTORY\",\"K=ART\""},
  };
  for (const Case& c : cases) {
    std::vector<SearchStep> steps;
    std::string error;
    EXPECT_EQ(ParseSearchExpression(c.expression, &steps, &error), 0) << c.expression << error;
    EXPECT_EQ(Show(steps), c.steps) << c.expression;
  }
}

TEST(ParseSearchExpressionTest, Errors) {
  struct Case {
    const char* expression;
    const char* error;
  } cases[] = {
      {"\"K=A", "1: unterminated quote"},
      {"(\"K=A\"", "1: unbalanced \"(\""},
      {"\"K=A\")", "6: unbalanced \")\""},
      {"\"K=A\"+", "7: term expected at end"},
      {"+\"K=A\"", "1: term expected"},
      {"()", "2: empty parentheses"},
      {"\"A\"\"B\"", "4: operator expected"},
      {"\"A\" ........... \"B\"", "5: distance above 10"},
      {"\"A\"[...]", "9: range without upper term"},
      {"\"A\"/(700", "4: unterminated field list"},
      {"\"A\"+#1", "5: \"#\" outside quotes"},
  };
  for (const Case& c : cases) {
    std::vector<SearchStep> steps{SearchStep{}};
    std::string error;
    EXPECT_EQ(ParseSearchExpression(c.expression, &steps, &error), -1) << c.expression;
    EXPECT_EQ(error, c.error) << c.expression;
    EXPECT_TRUE(steps.empty());
  }
}

TEST(ParseSearchExpressionTest, DistanceCodes) {
  int distance = 0;
  bool ordered = false;
  EXPECT_TRUE(IsDistanceOp(5, &distance, &ordered));
  EXPECT_EQ(distance, 1);
  EXPECT_TRUE(ordered);
  EXPECT_TRUE(IsDistanceOp(24, &distance, &ordered));
  EXPECT_EQ(distance, 10);
  EXPECT_FALSE(ordered);
  EXPECT_FALSE(IsDistanceOp(4));
  EXPECT_FALSE(IsDistanceOp(25));
}

}  // namespace
}  // namespace zarix
