// Whole requests for sorted result pages: ascending and descending author + title keys, the
// MAX_SORT_COUNT limit, UpDownSearchResult, the sorted printing with group headers, and the
// failure texts of a missing or unsafe sort specification.
#include <gtest/gtest.h>


#include "tests/pages_fixture.h"

namespace zarix::testing {
namespace {

constexpr const char* kDb = "CAT_TBLIST";

class SortPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    static bool made = false;
    if (!made) {
      made = true;
      const std::pair<const char*, const char*> books[] = {
          {"Петров", "Бета"},  {"Иванов", "Альфа"}, {"Adams", "Zeta"},
          {"иванов", "Гамма"}, {"Петров", "Альфа"}, {"Adams", "Alpha"},
      };
      std::vector<IsoRec> records;
      int year = 2005;
      for (const auto& [author, title] : books) {
        records.push_back(MakeRecord({{"100", std::string("  ^a") + author},
                                      {"245", std::string("  ^a") + title},
                                      {"260", "  ^c" + std::to_string(year--)},
                                      {"653", "  ^aSortme"}}));
      }
      pages_->MakeDatabase(kDb, records);
    }
    pages_->WriteDefaultFrames();
    const std::string folder = std::string("data/") + kDb + "/";
    pages_->site().WriteFile(folder + "fullwebr.pft", "'<p>mfn='mfn' 'v100^a'</p>'/");
    pages_->site().WriteFile(folder + "author.srw",
                             "[HeaderNumber]\r\n1\r\n[HeaderFormat]\r\n'<h3>'v1'</h3>'\r\n"
                             "[KeyOptions]\r\n30\r\n0\r\nv100^a\r\n30\r\n0\r\nv245^a");
    pages_->site().WriteFile(folder + "year.srw", "[KeyOptions]\n4\n0\nv260^c\n");
    // Record 3's key is an empty line, so it yields no entry.
    pages_->site().WriteFile(folder + "gap.srw",
                             "[KeyOptions]\n10\n0\nif mfn = 3 then # else v100^a fi\n");
    pages_->Configure();
  }

  std::string Page(const std::string& query) {
    return pages_->Get(std::string("C21COM=S&I21DBN=") + kDb + "&S21All=K=SORTME" + query).body;
  }

  PagesSite* pages_ = nullptr;
};

TEST_F(SortPagesTest, SortOnly) {
  using V = std::vector<int>;
  struct Case {
    std::string web;   // [WEB] lines
    std::string main;  // [MAIN] lines
    std::string query;
    V mfns;
  } cases[] = {
      {"", "", "", {1, 2, 3, 4, 5, 6}},
      // Latin before Cyrillic; letter case does not count.
      {"", "", "&S21SRW=author", {6, 3, 2, 4, 5, 1}},
      {"", "", "&S21SRW=author&S21SRD=DOWN", {1, 5, 4, 2, 3, 6}},
      {"", "", "&S21SRW=year", {6, 5, 4, 3, 2, 1}},
      // The limit must be greater than the count.
      {"MAX_SORT_COUNT=6\n", "", "&S21SRW=author", {1, 2, 3, 4, 5, 6}},
      {"MAX_SORT_COUNT=7\n", "", "&S21SRW=author", {6, 3, 2, 4, 5, 1}},
      // Paging applies after the sort.
      {"", "", "&S21SRW=author&S21STN=3&S21CNR=2", {2, 4}},
      {"", "UpDownSearchResult=1\n", "", {6, 5, 4, 3, 2, 1}},
      // The header-printing variant needs SORT_HEADERS_PRINT; without it this sorts only.
      {"SORT_HEADERS_PRINT=0\n", "", "&S21SRW=author", {6, 3, 2, 4, 5, 1}},
  };
  for (const Case& c : cases) {
    pages_->Configure(c.main, c.web);
    const std::string body = Page(c.query);
    EXPECT_EQ(ShownMfns(body), c.mfns) << c.web << c.main << c.query << "\n" << body;
    EXPECT_EQ(body.find("<h3>"), std::string::npos) << c.query;
  }
}

TEST_F(SortPagesTest, PrintedWithHeaders) {
  pages_->Configure({}, "SORT_HEADERS_PRINT=1\n");
  std::string body = Page("&S21SRW=author");
  EXPECT_NE(body.find("<h3>Adams</h3><p>mfn=6 Adams</p>\r\n<p>mfn=3 Adams</p>\r\n"
                      "<h3>Иванов</h3><p>mfn=2 Иванов</p>\r\n<p>mfn=4 иванов</p>\r\n"
                      "<h3>Петров</h3><p>mfn=5 Петров</p>\r\n<p>mfn=1 Петров</p>\r\n"),
            std::string::npos)
      << body;
  // A page starting inside a group repeats its header once.
  body = Page("&S21SRW=author&S21STN=4&S21CNR=2");
  EXPECT_EQ(ShownMfns(body), (std::vector<int>{4, 5}));
  EXPECT_NE(body.find("<h3>иванов</h3><p>mfn=4"), std::string::npos) << body;
  EXPECT_EQ(CountOf(body, "<h3>"), 2u) << body;
  // As a table: everything from the first index on.
  body = Page("&S21SRW=author&S21STN=4&S21CNR=2&SORT_HEADERS_PRINT_AS_TABLE=1");
  EXPECT_EQ(ShownMfns(body), (std::vector<int>{4, 5, 1}));
}

TEST_F(SortPagesTest, PrintingPastTheSortedEntries) {
  // Five entries for six records: the page's last place has no entry.
  pages_->Configure({}, "SORT_HEADERS_PRINT=1\n");
  const std::string body = Page("&S21SRW=gap");
  EXPECT_EQ(ShownMfns(body), (std::vector<int>{6, 2, 4, 1, 5}));
  EXPECT_NE(body.find("<p>mfn=5 Петров</p>\r\nPRINT SORT ERROR"), std::string::npos) << body;
  // Sorting only: the list is the five entries.
  pages_->Configure();
  EXPECT_EQ(ShownMfns(Page("&S21SRW=gap")), (std::vector<int>{6, 2, 4, 1, 5}));
}

TEST_F(SortPagesTest, FailureTexts) {
  std::string body = Page("&S21SRW=nosuch");
  // The file is named without the server's folders.
  EXPECT_NE(body.find("<br> FILE EXISTS nosuch.srw<br><br>ERROR SORTING<br>"), std::string::npos)
      << body;
  EXPECT_EQ(ShownMfns(body), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  // A name that would leave the database folder is never looked up.
  body = Page("&S21SRW=..%2F..%2Fconf%2Fzarix_server");
  EXPECT_NE(body.find("<br>ERROR SORTING<br>"), std::string::npos) << body;
  EXPECT_EQ(ShownMfns(body), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace zarix::testing
