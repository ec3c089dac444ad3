// Whole requests for marked search terms: the configured mark-up around exactly the words of the
// query in the found records, Russian inflected forms through stems and through a morphology
// database, Latin words never stemmed, attribute values untouched, and the switch S21COLORTERMS.
#include <gtest/gtest.h>

#include "tests/pages_fixture.h"
#include "util/url_encode.h"

namespace zarix::testing {
namespace {

class HighlightPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    static bool made = false;
    if (!made) {
      made = true;
      pages_->MakeDatabase(
          "RUS", {MakeRecord({{"245", "  ^aИстория книги^bо книгах и книгами"}}),
                  MakeRecord({{"245", "  ^aКнигохранилище^bкниги"}}),
                  MakeRecord({{"245", "  ^aArt of the smart artist^bArt"}}),
                  MakeRecord({{"245", "  ^a«Книги» — наше всё^bкниги\xC2\xA0и свитки"}})});
      // A morphology database: base form in field 10, word forms in field 20, indexed as K=.
      pages_->MakeDatabase(
          "MORPH",
          {MakeRecord({{"010", "книга"}, {"020", "книги"}, {"020", "книгах"}, {"020", "книгами"}})},
          "10 8 (|K=|v10/)\n20 8 (|K=|v20/)\n");
    }
    pages_->WriteDefaultFrames();
    pages_->site().WriteFile("data/RUS/fullwebr.pft",
                             "'<p title=\"'v245^a'\">mfn='mfn' 'v245^a' | 'v245^b'</p>'/");
    pages_->Configure({}, "EXTPREF=<em>\nEXTPOST=</em>\n");
  }

  // The page of a posted keyword search for `words` in database RUS, plus `extra` fields.
  std::string Search(const std::string& words, const std::string& extra = {}) {
    CgiResult r = RunCgi(pages_->site().Post("C21COM=S&I21DBN=RUS&S21LOG=1&S21P01=1&S21P03=K%3D&" +
                                             extra + "S21STR=" + UrlEncode(words)));
    return r.body;
  }

  PagesSite* pages_ = nullptr;
};

TEST_F(HighlightPagesTest, RussianFormsThroughStems) {
  const std::string body = Search("книги");
  const char* expected[] = {
      "mfn=1 История <em>книги</em> | о <em>книгах</em> и <em>книгами</em></p>",
      "mfn=2 Книгохранилище | <em>книги</em></p>",
      "mfn=4 «<em>Книги</em>» — наше всё | <em>книги</em>\xC2\xA0и свитки</p>",
  };
  for (const char* e : expected) EXPECT_NE(body.find(e), std::string::npos) << e << "\n" << body;
  // Three marks in record 1, one in 2, two in 4; none in the attribute values.
  EXPECT_EQ(CountOf(body, "<em>"), 6u) << body;
  EXPECT_NE(body.find("title=\"История книги\""), std::string::npos) << body;
  EXPECT_EQ(body.find("mfn=3"), std::string::npos);
}

TEST_F(HighlightPagesTest, RussianFormsThroughTheMorphologyDatabase) {
  const std::string body = Search("книги", "FT_MORPHOLOGY=1&");
  EXPECT_NE(body.find("mfn=1 История <em>книги</em> | о <em>книгах</em> и <em>книгами</em></p>"),
            std::string::npos)
      << body;
}

TEST_F(HighlightPagesTest, LatinWordsAreMarkedWhole) {
  const std::string body = Search("art");
  EXPECT_NE(body.find("mfn=3 <em>Art</em> of the smart artist | <em>Art</em></p>"),
            std::string::npos)
      << body;
  EXPECT_EQ(CountOf(body, "<em>"), 2u) << body;
}

TEST_F(HighlightPagesTest, SwitchedOff) {
  const std::string body = Search("книги", "S21COLORTERMS=0&");
  EXPECT_NE(body.find("mfn=1 История книги | о книгах и книгами</p>"), std::string::npos) << body;
  EXPECT_EQ(body.find("<em>"), std::string::npos) << body;
}

TEST_F(HighlightPagesTest, TermsCarriedToTheNextPage) {
  // A later page of the same search carries the expression and the terms in S21All/S21AllTrm.
  CgiResult r = pages_->Get("C21COM=S&I21DBN=RUS&S21STN=2&S21CNR=1&S21All=K=" + UrlEncode("КНИГИ") +
                            "&S21AllTrm=K=" + UrlEncode("КНИГИ") + "|");
  EXPECT_NE(r.body.find("mfn=2 Книгохранилище | <em>книги</em></p>"), std::string::npos) << r.body;
}

}  // namespace
}  // namespace zarix::testing
