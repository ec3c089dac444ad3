// The C interface as the gateway calls it: spaces, shelves, writes, read codes, dictionary and
// posting walks, formats, the admin lock and emptying.
#include <gtest/gtest.h>

#include <cstring>

#include "zarix64/engine_test_util.h"
#include "zarix64/zarix64.h"

namespace zarix::db {
namespace {

using testing::TempDir;

class AbiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::OpenTestDb(dir_).reset();  // creates "cat" with the test FST
    prefix_ = dir_.path() + "cat";
    space_ = Zarixinit();
    ASSERT_GT(space_, 0);
    ASSERT_EQ(Zarixinitmst(space_, prefix_.c_str(), 5), 0);
    ASSERT_EQ(Zarixinitterm(space_, prefix_.c_str()), 0);
    ASSERT_EQ(ZarixInitInvContext(space_, "", "", 0, "isisacw", ""), 0);
  }
  void TearDown() override { Zarixclose(space_); }

  // Writes a new record with the given fields from shelf 0; returns its MFN.
  int AddRecord(std::initializer_list<std::pair<int, const char*>> fields, int index = 1) {
    Zarixnewrec(space_, 0);
    for (const auto& [tag, text] : fields) Zarixfldadd(space_, 0, tag, text, 0);
    int status = 1, mfn = 0;
    EXPECT_EQ(ZarixRecUpdateTime(space_, 0, 0, index, 5, &status, &mfn), 0);
    EXPECT_EQ(status, 0);
    return mfn;
  }
  std::string Format(const char* format, int mode = 1, int capacity = 32000) {
    EXPECT_EQ(Zarix_InitPFT(space_, format), 0) << format << ": " << ZarixLastMessage(space_);
    Zarix_Format(space_, 0, 1, mode, capacity, "ZARIX64");
    return Zarix_FormatResult(space_);
  }

  TempDir dir_;
  std::string prefix_;
  int space_ = 0;
};

TEST_F(AbiTest, VersionAndHandles) {
  char buf[256] = "junk";
  EXPECT_EQ(ZarixDLLVersion(buf, 255), 0);
  EXPECT_STREQ(buf, "2020");
  EXPECT_EQ(ZarixDLLVersion(buf, 2), ZARIX_ERR_ARGUMENT);
  EXPECT_EQ(ZarixDLLVersion(nullptr, 255), ZARIX_ERR_ARGUMENT);

  EXPECT_EQ(Zarixmaxmfn(987654), ZARIX_ERR_BAD_SPACE);
  EXPECT_STREQ(Zarixfield(987654, 0, 1, ""), "");
  EXPECT_EQ(Zarixnfields(space_, ZARIX_SHELVES), ZARIX_ERR_ARGUMENT);
  const int other = Zarixinit();
  EXPECT_EQ(Zarixinitmst(other, (dir_.path() + "missing").c_str(), 3), ZARIX_ERR_OPEN);
  EXPECT_EQ(Zarixinitterm(other, prefix_.c_str()), ZARIX_ERR_NOT_OPEN);
  EXPECT_EQ(Zarixmaxmfn(other), ZARIX_ERR_NOT_OPEN);
  ASSERT_EQ(Zarixinitmst(other, prefix_.c_str(), 3), 0);
  EXPECT_EQ(Zarixinitterm(other, (dir_.path() + "missing").c_str()), ZARIX_ERR_OPEN);
  EXPECT_EQ(Zarixclose(other), 0);
  EXPECT_EQ(Zarixclose(other), ZARIX_ERR_BAD_SPACE);  // handles are never reused
  EXPECT_NE(Zarixinit(), other);
}

TEST_F(AbiTest, FieldsOnAShelf) {
  Zarixnewrec(space_, 0);
  EXPECT_EQ(Zarixfldadd(space_, 0, 200, "^aTitle^eSub", 0), 1);
  EXPECT_EQ(Zarixfldadd(space_, 0, 700, "^aFirst", 1), 2);
  EXPECT_EQ(Zarixfldadd(space_, 0, 700, "plain^aSecond^bx", 0), 3);
  EXPECT_EQ(Zarixfldadd(space_, 0, 0, "bad tag", 0), ZARIX_ERR_ARGUMENT);
  EXPECT_EQ(Zarixnfields(space_, 0), 3);
  EXPECT_EQ(Zarixnocc(space_, 0, 700), 2);
  EXPECT_EQ(Zarixnocc(space_, 0, 999), 0);
  const struct {
    int tag, occurrence, index;
  } lookups[] = {{200, 1, 1}, {700, 1, 2}, {700, 2, 3}, {700, 3, 0}, {999, 1, 0}, {700, 0, 0}};
  for (const auto& l : lookups) {
    EXPECT_EQ(Zarixfieldn(space_, 0, l.tag, l.occurrence), l.index) << l.tag << "/" << l.occurrence;
  }
  const struct {
    int index;
    const char* option;
    const char* text;
  } fields[] = {
      {3, "", "plain^aSecond^bx"},
      {3, nullptr, "plain^aSecond^bx"},
      {3, "b", "x"},
      {3, "A", "Second"},
      {3, "c", ""},
      {1, "e", "Sub"},
      {0, "", ""},
      {4, "", ""},
  };
  for (const auto& f : fields) {
    EXPECT_STREQ(Zarixfield(space_, 0, f.index, f.option), f.text) << f.index;
  }
  EXPECT_EQ(Zarixfldtag(space_, 0, 2), 700);
  EXPECT_EQ(Zarixfldtag(space_, 0, 9), 0);
  EXPECT_EQ(Zarixfldrep(space_, 0, 1, "^aNew"), 0);
  EXPECT_STREQ(Zarixfield(space_, 0, 1, "a"), "New");
  EXPECT_EQ(Zarixfldrep(space_, 0, 2, ""), 0);  // an empty text removes the field
  EXPECT_EQ(Zarixnocc(space_, 0, 700), 1);
  EXPECT_EQ(Zarixfldrep(space_, 0, 5, "x"), ZARIX_ERR_ARGUMENT);
  EXPECT_EQ(Zarixfldempty(space_, 0), 0);
  EXPECT_EQ(Zarixnfields(space_, 0), 0);
}

TEST_F(AbiTest, WritesAndReadCodes) {
  EXPECT_EQ(Zarixmaxmfn(space_), 1);
  const int mfn = AddRecord({{200, "^aWar and Peace"}, {610, "novel"}});
  EXPECT_EQ(mfn, 1);
  EXPECT_EQ(Zarixmfn(space_, 0), 1);
  EXPECT_EQ(Zarixmaxmfn(space_), 2);
  EXPECT_EQ(ZarixReadVersion(space_, 1), 1);
  char guid[64];
  EXPECT_EQ(ZarixGetGuid(space_, 0, guid, sizeof guid), 0);
  EXPECT_EQ(strlen(guid), 38u);

  EXPECT_EQ(ZarixRecord(space_, 1, 1), 0);
  EXPECT_STREQ(Zarixfield(space_, 1, 1, "a"), "War and Peace");
  EXPECT_EQ(ZarixRecord(space_, 1, 2), ZARIX_MFN_OUT_OF_RANGE);
  EXPECT_EQ(Zarixnfields(space_, 1), 0);

  // Not indexed, then caught up.
  const int later = AddRecord({{610, "pending"}}, 0);
  EXPECT_EQ(ZarixRecord(space_, 1, later), ZARIX_REC_NOT_INDEXED);
  Zarixfind(space_, nullptr, 0);
  char term[256] = "PENDING";
  EXPECT_EQ(Zarixfind(space_, term, sizeof term), 1);
  EXPECT_EQ(ZarixRecIfUpdate0(space_, 0, later), 0);
  strcpy(term, "PENDING");
  EXPECT_EQ(Zarixfind(space_, term, sizeof term), 0);
  EXPECT_EQ(ZarixRecord(space_, 1, later), 0);

  // Two shelves holding the same record: the second writer is told.
  ASSERT_EQ(ZarixRecord(space_, 0, 1), 0);
  ASSERT_EQ(ZarixRecord(space_, 1, 1), 0);
  Zarixfldadd(space_, 0, 300, "first change", 0);
  EXPECT_EQ(ZarixRecUpdate0(space_, 0, 1), 0);
  Zarixfldadd(space_, 1, 300, "second change", 0);
  EXPECT_EQ(ZarixRecUpdate0(space_, 1, 1), ZARIX_VERSION_CONFLICT);
  ASSERT_EQ(ZarixRecordBack(space_, 1), 0);
  EXPECT_EQ(Zarixnocc(space_, 1, 300), 1);

  // A new record at a chosen MFN with the stored version (the form-edit "mode 0" write).
  Zarixnewrec(space_, 2);
  Zarixchangemfn(space_, 2, 1);
  ZarixSetVersion(space_, 2, ZarixReadVersion(space_, 1));
  Zarixfldadd(space_, 2, 200, "^aReplaced", 0);
  EXPECT_EQ(ZarixRecUpdate0(space_, 2, 1), 0);

  ASSERT_EQ(ZarixRecord(space_, 0, 1), 0);
  EXPECT_EQ(Zarixrecdel(space_, 0), 0);
  EXPECT_EQ(ZarixRecUpdate0(space_, 0, 1), 0);
  EXPECT_EQ(ZarixRecord(space_, 0, 1), ZARIX_REC_DELETED);
  EXPECT_STREQ(Zarixfield(space_, 0, 1, "a"), "Replaced");  // a deleted record is still read
}

TEST_F(AbiTest, DictionaryAndPostingWalks) {
  AddRecord({{610, "alpha beta"}});
  AddRecord({{610, "beta"}, {610, "gamma beta"}});
  char term[256];
  const struct {
    const char* key;
    int rc;
    const char* reached;
  } finds[] = {{"BETA", 0, "BETA"}, {"B", 1, "BETA"}, {"", 1, "ALPHA"}, {"ZZZ", ZARIX_END, ""}};
  for (const auto& f : finds) {
    strcpy(term, f.key);
    EXPECT_EQ(Zarixfind(space_, term, sizeof term), f.rc) << f.key;
    EXPECT_STREQ(term, f.reached) << f.key;
  }
  // Off the end, a step back gives the last term.
  EXPECT_EQ(Zarixprevterm(space_, term, sizeof term), 0);
  EXPECT_STREQ(term, "GAMMA");
  EXPECT_EQ(Zarixnxtterm(space_, term, sizeof term), ZARIX_END);
  EXPECT_STREQ(term, "");

  strcpy(term, "BETA");
  ASSERT_EQ(Zarixfind(space_, term, sizeof term), 0);
  EXPECT_EQ(Zarixnposts(space_), 3);
  EXPECT_EQ(Zarixposting(space_, 1), ZARIX_END);  // no posting before the first Zarixnxtpost
  std::vector<std::vector<int>> seen;
  while (Zarixnxtpost(space_) == 0) {
    seen.push_back({Zarixposting(space_, 1), Zarixposting(space_, 2), Zarixposting(space_, 3),
                    Zarixposting(space_, 4)});
  }
  EXPECT_EQ(seen, (std::vector<std::vector<int>>{{1, 610, 1, 2}, {2, 610, 1, 1}, {2, 610, 2, 2}}));
  EXPECT_EQ(Zarixposting(space_, 9), ZARIX_END);
  EXPECT_EQ(Zarixinitpost(space_), 0);
  EXPECT_EQ(Zarixnxtpost(space_), 0);
  EXPECT_EQ(Zarixposting(space_, 1), 1);
  EXPECT_EQ(Zarixposting(space_, 7), ZARIX_ERR_ARGUMENT);

  EXPECT_EQ(Zarixnxtterm(space_, term, sizeof term), 0);
  EXPECT_STREQ(term, "GAMMA");
  EXPECT_EQ(Zarixnposts(space_), 1);
  EXPECT_EQ(Zarixprevterm(space_, term, sizeof term), 0);
  EXPECT_EQ(Zarixprevterm(space_, term, sizeof term), 0);
  EXPECT_STREQ(term, "ALPHA");
  EXPECT_EQ(Zarixprevterm(space_, term, sizeof term), ZARIX_END);
  EXPECT_EQ(Zarixnxtterm(space_, term, sizeof term), 0);
  EXPECT_STREQ(term, "ALPHA");
  // A small buffer gets the term cut on a character boundary.
  AddRecord({{1, "ЖУК"}});
  strcpy(term, "Ж");
  char small[5];
  strcpy(small, "Ж");
  EXPECT_EQ(Zarixfind(space_, small, sizeof small), 1);
  EXPECT_STREQ(small, "ЖУ");
}

TEST_F(AbiTest, Formats) {
  AddRecord({{200, "^aWar and Peace^fTolstoy"}, {610, "war"}});
  ASSERT_EQ(ZarixRecord(space_, 0, 1), 0);
  EXPECT_EQ(Format("v200^a,\" / \"v200^f"), "War and Peace / Tolstoy");
  EXPECT_EQ(Format("'  x  '/#", 2), "x");
  EXPECT_EQ(Format("f(npost('WAR'),0,0),'/',f(npost('NONE'),0,0)"), "1/0");
  EXPECT_EQ(Format("'жжж'", 1, 5), "жж");  // cut on a character boundary

  dir_.Write("brief.pft", "v200^a,@tail");
  dir_.Write("tail.pft", "' ('mfn')'");
  EXPECT_EQ(Format("@brief"), "War and Peace (1)");
  EXPECT_LT(Zarix_InitPFT(space_, "@nosuchformat"), 0);
  EXPECT_LT(Zarix_Format(space_, 0, 1, 1, 32000, "ZARIX64"), 0);
  EXPECT_EQ(std::string(Zarix_FormatResult(space_)).rfind("*** FORMAT ERROR", 0), 0u)
      << Zarix_FormatResult(space_);
  const int space2 = Zarixinit();
  EXPECT_EQ(Zarix_Format(space2, 0, 1, 1, 100, "ZARIX64"), ZARIX_ERR_FORMAT);
  Zarixclose(space2);
}

// An include written in a format names a file of the database's folders, never a path elsewhere;
// messages name files without their folders; page text escapes the record's data.
TEST_F(AbiTest, FormatIncludesStayInTheirFolders) {
  AddRecord({{200, "^a<b>War</b>"}});
  ASSERT_EQ(ZarixRecord(space_, 0, 1), 0);
  TempDir outside;
  outside.Write("secret.pft", "'SECRET'");
  dir_.Write("inner.pft", "'inner'");
  const std::string secret = outside.path() + "secret";
  for (const std::string& format :
       {"'x' @" + secret,
        "'x' @../" + BaseName(outside.path().substr(0, outside.path().size() - 1)) + "/secret",
        std::string("'x' @\\etc\\passwd")}) {
    EXPECT_LT(Zarix_InitPFT(space_, format.c_str()), 0) << format;
    EXPECT_EQ(std::string(ZarixLastMessage(space_)).find(outside.path()), std::string::npos);
  }
  EXPECT_EQ(Format("'x' @inner"), "xinner");
  // The caller's own "@path" is its choice; a missing one is named without its folder.
  EXPECT_EQ(Format(("@" + secret).c_str()), "SECRET");
  EXPECT_LT(Zarix_InitPFT(space_, ("@" + outside.path() + "gone").c_str()), 0);
  EXPECT_EQ(std::string(ZarixLastMessage(space_)), "0: format file gone not found");
  ASSERT_EQ(Zarix_InitPFT(space_, "v200^a"), 0);
  ASSERT_GT(Zarix_Format(space_, 0, 1, 1 | ZARIX_FORMAT_PAGE_TEXT, 100, "ZARIX64"), 0);
  EXPECT_EQ(std::string(Zarix_FormatResult(space_)), "&lt;b&gt;War&lt;/b&gt;");
}

TEST_F(AbiTest, AdminLockAndEmptying) {
  AddRecord({{610, "one"}});
  AddRecord({{610, "two"}});
  EXPECT_EQ(ZarixIsDBLocked(space_), 0);
  {
    OpenOptions options;
    options.master_prefix = prefix_;
    std::unique_ptr<Database> admin;
    ASSERT_TRUE(Database::Open(options, &admin).ok());
    ASSERT_TRUE(admin->LockForAdmin("test").ok());
    EXPECT_EQ(ZarixIsDBLocked(space_), ZARIX_DB_LOCKED);
    Zarixnewrec(space_, 0);
    Zarixfldadd(space_, 0, 610, "three", 0);
    EXPECT_EQ(ZarixRecUpdate0(space_, 0, 1), ZARIX_DB_LOCKED);
    EXPECT_EQ(ZarixDBEmptyTime(space_, 5), ZARIX_DB_LOCKED);
    ASSERT_TRUE(admin->UnlockAdmin().ok());
  }
  EXPECT_EQ(ZarixIsDBLocked(space_), 0);
  EXPECT_EQ(ZarixDBEmptyTime(space_, 5), 0);
  EXPECT_EQ(Zarixmaxmfn(space_), 1);
  char term[256] = "";
  EXPECT_EQ(Zarixfind(space_, term, sizeof term), ZARIX_END);
  EXPECT_EQ(AddRecord({{610, "fresh"}}), 1);
}

}  // namespace
}  // namespace zarix::db
