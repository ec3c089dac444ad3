// Record editing by form fields and format control, on shelves of the real engine library.
#include "records/record_form.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_api.h"
#include "gateway/request_store.h"
#include "util/path.h"
#include "util/temp_dir.h"

namespace zarix {
namespace {

using Fields = std::vector<std::pair<int, std::string>>;

class RecordFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    api_ = EngineApi::Load(ZARIX64_LIBRARY);
    ASSERT_TRUE(api_->status().ok()) << api_->status().message;
    space_ = api_->Zarixinit();
    ASSERT_GT(space_, 0);
    api_->ZarixInitUACTAB(space_);
  }
  void TearDown() override { api_->Zarixclose(space_); }

  void SetRecord(const Fields& fields) {
    api_->Zarixnewrec(space_, 0);
    for (const auto& [tag, text] : fields) api_->Zarixfldadd(space_, 0, tag, text);
  }
  Fields Record() {
    Fields out;
    const int n = api_->Zarixnfields(space_, 0);
    for (int f = 1; f <= n; ++f) {
      out.emplace_back(api_->Zarixfldtag(space_, 0, f), api_->Zarixfield(space_, 0, f));
    }
    return out;
  }
  static IniStore Form(const std::vector<std::pair<std::string, std::string>>& fields) {
    IniStore web;
    for (const auto& [name, value] : fields) SetRequestParam(web, name, value);
    return web;
  }

  std::unique_ptr<EngineApi> api_;
  int space_ = 0;
};

TEST_F(RecordFormTest, EditsAsTheFormSays) {
  struct Case {
    const char* what;
    Fields before;
    std::vector<std::pair<std::string, std::string>> form;
    Fields after;
  };
  const Case cases[] = {
      {"plain text before subfields",
       {},
       {{"R21MFN", "0"},
        {"R21NUM1", "200"},
        {"R21SUB1_1", "a"},
        {"R21VOL1_1", "Title"},
        {"R21VOL1_2", "x"}},
       {{200, "x^aTitle"}}},
      {"mode 1 adds",
       {{610, "old"}},
       {{"R21NUM1", "610"}, {"R21VOL1_1", "new"}},
       {{610, "old"}, {610, "new"}}},
      {"mode 3 removes the old occurrences once for both edits",
       {{610, "old1"}, {700, "keep"}, {610, "old2"}},
       {{"R21UPD", "3"},
        {"R21NUM1", "610"},
        {"R21VOL1_1", "a"},
        {"R21NUM2", "610"},
        {"R21VOL2_1", "b"}},
       {{700, "keep"}, {610, "a"}, {610, "b"}}},
      {"mode 4 removes the occurrence named",
       {{610, "one"}, {610, "two"}, {610, "three"}},
       {{"R21UPD", "4"}, {"R21NUM1", "610"}, {"R21OCC1", "2"}, {"R21VOL1_1", "new"}},
       {{610, "one"}, {610, "three"}, {610, "new"}}},
      {"mode 4 with an occurrence out of range removes nothing",
       {{610, "one"}},
       {{"R21UPD", "4"}, {"R21NUM1", "610"}, {"R21OCC1", "5"}, {"R21VOL1_1", "new"}},
       {{610, "one"}, {610, "new"}}},
      {"mode 5 with the same text removes it and adds nothing for that piece",
       {{610, "one"}, {610, "two"}},
       {{"R21UPD", "5"}, {"R21NUM1", "610"}, {"R21OCC1", "2"}, {"R21VOL1_1", "two"}},
       {{610, "one"}}},
      {"mode 5 with another text removes nothing and adds the text",
       {{610, "one"}, {610, "two"}},
       {{"R21UPD", "5"}, {"R21NUM1", "610"}, {"R21OCC1", "2"}, {"R21VOL1_1", "other"}},
       {{610, "one"}, {610, "two"}, {610, "other"}}},
      {"the first tag that is not above 0 ends the edits",
       {},
       {{"R21NUM1", "100"},
        {"R21VOL1_1", "a"},
        {"R21NUM2", "x"},
        {"R21NUM3", "300"},
        {"R21VOL3_1", "c"}},
       {{100, "a"}}},
      {"empty pieces and codes without text add nothing",
       {},
       {{"R21NUM1", "100"},
        {"R21SUB1_1", "b"},
        {"R21VOL1_2", ""},
        {"R21NUM2", "101"},
        {"R21VOL2_3", "third"}},
       {{101, "third"}}},
      {"values are cleaned",
       {},
       {{"R21NUM1", "100"},
        {"R21VOL1_1", "a<script>b"},
        {"R21NUM2", "101"},
        {"R21VOL2_1", "bad\xFF"}},
       {{100, "a script b"}}},
      {"groups in name order; mode 3 removes a tag's old occurrences only at its first edit",
       {{610, "old"}},
       {{"BR21UPD", "3"},
        {"BR21NUM1", "610"},
        {"BR21VOL1_1", "b"},
        {"AR21UPD", "3"},
        {"AR21NUM1", "610"},
        {"AR21VOL1_1", "a"}},
       {{610, "a"}, {610, "b"}}},
  };
  for (const Case& c : cases) {
    SetRecord(c.before);
    IniStore web = Form(c.form);
    ApplyFormFields(web, *api_, space_);
    EXPECT_EQ(Record(), c.after) << c.what;
  }
}

TEST_F(RecordFormTest, ModeFiveEmptiesTheRequestFieldItUsed) {
  SetRecord({{610, "one"}, {610, "two"}});
  IniStore web =
      Form({{"R21UPD", "5"}, {"R21NUM1", "610"}, {"R21OCC1", "2"}, {"R21VOL1_1", "two"}});
  ApplyFormFields(web, *api_, space_);
  EXPECT_EQ(web.ReadString(kFormSection, "R21VOL1_1", "absent"), "");
}

TEST(FormGroupPrefixesTest, EachPrefixOnceInNameOrder) {
  IniStore web;
  for (const char* name :
       {"BR21MFN", "foo", "aR21NUM1", "AR21MFN", "R21MFN", "Xr21MFN", "B_R21VOL1_1"}) {
    SetRequestParam(web, name, "1");
  }
  EXPECT_EQ(FormGroupPrefixes(web), (std::vector<std::string>{"A", "B", "B_", ""}));
}

TEST_F(RecordFormTest, FormatControl) {
  testing::TempDir dir;
  struct Case {
    const char* format;
    Fields record;
    bool failed;
  };
  const Case cases[] = {
      {"if p(v200) then '0 title present' else '1 title missing' fi", {{200, "T"}}, false},
      {"if p(v200) then '0 title present' else '1 title missing' fi", {{100, "x"}}, true},
      {"/ / '0 fine' / '1 second line'", {}, true},
      {"'01 starts with 0' / ' 1 indented'", {}, false},
      {"v1", {{1, "1 a finding from the record"}}, true},
      {"'unbalanced", {}, true},  // a control that cannot compile stops the record
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = dir.path() + "flc" + std::to_string(n++) + ".pft";
    ASSERT_TRUE(WriteFileBytes(path, c.format));
    SetRecord(c.record);
    const FormatCheck check = CheckFormat(*api_, space_, 0, path);
    EXPECT_EQ(check.failed, c.failed) << c.format << " -> " << check.output;
  }
  EXPECT_TRUE(CheckFormat(*api_, space_, 0, dir.path() + "missing.pft").failed);
}

}  // namespace
}  // namespace zarix
