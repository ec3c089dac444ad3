// Search evaluation against databases of the real engine library: the TermIndex and
// RecordSource seams over EngineApi, with a small morphology database made here.
#include "search/engine_term_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/search_evaluation.h"
#include "zarix64/database.h"
#include "zarix64/engine_test_util.h"

namespace zarix {
namespace {

class EngineTermIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    api_ = EngineApi::Load(ZARIX64_LIBRARY);
    ASSERT_TRUE(api_->status().ok()) << api_->status().message;
    db::testing::OpenTestDb(dir_).reset();
    dir_.Write("morph.fst", "10 8 (|K=|v10/)\n20 8 (|K=|v20/)\n");
    db::OpenOptions options;
    options.master_prefix = dir_.path() + "morph";
    options.create_if_missing = true;
    std::unique_ptr<db::Database> morph;
    ASSERT_TRUE(db::Database::Open(options, &morph).ok());
    morph.reset();

    cat_ = OpenSpace("cat");
    morph_ = OpenSpace("morph");
    AddRecord(cat_, {{610, "run fast"}, {700, "^aSmith John"}});
    AddRecord(cat_, {{610, "he runs"}, {610, "fast"}});
    AddRecord(cat_, {{610, "she ran"}});
    AddRecord(cat_, {{610, "rune stone"}, {700, "^aSmith Anna"}});
    AddRecord(morph_, {{10, "run"}, {20, "runs"}, {20, "ran"}, {20, "running"}});
  }

  void TearDown() override {
    if (cat_ > 0) api_->Zarixclose(cat_);
    if (morph_ > 0) api_->Zarixclose(morph_);
  }

  int OpenSpace(const std::string& name) {
    const int space = api_->Zarixinit();
    EXPECT_GT(space, 0);
    api_->ZarixInitUACTAB(space);
    EXPECT_EQ(api_->Zarixinitmst(space, dir_.path() + name, 5), 0);
    EXPECT_EQ(api_->Zarixinitterm(space, dir_.path() + name), 0);
    EXPECT_EQ(api_->ZarixInitInvContext(space, "", "", 0, "", ""), 0);
    return space;
  }

  void AddRecord(int space, const std::vector<std::pair<int, std::string>>& fields) {
    api_->Zarixnewrec(space, 0);
    for (const auto& [tag, text] : fields) api_->Zarixfldadd(space, 0, tag, text);
    int status = 1;
    ASSERT_EQ(api_->ZarixRecUpdateTime(space, 0, 0, 1, 0, &status, nullptr), 0);
  }

  std::vector<Mfn> Search(SearchEnv& env, const std::string& expression) {
    TIntList result;
    std::string error;
    EXPECT_EQ(RunSearch(env, expression, &result, false, &error), 0) << expression << error;
    return result.Items();
  }

  db::testing::TempDir dir_;
  std::unique_ptr<EngineApi> api_;
  int cat_ = 0;
  int morph_ = 0;
};

TEST_F(EngineTermIndexTest, Evaluates) {
  EngineTermIndex index(*api_, cat_);
  SearchEnv env;
  env.index = &index;
  struct Case {
    const char* expression;
    std::vector<Mfn> mfns;
  } cases[] = {
      {"\"RUN\"", {1}},
      {"\"RUN$\"", {1, 2, 4}},
      {"\"A=SMITH\"", {1, 4}},
      {"\"A=SMITH\"*\"RUN$\"", {1, 4}},
      {"\"RUN$\"^\"A=SMITH\"", {2}},
      {"\"RUN$\"/(700)", {}},
      {"\"RUN\" . \"FAST\"", {1}},
      {"\"RUNS\" $$ \"FAST\"", {}},
      {"\"RUNS\" (G) \"FAST\"", {2}},
      {"\"RUNS\" (F) \"FAST\"", {}},
      {"\"A=JOHN\" . \"A=SMITH\"", {}},
      {"\"A=SMITH\" . \"A=JOHN\"", {1}},
      {"\"A=A\"[...]\"A=JOHN\"", {1, 4}},
      {"\"RUNE\" [...] \"RUNS\"", {2, 4}},
      {"\"NOTHING$\"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Search(env, c.expression), c.mfns) << c.expression;
}

TEST_F(EngineTermIndexTest, Morphology) {
  EngineTermIndex index(*api_, cat_);
  EngineTermIndex morph_index(*api_, morph_);
  EngineRecordSource morph_records(*api_, morph_);
  SearchEnv env;
  env.index = &index;
  EXPECT_EQ(Search(env, "\"RUN@\""), (std::vector<Mfn>{1, 2, 4}));
  env.morph_index = &morph_index;
  env.morph_records = &morph_records;
  EXPECT_EQ(Search(env, "\"RUN@\""), (std::vector<Mfn>{1, 2, 3}));
  EXPECT_EQ(Search(env, "\"RAN@\"*\"FAST\""), (std::vector<Mfn>{1, 2}));

  std::vector<std::string> texts;
  EXPECT_EQ(morph_records.ReadField(1, 20, &texts), 0);
  EXPECT_EQ(texts, (std::vector<std::string>{"runs", "ran", "running"}));
  EXPECT_EQ(morph_records.ReadField(99, 20, &texts), 0);
  EXPECT_TRUE(texts.empty());
}

}  // namespace
}  // namespace zarix
