// Whole requests through frames: every directive of a frame (format blocks, formats and format
// files, logged parameters, included files, a page fetched from a local web server, the
// command's output), placeholders and language texts, and direct-access frames.
#include <gtest/gtest.h>

#include "tests/pages_fixture.h"
#include "util/local_web_server.h"

namespace zarix::testing {
namespace {

class FramePagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    pages_->WriteDefaultFrames();
  }
  FixtureSite& site() { return pages_->site(); }
  PagesSite* pages_ = nullptr;
};

TEST_F(FramePagesTest, EveryDirective) {
  LocalWebServer web("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\nfetched <b>page</b>\r\n");
  const std::string root = site().root();
  site().WriteFile("deposit/depfmt.pft", "'from deposit'");
  site().WriteFile("frames/inc.frm", "included <--DATABASE-->\r\n  <!FILE=inc2.frm>");
  site().WriteFile("frames/inc2.frm", "nested include");
  site().WriteFile("cgi/en.lng", "HELLO\r\nHello there\r\nEMPTY\r\n\r\n");
  site().WriteFile("frames/all.frm",
                   "\xEF\xBB\xBF<h1>top</h1>\r\n"
                   "<? 'A',\r\n'B' ?>\r\n"
                   "pre<?'X'?>post\r\n"
                   "<div><?\r\n'multi',\r\n\t'line'\r\n?></div>\r\n"
                   "a ?> b\r\n"
                   "<!FORMAT='F1'/'F2'>\r\n"
                   "<!FORMAT=@depfmt>\r\n"
                   "<!FORMAT=@nosuchfmt>\r\n"
                   "<!FORMAT=@../conf/zarix_server>\r\n"
                   "<!FORMAT=insert_all_parameters>\r\n"
                   "<!FORMAT=INSERT_ALL_PARAMETERS_IN_QUERY>\r\n"
                   "<!FILE=inc.frm>\r\n"
                   "<!FILE=nosuch.frm>\r\n"
                   "<!FILE=../conf/zarix_server.ini>\r\n"
                   "<!PHP=IP=127.0.0.1:" +
                       std::to_string(web.port()) +
                       ",127.0.0.1/dir/page.php?a=1>\r\n"
                       "<!FORMAT='<!FILE=inc2.frm>'>\r\n"
                       "~~HELLO~~ ~~EMPTY~~ ~~NOKEY~~\r\n"
                       "<--CGI_PATH--> <--CGI_PATH--> <--DATABASE--> <--DATABASE-->\r\n"
                       "count=<--TOTALRECS-->\r\n"
                       "  <!RESULT>  \r\n"
                       "end");
  pages_->Configure("DepositPath=" + root + "deposit/\n", "CGI_ALIAS=/cgi/z\n",
                    "[BOOKS]\nSearchFrames=all.frm\n[PARAMETRS]\nPARCOUNT=3\nPARNAME1=X21A\n"
                    "PARNAME2=Z21ID\nPARNAME3=X21B\n");
  CgiResult r = pages_->Get(
      "C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21CNR=2&LNG=en&X21A=say%20%22hi%22&Z21ID=R1&X21B=b%"
      "26c");
  const std::string expected_head =
      "<h1>top</h1>\r\n"
      "AB\r\n"
      "preXpost\r\n"
      // Lines of a block are joined without separators; its tab is a blank between tokens.
      "<div>multiline</div>\r\n"
      // A closing mark outside a block is text, not the end of a format.
      "a ?> b\r\n"
      "\r\nF1\r\nF2\r\n"
      "\r\nfrom deposit\r\n"
      "\r\nFORMAT nosuchfmt NOT FIND\r\n"
      "\r\nFORMAT ../conf/zarix_server NOT FIND\r\n"
      "\r\n<input type=\"hidden\" name=\"X21A\" value=\"say &quot;hi&quot;\">\r\n"
      "<input type=\"hidden\" name=\"X21B\" value=\"b&amp;c\">\r\n"
      "\r\nX21A=say%20%22hi%22&X21B=b%26c&\r\n"
      "\r\nincluded BOOKS\r\n\r\nnested include\r\n"
      "\r\n'FILE nosuch.frm NOT FIND'\r\n"
      "\r\n'FILE ../conf/zarix_server.ini NOT FIND'\r\n"
      "\r\n\r\nfetched <b>page</b>\r\n"
      "\r\n\r\nnested include\r\n"
      "Hello there EMPTY NOKEY\r\n"
      "/cgi/z /cgi/z BOOKS <--DATABASE-->\r\n";
  EXPECT_EQ(r.body.substr(0, expected_head.size()), expected_head) << r.body;
  const size_t hits = RecordsWithAll(pages_->records(), {"PERL"}).size();
  EXPECT_NE(r.body.find("count=" + std::to_string(hits) + "\r\n"), std::string::npos) << r.body;
  EXPECT_EQ(CountOf(r.body, "<p>["), 2u) << r.body;
  EXPECT_NE(r.body.find("</p>\r\nend\r\n"), std::string::npos) << r.body;
  const std::string request = web.request();
  EXPECT_EQ(request, "GET http://127.0.0.1/dir/page.php?a=1 HTTP/1.0\nHost: 127.0.0.1\n\n");

  // A language name that leaves the gateway folder is not read.
  site().WriteFile("frames/lng.frm", "~~HELLO~~");
  pages_->Configure("", "", "[BOOKS]\nSearchFrames=lng.frm\n");
  EXPECT_EQ(pages_->Get("C21COM=S&I21DBN=BOOKS&LNG=en").body, "Hello there\r\n");
  EXPECT_EQ(pages_->Get("C21COM=S&I21DBN=BOOKS&LNG=../cgi/en").body, "HELLO\r\n");
}

TEST_F(FramePagesTest, UnreachablePageServerLeavesAnEmptyLine) {
  int port;
  {
    LocalWebServer gone("");
    port = gone.port();
  }
  site().WriteFile("frames/php.frm",
                   "a\r\n<!PHP=IP=127.0.0.1:" + std::to_string(port) + ",x.php>\r\nb");
  pages_->Configure("", "", "[BOOKS]\nSearchFrames=php.frm\n");
  EXPECT_EQ(pages_->Get("C21COM=S&I21DBN=BOOKS").body, "a\r\n\r\nb\r\n");
}

TEST_F(FramePagesTest, SelfIncludingFrameStops) {
  site().WriteFile("frames/loop.frm", "x\r\n<!FILE=loop.frm>");
  pages_->Configure("", "", "[BOOKS]\nSearchFrames=loop.frm,footer.frm\n");
  CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS");
  ASSERT_TRUE(r.exited);
  EXPECT_NE(r.body.find("FOOT BOOKS"), std::string::npos);
  EXPECT_GT(CountOf(r.body, "x\r\n"), 1000u);
  // A format block whose output holds the same block again.
  site().WriteFile("frames/loop.frm", "<?@blk?>");
  site().WriteFile("data/BOOKS/blk.pft", "'y'/'<?@blk?>'");
  r = pages_->Get("C21COM=S&I21DBN=BOOKS");
  ASSERT_TRUE(r.exited);
  EXPECT_NE(r.body.find("FOOT BOOKS"), std::string::npos);
  EXPECT_GT(CountOf(r.body, "y\r\n"), 1000u);
}

TEST_F(FramePagesTest, WorkingRecordHoldsTheLogFields) {
  site().WriteFile("frames/log.frm", "<!RESULT>\r\nmax=<--MAXIMUMMFN--> q=<? v5 ?>");
  pages_->Configure("", "",
                    "[BOOKS]\nSearchFrames=log.frm\n[PARAMETRS]\nPARCOUNT=1\n"
                    "PARNAME1=S21All\nPARTAG1=5\n");
  CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21CNR=1");
  EXPECT_NE(r.body.find("max=" + std::to_string(pages_->records().size() + 1) + " q=K=PERL"),
            std::string::npos)
      << r.body;
}

TEST_F(FramePagesTest, DirectAccess) {
  site().WriteFile("frames/da.frm",
                   "\xEF\xBB\xBF  top <--TOTALRECS-->\r\n<!result>\r\nbottom <--DATABASE-->  ");
  site().WriteFile("frames/nores.frm", "whole frame first");
  const std::vector<int> perl = RecordsWithAll(pages_->records(), {"PERL"});
  std::string records;
  for (int i = 0; i < 2; ++i) {
    records += "<p>[" + std::to_string(i + 1) + "] mfn=" + std::to_string(perl[i]) + " " +
               pages_->records()[perl[i] - 1].fields[0].second + "</p>\r\n";
  }
  const std::string total = std::to_string(perl.size());
  struct Case {
    std::string frame, body;
  } cases[] = {
      // The frame's lines end in LF CR, which the page's last pass reads as two line ends.
      {"da.frm", "top " + total + "\r\n\r\n" + records + "bottom BOOKS\r\n\r\n"},
      {"nores.frm", "whole frame first\r\n\r\n" + records},
      // A name leaving the frames folder, or a missing frame: the records alone.
      {"../frames/da.frm", records},
      {"none.frm", records},
  };
  pages_->Configure("DirectAccess=1\n");
  for (const Case& c : cases) {
    CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21CNR=2&S21FRAME=" + c.frame);
    EXPECT_EQ(r.body, c.body) << c.frame;
  }
  // Without S21FRAME, or with direct access off: the normal frames.
  EXPECT_NE(pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=PERL").body.find("HEAD total="),
            std::string::npos);
  pages_->Configure();
  CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21FRAME=da.frm");
  EXPECT_NE(r.body.find("HEAD total="), std::string::npos);
  EXPECT_EQ(r.body.find("bottom"), std::string::npos);
}

}  // namespace
}  // namespace zarix::testing
