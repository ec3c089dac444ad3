// Whole requests for dictionary pages (command T): the terms of a prefix from a start term, the
// page size and its bound, SHOW_PREVTERM, the dictionary of a result set, a start term longer
// than the term buffer, and the last term handed to the frames for the next-page link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "tests/pages_fixture.h"
#include "util/url_encode.h"

namespace zarix::testing {
namespace {

// The terms of a dictionary page ("<li>TERM (N)</li>" lines), in page order.
std::vector<std::string> Terms(const std::string& body) {
  std::vector<std::string> terms;
  static const std::regex kLine("<li>([^<]*) \\((\\d+)\\)</li>");
  for (auto it = std::sregex_iterator(body.begin(), body.end(), kLine);
       it != std::sregex_iterator(); ++it) {
    terms.push_back((*it)[1]);
  }
  return terms;
}

std::string LastTerm(const std::string& body) {
  const size_t p = body.find("LAST=[");
  if (p == std::string::npos) return "(none)";
  return body.substr(p + 6, body.find(']', p) - p - 6);
}

class DictionaryPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    static bool made = false;
    if (!made) {
      made = true;
      // Every record also gets the term "K=" alone.
      pages_->MakeDatabase(
          "DICT",
          {MakeRecord({{"100", "  ^aAdams"}, {"245", "  ^aalpha beta"}}),
           MakeRecord({{"245", "  ^agamma delta"}}),
           MakeRecord(
               {{"245", "  ^a" + kLongWord}, {"500", "  ^a<!PHP=http://127.0.0.1:1/> <b>"}})},
          "1 0 'K='\n100 0 (|A=|v100^a/)\n245 8 (|K=|v245^a/)\n500 0 (|N=|v500^a/)\n");
    }
    pages_->WriteDefaultFrames();
    pages_->site().WriteFile("frames/dict.frm",
                             "<ul>\r\n<!RESULT>\r\n</ul>\r\n<!FORMAT='LAST=['v900']'>");
    for (const char* db : {"DICT", "BOOKS"}) {
      pages_->site().WriteFile(std::string("data/") + db + "/web_dict.pft",
                               "'<li>'v900' ('v901')</li>'/");
    }
    Configure();
  }

  void Configure(std::string_view main = {}) {
    pages_->Configure(main, {}, "[PARAMETRS]\nDictTermTag=900\nDictNDocsTag=901\n");
  }

  std::string Page(const std::string& db, const std::string& query) {
    return pages_->Get("C21COM=T&I21DBN=" + db + query).body;
  }

  // 150 Cyrillic letters: 300 bytes; the engine keeps "K=" and 126 of them (254 bytes).
  static inline const std::string kLongWord = [] {
    std::string w;
    for (int i = 0; i < 150; ++i) w += "я";
    return w;
  }();
  static std::string LongTerm() {
    std::string t;
    for (int i = 0; i < 126; ++i) t += "Я";
    return t;
  }

  PagesSite* pages_ = nullptr;
};

TEST_F(DictionaryPagesTest, StartTermsAndPageSizes) {
  using V = std::vector<std::string>;
  struct Case {
    std::string query;
    V terms;
    std::string last;
  } cases[] = {
      // Default start: the first term of the prefix; "K=" alone is never shown.
      {"", {"ALPHA", "BETA", "DELTA", "GAMMA", LongTerm()}, LongTerm()},
      {"&T21TRM=c", {"DELTA", "GAMMA", LongTerm()}, LongTerm()},
      {"&T21TRM=beta&T21CNR=2", {"BETA", "DELTA"}, "DELTA"},
      {"&T21CNR=x", {"ALPHA", "BETA", "DELTA", "GAMMA", LongTerm()}, LongTerm()},
      {"&T21PRF=A%3D", {"ADAMS"}, "ADAMS"},
      // A start term of 300 bytes is cut to the term buffer at a character boundary.
      {"&T21TRM=" + UrlEncode(kLongWord), {LongTerm()}, LongTerm()},
      // Past the last term of the prefix: an empty page and no last term.
      {"&T21TRM=" + UrlEncode("中"), {}, ""},
  };
  for (const Case& c : cases) {
    const std::string body = Page("DICT", c.query);
    EXPECT_EQ(Terms(body), c.terms) << c.query << "\n" << body;
    EXPECT_EQ(LastTerm(body), c.last) << c.query;
  }
}

TEST_F(DictionaryPagesTest, TermsFromRecordsStayText) {
  // A whole-line term holding frame directives and markup is shown as text.
  const std::string body = Page("DICT", "&T21PRF=N%3D");
  EXPECT_EQ(Terms(body), std::vector<std::string>{"&lt;!PHP=HTTP://127.0.0.1:1/&gt; &lt;B&gt;"})
      << body;
  EXPECT_EQ(body.find("<!PHP"), std::string::npos) << body;
}

TEST_F(DictionaryPagesTest, CountsOfPostings) {
  const std::string body = Page("DICT", "&T21TRM=alpha&T21CNR=1");
  EXPECT_NE(body.find("<li>ALPHA (1)</li>"), std::string::npos) << body;
}

TEST_F(DictionaryPagesTest, PageSizeIsBounded) {
  Configure("MAX_FORMAT_IN_PACKET=2\n");
  EXPECT_EQ(Terms(Page("DICT", "&T21CNR=5000")), (std::vector<std::string>{"ALPHA", "BETA"}));
}

TEST_F(DictionaryPagesTest, ShowPreviousTerm) {
  Configure("SHOW_PREVTERM=1\n");
  // One term earlier; at the first term of its prefix the page starts there.
  EXPECT_EQ(Terms(Page("DICT", "&T21TRM=delta&T21CNR=2")),
            (std::vector<std::string>{"BETA", "DELTA"}));
  EXPECT_EQ(Terms(Page("DICT", "&T21PRF=A%3D&T21TRM=adams")), std::vector<std::string>{"ADAMS"});
  // Before ALPHA stands "K=" alone, which begins with the prefix but is never shown.
  EXPECT_EQ(Terms(Page("DICT", "&T21TRM=alpha&T21CNR=1")), std::vector<std::string>{"ALPHA"});
}

TEST_F(DictionaryPagesTest, DictionaryOfAResultSet) {
  EXPECT_EQ(Terms(Page("DICT", "&S21All=K=GAMMA")), (std::vector<std::string>{"DELTA", "GAMMA"}));
  // On real records: the first 20 keywords of the records found for PERL, in byte order.
  std::set<std::string> words;
  for (int mfn : RecordsWithAll(pages_->records(), {"PERL"})) {
    for (const std::string& w : Keywords(pages_->records()[static_cast<size_t>(mfn - 1)])) {
      words.insert(w);
    }
  }
  std::vector<std::string> expected(words.begin(), words.end());
  ASSERT_GT(expected.size(), 20u);
  expected.resize(20);
  const std::string body = Page("BOOKS", "&S21All=K=PERL");
  EXPECT_EQ(Terms(body), expected) << body.substr(0, 2000);
  EXPECT_EQ(LastTerm(body), expected.back());
}

TEST_F(DictionaryPagesTest, RemovesOnlyTheFieldsItAdded) {
  // The result count goes into the working record under the same tag as the terms: every line
  // still sees the count as occurrence 1 and its own term as the last one.
  pages_->Configure({}, {},
                    "[PARAMETRS]\nDictTermTag=900\nDictNDocsTag=901\nSearchResultTag=900\n");
  pages_->site().WriteFile("data/DICT/web_dict.pft", "'<li>'v900[1]'/'v900[LAST]' ('v901')</li>'/");
  EXPECT_EQ(Terms(Page("DICT", "&S21All=K=GAMMA")),
            (std::vector<std::string>{"1/DELTA", "1/GAMMA"}));
}

TEST_F(DictionaryPagesTest, WholeDictionaryOfRealRecords) {
  // The same 20 terms as the librarians' tool lists from the same start.
  const std::string listing = pages_->site().root() + "terms.txt";
  const std::string cmd = TestEnv("ZARIX_ADMIN") + " terms BOOKS --prefix K= --from K=PERL" +
                          " --count 20 --datapath " + pages_->site().root() + "data/ >" + listing;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::vector<std::string> expected;
  std::ifstream in(listing);
  for (std::string line; std::getline(in, line);) {
    expected.push_back(line.substr(2, line.find('\t') - 2));
  }
  ASSERT_EQ(expected.size(), 20u);
  EXPECT_EQ(Terms(Page("BOOKS", "&T21TRM=perl")), expected);
}

}  // namespace
}  // namespace zarix::testing
