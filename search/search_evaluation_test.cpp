// Search evaluation over an in-memory catalogue: every operator, nesting, truncation, ranges,
// field restriction, positions, morphology, the term cache, failures and reverse order.
#include "search/search_evaluation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/memory_term_index.h"

namespace zarix {
namespace {

std::vector<Mfn> Items(const TIntList& list) { return list.Items(); }

class SearchEvaluationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::set<std::string> stop{"OF"};
    index_.AddText("K=", 1, 200, 1, "history of art", stop);
    index_.AddText("K=", 1, 700, 1, "smith john", stop);
    index_.AddText("K=", 2, 200, 1, "art history", stop);
    index_.AddText("K=", 2, 700, 1, "brown", stop);
    index_.AddText("K=", 3, 200, 1, "modern art", stop);
    index_.AddText("K=", 3, 200, 2, "history", stop);
    index_.AddText("K=", 4, 200, 1, "history of modern art", stop);
    index_.AddText("K=", 4, 610, 1, "history", stop);
    index_.AddText("K=", 5, 700, 1, "history", stop);
    const char* years[] = {"G=1989", "G=1990", "G=1995", "G=2000", "G=2001"};
    for (int i = 0; i < 5; ++i) index_.Add(years[i], i + 1, 210);
    env_.index = &index_;
  }

  std::vector<Mfn> Search(const std::string& expression, bool reverse = false) {
    TIntList result;
    std::string error;
    EXPECT_EQ(RunSearch(env_, expression, &result, reverse, &error), 0) << expression << error;
    return Items(result);
  }

  MemoryTermIndex index_;
  SearchEnv env_;
};

TEST_F(SearchEvaluationTest, Expressions) {
  struct Case {
    const char* expression;
    std::vector<Mfn> mfns;
  } cases[] = {
      {"\"K=HISTORY\"", {1, 2, 3, 4, 5}},
      {"\"k=history\"", {1, 2, 3, 4, 5}},
      {"K=ART", {1, 2, 3, 4}},
      {"\"K=HISTOR\"", {}},
      {"\"K=NOTHING\"", {}},
      // OR, AND, NOT.
      {"\"K=SMITH\"+\"K=BROWN\"+\"K=MODERN\"", {1, 2, 3, 4}},
      {"\"K=HISTORY\"*\"K=ART\"", {1, 2, 3, 4}},
      {"\"K=HISTORY\"*\"K=ART\"*\"K=MODERN\"", {3, 4}},
      {"\"K=HISTORY\"^\"K=ART\"", {5}},
      {"\"K=HISTORY\"^\"K=SMITH\"^\"K=BROWN\"", {3, 4, 5}},
      {"\"K=NOTHING\"^\"K=ART\"", {}},
      // Empty intersections.
      {"\"K=SMITH\"*\"K=BROWN\"", {}},
      {"\"K=SMITH\"*\"K=NOTHING\"*\"K=ART\"", {}},
      // Nesting.
      {"(\"K=MODERN\"+\"K=SMITH\")*(\"K=HISTORY\"^\"K=BROWN\")", {1, 3, 4}},
      {"\"K=HISTORY\"^(\"K=SMITH\"+\"K=BROWN\")", {3, 4, 5}},
      {"(\"K=HISTORY\"^\"K=ART\")+\"K=SMITH\"", {1, 5}},
      {"\"K=SMITH\"+\"K=BROWN\"*\"K=MODERN\"", {1}},
      // Truncation.
      {"\"K=HIST$\"", {1, 2, 3, 4, 5}},
      {"\"K=MOD$\"", {3, 4}},
      {"\"K=ZZZ$\"", {}},
      {"\"K=$\"*\"K=BROWN\"", {2}},
      // Field restriction.
      {"\"K=HISTORY\"/(700)", {5}},
      {"\"K=HISTORY\"/(610, 700)", {4, 5}},
      {"\"K=HIST$\"/(200)", {1, 2, 3, 4}},
      {"\"K=HISTORY\"/(x,-3)", {1, 2, 3, 4, 5}},
      {"\"K=HISTORY\"/(99999999999999999999,7x00)", {1, 2, 3, 4, 5}},
      {"K=HISTORY/(610)", {4}},
      // Ranges.
      {"\"G=1990\"[...]\"G=2000\"", {2, 3, 4}},
      {"\"G=1991\"[...]\"G=2000\"", {3, 4}},
      {"\"G=1990\"[...]\"G=$\"", {2, 3, 4, 5}},
      {"\"G=1989\"[...]\"G=199$\"", {1, 2, 3}},
      {"\"G=2000\"[...]\"G=1990\"", {}},
      {"\"G=1990\"[...]\"G=2000\"*\"K=ART\"", {2, 3, 4}},
      // Same field, same occurrence.
      {"\"K=HISTORY\"(G)\"K=ART\"", {1, 2, 3, 4}},
      {"\"K=HISTORY\"(F)\"K=ART\"", {1, 2, 4}},
      {"\"K=HISTORY\"(G)\"K=SMITH\"", {}},
      {"\"K=HISTORY\"(G)\"K=ART\"(G)\"K=MODERN\"", {3, 4}},
      {"\"K=HISTORY\"/(610)(G)\"K=ART\"", {}},
      // Distances: ordered (points), either order (dollars); "OF" keeps its position.
      {"\"K=HISTORY\" . \"K=ART\"", {}},
      {"\"K=ART\" . \"K=HISTORY\"", {2}},
      {"\"K=HISTORY\" .. \"K=ART\"", {1}},
      {"\"K=HISTORY\" ... \"K=ART\"", {1, 4}},
      {"\"K=HISTORY\" $ \"K=ART\"", {2}},
      {"\"K=HISTORY\" $$ \"K=ART\"", {1, 2}},
      {"\"K=HISTORY\" ... \"K=MODERN\" . \"K=ART\"", {4}},
      {"\"K=HISTORY\" ... \"K=MODERN\" ... \"K=ART\"", {4}},
      {"\"K=MODERN\" . \"K=ART\"", {3, 4}},
      {"\"K=HIS$\" . \"K=MODERN\"", {}},
      {"\"K=HIS$\" .. \"K=MODERN\"", {4}},
      // A positional operator over a sub-expression acts as AND (its positions are unknown).
      {"(\"K=SMITH\"+\"K=BROWN\")(G)\"K=HISTORY\"", {1, 2}},
      {"\"K=HISTORY\"(F)(\"K=MODERN\"+\"K=SMITH\")", {1, 3, 4}},
      {"(\"K=SMITH\"+\"K=BROWN\") . \"K=ART\"", {1, 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(Search(c.expression), c.mfns) << c.expression;
}

TEST_F(SearchEvaluationTest, ReverseOrder) {
  EXPECT_EQ(Search("\"K=ART\"", true), (std::vector<Mfn>{4, 3, 2, 1}));
  EXPECT_EQ(Search("\"K=HISTORY\"^\"K=ART\"", true), (std::vector<Mfn>{5}));
}

TEST_F(SearchEvaluationTest, MfnLimit) {
  env_.max_mfn = 3;
  EXPECT_EQ(Search("\"K=HISTORY\""), (std::vector<Mfn>{1, 2, 3}));
}

TEST_F(SearchEvaluationTest, FailuresEndTheSearch) {
  index_.Add("K=BROKEN", 9);
  index_.FailOn("K=BROKEN");
  for (const char* expression :
       {"\"K=BROKEN\"", "\"K=ART\"+\"K=BROKEN\"", "\"K=ART\"*\"K=BROKEN\"",
        "\"K=ART\"^\"K=BROKEN\"", "\"K=ART\"(G)\"K=BROKEN\"", "\"K=BR$\"",
        "(\"K=ART\"+\"K=BROKEN\")*\"K=HISTORY\"", "\"\"[...]\"K=Z\""}) {
    TIntList result;
    result.Add(77);
    std::string error;
    EXPECT_EQ(RunSearch(env_, expression, &result, false, &error), -1) << expression;
    EXPECT_EQ(result.Count(), 0) << expression;
    EXPECT_NE(error.find("-802"), std::string::npos) << error;
  }
  // An empty intersection ends the step before the failing term is read.
  EXPECT_EQ(Search("\"K=SMITH\"*\"K=BROWN\"*\"K=BROKEN\""), std::vector<Mfn>{});
  // So does an empty first operand of NOT.
  EXPECT_EQ(Search("\"K=NOTHING\"^\"K=BROKEN\""), std::vector<Mfn>{});
}

TEST_F(SearchEvaluationTest, MalformedExpression) {
  TIntList result;
  std::string error;
  EXPECT_EQ(RunSearch(env_, "(\"K=ART\"", &result, false, &error), -1);
  EXPECT_EQ(error, "1: unbalanced \"(\"");
  EXPECT_EQ(RunSearch(env_, "", &result, false, &error), 0);
  EXPECT_EQ(result.Count(), 0);
}

TEST_F(SearchEvaluationTest, StepReferences) {
  std::vector<Mfn> a{1, 2, 3};
  std::vector<Mfn> b{2, 3, 4};
  std::vector<Mfn> out;
  struct Case {
    std::vector<StepOperand> operands;
    int op;
    std::vector<Mfn> mfns;
  } cases[] = {
      {{}, kOpAnd, {}},
      {{{{}, &a}, {{}, &b}}, kOpOr, {1, 2, 3, 4}},
      {{{{}, &a}, {{}, &b}}, kOpAnd, {2, 3}},
      {{{{}, &a}, {{}, &b}}, kOpNot, {1}},
      {{{"\"K=HISTORY\"", nullptr}, {{}, &a}}, kOpNot, {4, 5}},
      {{{{}, &b}, {"\"K=ART\"", nullptr}}, kOpNot, {}},
      {{{{}, &a}, {"\"K=MODERN\"", nullptr}}, kOpAnd, {3}},
      {{{{}, &a}, {"\"K=MODERN\"", nullptr}}, kOpSameOccurrence, {3}},
      {{{{}, &b}, {"\"K=ART\"", nullptr}}, kOpOrderedDistance, {2, 3, 4}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EvaluateStep(env_, c.operands, c.op, &out), 0);
    EXPECT_EQ(out, c.mfns) << c.op;
  }
}

TEST_F(SearchEvaluationTest, TermCache) {
  TermCache cache;
  env_.cache = &cache;
  env_.database = "IBIS";
  const int before = index_.find_calls();
  EXPECT_EQ(Search("\"K=ART\"*\"K=HISTORY\""), (std::vector<Mfn>{1, 2, 3, 4}));
  EXPECT_EQ(Search("\"K=ART\"+\"K=HISTORY\""), (std::vector<Mfn>{1, 2, 3, 4, 5}));
  EXPECT_EQ(index_.find_calls(), before + 2);
  ASSERT_NE(cache.Find("IBIS", "\"K=ART\""), nullptr);
  EXPECT_EQ(*cache.Find("IBIS", "\"K=ART\""), (std::vector<Mfn>{1, 2, 3, 4}));
  EXPECT_EQ(cache.Find("OTHER", "\"K=ART\""), nullptr);
  // NOT and the positional operators read the index themselves.
  Search("\"K=ART\"^\"K=HISTORY\"");
  Search("\"K=ART\"(G)\"K=HISTORY\"");
  EXPECT_EQ(index_.find_calls(), before + 6);
  // Full: the next new term empties it first.
  for (size_t i = cache.Size(); i < TermCache::kMaxTerms; ++i) {
    cache.Store("IBIS", "T" + std::to_string(i), {});
  }
  EXPECT_EQ(cache.Size(), TermCache::kMaxTerms);
  cache.Store("IBIS", "\"K=ART\"", {9});  // a replacement keeps the others
  EXPECT_EQ(cache.Size(), TermCache::kMaxTerms);
  cache.Store("IBIS", "NEW", {1});
  EXPECT_EQ(cache.Size(), 1u);
}

// A small morphology database: K= terms of word forms, records with the base form in field 10
// and the forms in field 20.
TEST_F(SearchEvaluationTest, Morphology) {
  index_.Add("K=RUN", 6);
  index_.Add("K=RUNS", 7);
  index_.Add("K=RAN", 8);
  index_.Add("K=RUNNING", 9);
  index_.Add("K=RUNE", 10);
  index_.Add("T=RAN", 11);
  MemoryTermIndex morph_index;
  MemoryRecordSource morph_records;
  morph_records.AddField(1, 10, "run");
  morph_records.AddField(1, 20, "runs");
  morph_records.AddField(1, 20, "ran");
  morph_records.AddField(1, 20, "running");
  for (const char* form : {"K=RUN", "K=RUNS", "K=RAN", "K=RUNNING"}) morph_index.Add(form, 1);

  // Without a morphology database "@" truncates.
  EXPECT_EQ(Search("\"K=RUN@\""), (std::vector<Mfn>{6, 7, 9, 10}));

  env_.morph_index = &morph_index;
  env_.morph_records = &morph_records;
  EXPECT_EQ(Search("\"K=RUN@\""), (std::vector<Mfn>{6, 7, 8, 9}));
  EXPECT_EQ(Search("\"K=RAN@\""), (std::vector<Mfn>{6, 7, 8, 9}));
  EXPECT_EQ(Search("\"T=RUNS@\""), (std::vector<Mfn>{11}));
  EXPECT_EQ(Search("\"K=RUN@\"/(1)*\"K=RAN\""), (std::vector<Mfn>{8}));
  // A word the morphology database does not know is taken as a stem.
  EXPECT_EQ(Search("\"K=RUNE@\""), (std::vector<Mfn>{10}));
  EXPECT_EQ(Search("\"K=RU@\""), (std::vector<Mfn>{6, 7, 9, 10}));
  // A failing morphology database fails the search.
  morph_index.FailOn("K=RUN");
  TIntList result;
  EXPECT_EQ(RunSearch(env_, "\"K=RUN@\"", &result, false), -1);
}

TEST(ParseTermOperandTest, Forms) {
  struct Case {
    const char* operand;
    TermOperand parsed;
  } cases[] = {
      {"\"K=a b\"", {"K=A B", false, false, false, "", false, {}}},
      {"K=WORD", {"K=WORD", false, false, false, "", false, {}}},
      {"\"K=WOR$\"", {"K=WOR", true, false, false, "", false, {}}},
      {"\"K=WORD@\"", {"K=WORD", false, true, false, "", false, {}}},
      {"\"K=W\"/(700, 200,0,x,700)", {"K=W", false, false, false, "", false, {200, 700}}},
      {"K=W$/(7)", {"K=W", true, false, false, "", false, {7}}},
      {"\"G=1\"[...]\"G=2$\"", {"G=1", false, false, true, "G=2", true, {}}},
      {"\"G=1@\"[...]\"G=2\"/(210)", {"G=1", true, false, true, "G=2", false, {210}}},
      {"\"A=X [...] Y\"", {"A=X [...] Y", false, false, false, "", false, {}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseTermOperand(c.operand), c.parsed) << c.operand;
  // Cut to the engine's term length on a character boundary.
  const std::string long_term = "K=" + std::string(300, 'a') + "\xD0\xB6";
  EXPECT_EQ(ParseTermOperand(long_term).text, "K=" + std::string(252, 'A'));
  const std::string cyr = "\"K=" + std::string(251, 'a') + "\xD0\xB6\xD0\xB6\"";
  EXPECT_EQ(ParseTermOperand(cyr).text.size(), 253u);
}

}  // namespace
}  // namespace zarix
