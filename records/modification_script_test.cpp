// The record-modification language on shelves of the real engine library: result texts, field
// statements, control flow and their bounds. Scripts that reach other databases are tested
// through whole requests (tests/records_update_test.cpp).
#include "records/modification_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_api.h"
#include "records/record_update.h"

namespace zarix {
namespace {

using Fields = std::vector<std::pair<int, std::string>>;

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    api_ = EngineApi::Load(ZARIX64_LIBRARY);
    ASSERT_TRUE(api_->status().ok()) << api_->status().message;
    space_ = api_->Zarixinit();
    ASSERT_GT(space_, 0);
  }
  void TearDown() override { api_->Zarixclose(space_); }

  void SetRecord(const Fields& fields) {
    api_->Zarixnewrec(space_, 1);
    for (const auto& [tag, text] : fields) api_->Zarixfldadd(space_, 1, tag, text);
  }
  Fields Record() {
    Fields out;
    const int n = api_->Zarixnfields(space_, 1);
    for (int f = 1; f <= n; ++f) {
      out.emplace_back(api_->Zarixfldtag(space_, 1, f), api_->Zarixfield(space_, 1, f));
    }
    return out;
  }
  std::string Run(const std::string& text) {
    TPList script;
    script.SetText(text);
    ScriptDatabases dbs;
    dbs.database = "NONE";
    dbs.datapath = "/nonexistent-zarix-test/";
    std::vector<OpenedSpace> opened;
    std::string result = RunModificationScript(*api_, space_, 1, dbs, script, &opened);
    EXPECT_TRUE(opened.empty());
    return result;
  }

  std::unique_ptr<EngineApi> api_;
  int space_ = 0;
};

const Fields kRecord = {{200, "^aTitle^eSub"}, {610, "a"}, {610, "b"}, {610, "c"}};

TEST_F(ScriptTest, ResultTexts) {
  struct Case {
    const char* what;
    const char* script;
    const char* result;
  };
  const Case cases[] = {
      {"empty script", "", "PARAM_ERROR=@@@IND_ERROR=0@@@"},
      {"only parameters", "0\n", ""},
      {"PUTLOG", "0\nPUTLOG\n'x'\n", "GBL_PROTOCOL=x@@@#"},
      {"PUTLOG lines, then an error", "0\nPUTLOG\n'x'/'y'\nADD\nabc\n\n'1'\n\n",
       "GBL_PROTOCOL=x@@@GBL_PROTOCOL=y@@@#MET_ERROR=abc@@@IND_ERROR=3@@@"},
      {"MET_ERROR", "0\nADD\nabc\n\n'x'\n\nADD\n700\n\n'never'\n\n",
       "MET_ERROR=abc@@@IND_ERROR=1@@@"},
      {"REP_ERROR", "0\nREP\n610\nQ\n'x'\n\n", "REP_ERROR=Q@@@IND_ERROR=1@@@"},
      {"REP_ERROR after L-", "0\nREP\n610\nL-x\n'x'\n\n", "REP_ERROR=x@@@IND_ERROR=1@@@"},
      {"UNTIL alone", "0\nUNTIL\n'1'\n", "FORMAT_ERROR=REPEAT_UNTIL@@@IND_ERROR=1@@@"},
      {"endless loop", "0\nREPEAT\nUNTIL\n'1'\n", "FORMAT_ERROR=REPEAT_UNTIL@@@IND_ERROR=2@@@"},
      {"a loop over a growing record", "0\nREPEAT\nADD\n700\n\n'x'\n\nUNTIL\n'1'\n",
       "FORMAT_ERROR=REPEAT_UNTIL@@@IND_ERROR=2@@@"},
      {"EMPTY outside a block", "0\nEMPTY\n", "GBL_ERROR=EMPTY@@@IND_ERROR=1@@@"},
      {"unknown database", "0\nNEWMFN\n'NOPE'\nEND\n", "DBN_ERROR=-1111=NOPE@@@IND_ERROR=1@@@"},
      {"unsafe database name", "0\nNEWMFN\n'../x'\nEND\n", "DBN_ERROR=-1=../X@@@IND_ERROR=1@@@"},
      {"negative parameter count", "-3\nPUTLOG\n'n'\n", "GBL_PROTOCOL=n@@@#"},
      {"UTF-8 file", "!1\nп\nз\nPUTLOG\n'ё'\n", "GBL_PROTOCOL=ё@@@#"},
  };
  for (const Case& c : cases) {
    SetRecord(kRecord);
    EXPECT_EQ(Run(c.script), c.result) << c.what;
  }
  std::string lines;
  for (int k = 0; k < 200; ++k) lines += "'x'/";
  SetRecord(kRecord);
  EXPECT_EQ(Run("0\nREPEAT\nADD\n700\n\n" + lines + "\n\nUNTIL\n'1'\n"),
            "MEMORY_ERROR=FIELDS@@@IND_ERROR=2@@@");
  SetRecord(kRecord);
  const std::string bad = Run("0\nIF\n'unclosed\nFI\n");
  EXPECT_EQ(bad.rfind("FORMAT_ERROR=-", 0), 0u) << bad;
  EXPECT_NE(bad.find("'unclosed...@@@IND_ERROR=1@@@"), std::string::npos) << bad;
}

TEST_F(ScriptTest, FieldStatements) {
  struct Case {
    const char* what;
    const char* script;
    Fields after;
  };
  const Case cases[] = {
      {"ADD lines",
       "0\nADD\n700\n\n'x'/'y'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "b"}, {610, "c"}, {700, "x"}, {700, "y"}}},
      {"ADD subfield into occurrence",
       "0\nADD\n610^z\n2\n'q'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "b^zq"}, {610, "c"}}},
      {"ADD subfield replaces it",
       "0\nADD\n200^e\nF\n'New'\n\n",
       {{200, "^aTitle^eNew"}, {610, "a"}, {610, "b"}, {610, "c"}}},
      {"REP last",
       "0\nREP\n610\nL\n'z'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "b"}, {610, "z"}}},
      {"REP L-1",
       "0\nREP\n610\nL-  1\n'z'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "z"}, {610, "c"}}},
      {"REP one text per occurrence",
       "0\nREP\n610\n*\n'1'/'2'/'3'\n\n",
       {{200, "^aTitle^eSub"}, {610, "1"}, {610, "2"}, {610, "3"}}},
      {"REP empty removes",
       "0\nREP\n610\n2\n''\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "c"}}},
      {"REP subfield",
       "0\nREP\n200^a\n1\n'T2'\n\n",
       {{200, "^aT2^eSub"}, {610, "a"}, {610, "b"}, {610, "c"}}},
      {"DEL by original numbers",
       "0\nDEL\n610\n*\n'0'/'1'/'1'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}}},
      {"CHAC ignores case",
       "0\nCHAC\n200^a\n*\n'TITLE'\n'Name'\n\n",
       {{200, "^aName^eSub"}, {610, "a"}, {610, "b"}, {610, "c"}}},
      {"CHA keeps case", "0\nCHA\n200\n*\n'TITLE'\n'Name'\n\n", kRecord},
      {"IF skips statement by statement",
       "0\nIF\n'0'\nADD\n700\nFI\n'x'\n\nFI\nADD\n701\n\n'y'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "b"}, {610, "c"}, {701, "y"}}},
      {"nested IF",
       "0\nIF\n'0'\nIF\n'1'\nFI\nADD\n700\n\n'no'\n\nFI\nADD\n701\n\n'y'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "b"}, {610, "c"}, {701, "y"}}},
      {"v*** outside CORREC is 0",
       "0\nADD\n700\n\n'v***&&&'\n\n",
       {{200, "^aTitle^eSub"}, {610, "a"}, {610, "b"}, {610, "c"}, {700, "00"}}},
      {"DELR", "0\nDELR\n\n\n\n\n", kRecord},
  };
  for (const Case& c : cases) {
    SetRecord(kRecord);
    EXPECT_EQ(Run(c.script), "") << c.what;
    EXPECT_EQ(Record(), c.after) << c.what;
  }
}

TEST(ReadIsoRecordTest, CleanUploadNames) {
  struct Case {
    const char* client;
    const char* clean;
  };
  const Case cases[] = {{"a.txt", "a.txt"},
                        {"../../x", "x"},
                        {"/etc/passwd", "passwd"},
                        {"C:\\dir\\w.doc", "w.doc"},
                        {"...", ""},
                        {"..", ""},
                        {"", ""},
                        {"dir/", ""},
                        {"a\nb", ""},
                        {"a\x01"
                         "b",
                         ""},
                        {"ok\xff", ""}};
  for (const Case& c : cases) EXPECT_EQ(CleanUploadName(c.client), c.clean) << c.client;
}

}  // namespace
}  // namespace zarix
