// The default field selection tables on real records, and the command-line helpers.
#include "admin/admin_create.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "admin/admin_args.h"
#include "util/path.h"
#include "util/test_data.h"
#include "zarix64/format_access.h"
#include "zarix64/fst.h"
#include "zarix64/iso2709.h"

namespace zarix::admin {
namespace {

// The terms the default table of `flavour` makes of record `index` (from 0) of a file of data/.
std::set<std::string> TermsOf(MarcFlavour flavour, const char* file, int index) {
  const std::string data = testing::TestData(file);
  IsoReader reader(data, IsoEncoding::kUtf8);
  IsoRecord iso;
  for (int i = 0; i <= index; ++i) {
    EXPECT_EQ(reader.Next(&iso), IsoReader::Status::kRecord);
  }
  db::Record record;
  record.mfn = 1;
  for (const IsoField& f : iso.fields) record.fields.push_back({f.tag, f.text});

  std::vector<std::string> problems;
  auto fst = db::FieldSelection::Parse(DefaultFst(flavour), nullptr, &problems);
  EXPECT_TRUE(problems.empty()) << problems.front();
  std::vector<db::TermPosting> terms;
  db::RecordAdapter view(record);
  fst->Extract(view, db::Tables::BuiltIn(), db::StopWords(), nullptr, &terms);
  std::set<std::string> keys;
  for (const auto& t : terms) keys.insert(t.first);
  return keys;
}

TEST(DefaultFst, Marc21RecordGetsEveryKindOfTerm) {
  std::set<std::string> keys = TermsOf(MarcFlavour::kMarc21, "marc21-real-utf8.mrc", 2);
  for (const char* expected :
       {"A=WORKSHOP ON COMPUTER PROCESSING OF DYNAMIC IMAGES FROM AN ANGER SCINTILLATION CAMERA,",
        "T=COMPUTER PROCESSING OF DYNAMIC IMAGES FROM AN ANGER SCINTILLATION CAMERA :",
        "K=COMPUTER", "K=SCINTILLATION", "K=PROCEEDINGS", "K=WORKSHOP", "G=1974"}) {
    EXPECT_TRUE(keys.count(expected)) << expected;
  }
  EXPECT_FALSE(keys.count("K=10"));  // indicators are not words
  for (const std::string& k : keys) EXPECT_NE(k.find('^'), 1u) << k;
}

TEST(DefaultFst, UnimarcRecordGetsEveryKindOfTerm) {
  std::set<std::string> keys = TermsOf(MarcFlavour::kUnimarc, "rusmarc-nlr-utf8.mrc", 0);
  for (const char* expected : {"A=ЗАМЯТИН Е. И.", "T=УЕЗДНОЕ", "K=УЕЗДНОЕ", "K=РОМАНЫ", "G=1997"}) {
    EXPECT_TRUE(keys.count(expected)) << expected;
  }
}

TEST(AdminArgs, OptionsFlagsAndPositionals) {
  OptionSpec spec{{"encoding", "mfn"}, {"text"}};
  Args args;
  std::string error;
  ASSERT_TRUE(args.Parse({"db", "--encoding", "koi8-r", "f1", "--text", "--mfn=3-4", "--", "--x"},
                         spec, &error))
      << error;
  EXPECT_EQ(args.positional(), (std::vector<std::string>{"db", "f1", "--x"}));
  EXPECT_EQ(args.Value("encoding"), "koi8-r");
  EXPECT_EQ(args.Value("mfn"), "3-4");
  EXPECT_TRUE(args.Flag("text"));
  EXPECT_FALSE(args.Flag("help"));
  EXPECT_EQ(args.Value("datapath", "d"), "d");
}

TEST(AdminArgs, MfnRanges) {
  struct Case {
    const char* text;
    bool ok;
    long long from, to;
  } cases[] = {
      {"5", true, 5, 5},      {"2-9", true, 2, 9}, {"3-", true, 3, 0}, {"-7", true, 0, 7},
      {"9-2", false, 0, 0},   {"0", false, 0, 0},  {"-", false, 0, 0}, {"x", false, 0, 0},
      {"1-2-3", false, 0, 0}, {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    long long from = -1, to = -1;
    EXPECT_EQ(ParseMfnRange(c.text, &from, &to), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(from, c.from) << c.text;
      EXPECT_EQ(to, c.to) << c.text;
    }
  }
}

}  // namespace
}  // namespace zarix::admin
