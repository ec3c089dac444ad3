// EngineApi against the real libzarix64.so, a missing library and a library of another version.
#include "engine/engine_api.h"

#include <gtest/gtest.h>

#include "util/path.h"
#include "zarix64/database.h"
#include "zarix64/engine_test_util.h"

namespace zarix {
namespace {

TEST(EngineApiTest, BindsTheRealLibrary) {
  auto e = EngineApi::Load(ZARIX64_LIBRARY);
  ASSERT_TRUE(e->status().ok()) << e->status().message;
  EXPECT_EQ(e->Version(), "2020");
  EXPECT_TRUE(e->VersionOk());

  db::testing::TempDir dir;
  db::testing::OpenTestDb(dir).reset();
  const std::string prefix = dir.path() + "cat";
  const int space = e->Zarixinit();
  ASSERT_GT(space, 0);
  EXPECT_EQ(e->ZarixInitUACTAB(space), 0);
  ASSERT_EQ(e->Zarixinitmst(space, prefix, 5), 0);
  ASSERT_EQ(e->Zarixinitterm(space, prefix), 0);
  ASSERT_EQ(e->ZarixInitInvContext(space, "", "", 0, "isisacw", ""), 0);

  e->Zarixnewrec(space, 0);
  e->Zarixfldadd(space, 0, 200, "^aЗаглавие^eподзаголовок");
  e->Zarixfldadd(space, 0, 610, "data base");
  int status = 1, mfn = 0;
  EXPECT_EQ(e->ZarixRecUpdateTime(space, 0, 0, 1, 5, &status, &mfn), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(mfn, 1);
  EXPECT_EQ(e->ZarixGetGuid(space, 0).size(), 38u);
  ASSERT_EQ(e->ZarixRecord(space, 1, 1), 0);
  EXPECT_EQ(e->Zarixfield(space, 1, e->Zarixfieldn(space, 1, 200, 1), "e"), "подзаголовок");

  std::string term;
  EXPECT_EQ(e->Zarixfind(space, "DAT", &term), 1);
  EXPECT_EQ(term, "DATA");
  EXPECT_EQ(e->Zarixnposts(space), 1);
  EXPECT_EQ(e->Zarixnxtpost(space), 0);
  EXPECT_EQ(e->Zarixposting(space, 1), 1);
  EXPECT_EQ(e->Zarixprevterm(space, &term), 0);
  EXPECT_EQ(term, "BASE");

  ASSERT_EQ(e->Zarix_InitPFT(space, "v200^a"), 0);
  EXPECT_EQ(e->Zarix_Format(space, 1, 1, 1, 32000), 16);
  EXPECT_EQ(e->Zarix_FormatResult(space), "Заглавие");
  EXPECT_EQ(e->Zarixclose(space), 0);
}

TEST(EngineApiTest, ReportsAMissingLibrary) {
  auto e = EngineApi::Load("/nonexistent/folder/libzarix64.so");
  EXPECT_FALSE(e->status().ok());
  EXPECT_NE(e->status().message.find("/nonexistent/folder/libzarix64.so"), std::string::npos);
  EXPECT_EQ(e->Problem(), e->status().message);
  EXPECT_FALSE(e->VersionOk());
  EXPECT_EQ(e->Version(), "");
  // Unbound wrappers answer without crashing.
  EXPECT_EQ(e->Zarixinit(), 0);
  EXPECT_EQ(e->ZarixRecord(1, 0, 1), EngineApi::kNotBound);
  EXPECT_EQ(e->Zarixfield(1, 0, 1), "");
  std::string term = "x";
  EXPECT_EQ(e->Zarixfind(1, "KEY", &term), EngineApi::kNotBound);
  EXPECT_EQ(term, "");
}

TEST(EngineApiTest, ABareNameNotFoundSaysWhereItWasLookedFor) {
  auto e = EngineApi::Load("libzarix64_absent.so");
  const std::string problem = e->Problem();
  EXPECT_NE(problem.find("libzarix64_absent.so: cannot open shared object file"), std::string::npos)
      << problem;
  const std::string looked = "looked in " + ProgramDir() + ", " + ProgramDir() +
                             EngineApi::kEngineDirFromProgram + ", then LD_LIBRARY_PATH";
  EXPECT_NE(problem.find(looked), std::string::npos) << problem;
}

TEST(EngineApiTest, RefusesAnotherVersion) {
  // A bare name: found in the program's folder, where the test build puts the fake library.
  auto e = EngineApi::Load("libfake_zarix64.so");
  EXPECT_EQ(e->Version(), "1999");
  EXPECT_FALSE(e->VersionOk());
  EXPECT_NE(e->status().message.find("no function zarix_uatab_init"), std::string::npos)
      << e->status().message;
  EXPECT_EQ(e->Zarixmaxmfn(1), EngineApi::kNotBound);
}

}  // namespace
}  // namespace zarix
