// Whole requests for search (S) and display (F) pages on 1,165 real records: hit counts checked
// against the records themselves, paging, empty answers, single records, selections, the
// sequential filter, and bad input.
#include <gtest/gtest.h>


#include "tests/pages_fixture.h"

namespace zarix::testing {
namespace {

std::string Head(long long total, long long begin, long long end) {
  return "HEAD total=" + std::to_string(total) + " begin=" + std::to_string(begin) +
         " end=" + std::to_string(end);
}

class SearchPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    pages_->WriteDefaultFrames();
    pages_->Configure();
  }
  PagesSite* pages_ = nullptr;
};

TEST_F(SearchPagesTest, HitCountsMatchTheRecords) {
  ASSERT_GE(pages_->records().size(), 1000u);
  struct Case {
    std::string expression;  // as sent in S21All (URL-encoded blanks)
    std::vector<std::string> words;
  } cases[] = {
      {"K=FINLAND%20*%20K=HISTORIA", {"FINLAND", "HISTORIA"}},
      {"K=PERL", {"PERL"}},
      {"\"K=COMPUTER\"%20*%20\"K=SCIENCE\"", {"COMPUTER", "SCIENCE"}},
      {"K=SUOMI%20*%20K=HISTORIA", {"SUOMI", "HISTORIA"}},
  };
  for (const Case& c : cases) {
    const std::vector<int> expected = RecordsWithAll(pages_->records(), c.words);
    ASSERT_FALSE(expected.empty()) << c.expression;
    CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21CNR=1000&S21All=" + c.expression);
    const long long n = static_cast<long long>(expected.size());
    EXPECT_NE(r.body.find(Head(n, 1, std::min<long long>(n, 1000))), std::string::npos)
        << c.expression << "\n"
        << r.body.substr(0, 200);
    std::vector<int> shown = ShownMfns(r.body);
    expected.size() > 1000 ? shown.resize(1000) : void();
    EXPECT_EQ(shown,
              std::vector<int>(expected.begin(), expected.begin() + std::min<long long>(n, 1000)))
        << c.expression;
  }
}

TEST_F(SearchPagesTest, SearchForm) {
  // A posted form: the words of S21STR as keywords (S21P01=1, prefix S21P03), ANDed (S21LOG=1).
  const std::vector<int> expected = RecordsWithAll(pages_->records(), {"FINLAND", "HISTORIA"});
  CgiResult r = RunCgi(pages_->site().Post(
      "C21COM=S&I21DBN=BOOKS&S21STR=Finland+historia&S21LOG=1&S21P01=1&S21P03=K%3D&S21STN=21"));
  const long long n = static_cast<long long>(expected.size());
  ASSERT_GT(n, 40);
  EXPECT_NE(r.body.find(Head(n, 21, 40)), std::string::npos) << r.body.substr(0, 200);
  EXPECT_EQ(ShownMfns(r.body), std::vector<int>(expected.begin() + 20, expected.begin() + 40));
}

TEST_F(SearchPagesTest, Paging) {
  pages_->Configure("MAX_FORMAT_IN_PACKET=300\n");
  const long long total = static_cast<long long>(pages_->records().size());
  struct Case {
    std::string stn, cnr;
    long long begin, end;
  } cases[] = {
      {"1", "20", 1, 20}, {"21", "20", 21, 40},  {"1161", "20", 1161, total},
      {"x", "y", 1, 20},  {"1", "5000", 1, 300}, {"2000", "20", 2000, total},
      {"1", "0", 1, 0},   {"%2B5", "1", 5, 5},
  };
  for (const Case& c : cases) {
    CgiResult r =
        pages_->Get("C21COM=S&I21DBN=BOOKS&S21SCAN_FULL=1&S21STN=" + c.stn + "&S21CNR=" + c.cnr);
    EXPECT_NE(r.body.find(Head(total, c.begin, c.end)), std::string::npos)
        << c.stn << "/" << c.cnr << "\n"
        << r.body.substr(0, 200);
    std::vector<int> expected;
    for (long long m = c.begin; m <= c.end; ++m) expected.push_back(static_cast<int>(m));
    EXPECT_EQ(ShownMfns(r.body), expected) << c.stn << "/" << c.cnr;
    // Positions count from 1 across pages.
    if (!expected.empty()) {
      std::string first = "[";
      first += std::to_string(c.begin);
      first += "] mfn=";
      EXPECT_NE(r.body.find(first), std::string::npos);
    }
  }
}

TEST_F(SearchPagesTest, EmptyAnswers) {
  // S without hits: the empty-answer frame, unchanged, in place of the records.
  CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=NOSUCHWORDANYWHERE");
  EXPECT_NE(r.body.find(Head(0, 1, 0)), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("<p>\r\nПустой ответ\r\n</p>"), std::string::npos) << r.body;
  // F without hits: nothing but the frames.
  r = pages_->Get("C21COM=F&I21DBN=BOOKS&S21All=K=NOSUCHWORDANYWHERE");
  EXPECT_EQ(r.body.find("Пустой ответ"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("FOOT BOOKS"), std::string::npos) << r.body;
  // No expression and no full listing: no result list, the counts stay unset.
  r = pages_->Get("C21COM=S&I21DBN=BOOKS");
  EXPECT_NE(r.body.find("HEAD total=<--TOTALRECS-->"), std::string::npos) << r.body;
  EXPECT_TRUE(ShownMfns(r.body).empty());
}

TEST_F(SearchPagesTest, SingleRecord) {
  CgiResult r = pages_->Get("C21COM=F&I21DBN=BOOKS&Z21MFN=17");
  EXPECT_NE(r.body.find(Head(1, 1, 1)), std::string::npos) << r.body;
  EXPECT_EQ(ShownMfns(r.body), std::vector<int>{17});
  // After a search the single record is shown; the search's counts come first on the line.
  const size_t hits = RecordsWithAll(pages_->records(), {"PERL"}).size();
  r = pages_->Get("C21COM=F&I21DBN=BOOKS&S21All=K=PERL&Z21MFN=17");
  EXPECT_NE(
      r.body.find(Head(static_cast<long long>(hits), 1,
                       static_cast<long long>(hits) < 20 ? static_cast<long long>(hits) : 20)),
      std::string::npos)
      << r.body.substr(0, 200);
  EXPECT_EQ(ShownMfns(r.body).front(), RecordsWithAll(pages_->records(), {"PERL"}).front());
}

TEST_F(SearchPagesTest, Selections) {
  struct Case {
    std::string query;
    std::vector<int> shown;
  } cases[] = {
      {"SEL_TYPE=2&CHECKINDEX=5,3,9", {3, 5, 9}},
      {"SEL_TYPE=2&CHECKINDEX=1000,20,x,-4", {20, 1000}},
      {"SEL_TYPE=2", {}},
      // Hiding keeps the page bounds: the page fills up from the records after it.
      {"SEL_TYPE=3&CHECKINDEX=2,4&S21SCAN_FULL=1&S21CNR=5", {1, 3, 5, 6, 7}},
      {"SEL_TYPE=&CHECKINDEX=2&S21SCAN_FULL=1&S21CNR=3", {1, 2, 3}},
  };
  for (const Case& c : cases) {
    CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&" + c.query);
    EXPECT_EQ(ShownMfns(r.body), c.shown) << c.query;
  }
}

TEST_F(SearchPagesTest, SequentialFilter) {
  // "1x" keeps a record (only the last character is free), "01" and "" drop it.
  pages_->site().WriteFile("data/BOOKS/scan.pft",
                           "if mfn <= 100 then '1x' else if mfn <= 200 then '01' fi fi");
  CgiResult r =
      pages_->Get("C21COM=S&I21DBN=BOOKS&S21SCAN_FULL=1&S21SCAN=scan&S21STN=95&S21CNR=10");
  EXPECT_NE(r.body.find(Head(100, 95, 100)), std::string::npos) << r.body.substr(0, 200);
  EXPECT_EQ(ShownMfns(r.body), (std::vector<int>{95, 96, 97, 98, 99, 100}));
  // A filter name that leaves its folder keeps nothing.
  r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21SCAN_FULL=1&S21SCAN=../BOOKS/scan");
  EXPECT_NE(r.body.find(Head(0, 1, 0)), std::string::npos) << r.body.substr(0, 200);
}

TEST_F(SearchPagesTest, BadInputGivesPages) {
  struct Case {
    std::string query;
    std::string expected;
  } cases[] = {
      {"C21COM=S&I21DBN=NOSUCHDB&S21All=K=PERL", "message 11\r\n"},
      {"C21COM=S&I21DBN=../data/BOOKS&S21All=K=PERL", "message 11\r\n"},
      {"C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21FMT=../../conf/zarix_server", "FORMAT NOT FIND"},
      {"C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21FMT=/etc/passwd", "FORMAT NOT FIND"},
      {"C21COM=S&I21DBN=BOOKS&S21All=((K=PERL", "HEAD total=0"},
      {"C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21STN=99999999999999999999", "HEAD total="},
  };
  for (const Case& c : cases) {
    CgiResult r = pages_->Get(c.query);
    ASSERT_TRUE(r.exited) << c.query;
    EXPECT_NE(r.body.find(c.expected), std::string::npos) << c.query << "\n" << r.body;
  }
}

TEST_F(SearchPagesTest, MissingFrameFile) {
  pages_->Configure("", "", "[BOOKS]\nSearchFrames=header.frm,nosuch.frm,RESULT\n");
  CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=PERL");
  // The page names the frame, never the server's folders.
  EXPECT_NE(r.body.find("<br>FILE NOT EXISTS nosuch.frm"), std::string::npos)
      << r.body.substr(0, 300);
  EXPECT_EQ(r.body.find(pages_->site().root()), std::string::npos);
  EXPECT_FALSE(ShownMfns(r.body).empty());
  // A frame name that would leave the frames folder is not looked for anywhere.
  pages_->Configure("", "", "[BOOKS]\nSearchFrames=../conf/zarix_server.ini\n");
  r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=PERL");
  EXPECT_NE(r.body.find("FILE NOT EXISTS ../conf/zarix_server.ini"), std::string::npos) << r.body;
  EXPECT_EQ(r.body.find("DATAPATH"), std::string::npos) << r.body;
}

}  // namespace
}  // namespace zarix::testing
