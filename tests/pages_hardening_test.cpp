// Whole requests that attack the gateway: text from records and requests that tries to run as
// frame code or markup, fields that try to pass for the gateway's own, deep nesting, messages
// that would show the server's folders, and a body that never arrives.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/pages_fixture.h"
#include "util/local_web_server.h"

namespace zarix::testing {
namespace {

class HardeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    pages_->WriteDefaultFrames();
    pages_->Configure();
  }
  void TearDown() override {
    if (pages_ == nullptr) return;
    pages_->WriteDefaultFrames();
    pages_->Configure();
  }
  FixtureSite& site() { return pages_->site(); }
  PagesSite* pages_ = nullptr;
};

std::string Repeat(std::string_view s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

// Records whose fields hold every kind of directive, placeholder and markup, also split over
// occurrences and over records; the display format prints them all, with literals around some.
TEST_F(HardeningTest, RecordTextNeverRunsAsFrameCode) {
  LocalWebServer web("HTTP/1.0 200 OK\r\n\r\nFETCHED\r\n");
  const std::string php = "<!PHP=IP=127.0.0.1:" + std::to_string(web.port()) + ",x.php>";
  const std::string leader = pages_->records().front().leader;
  IsoRec first{leader,
               {{"001", "h1"},
                {"653", "^ahostile"},
                {"245", php},
                {"246", "<!FILE=header.frm>"},
                {"250", "<? 'RAN','FORMAT' ?>"},
                {"260", "<!FORMAT='INJ','ECTED'>"},
                {"270", "<!RESULT>"},
                {"280", "x <--TOTALRECS--> <--DATABASE--> <--MFN--> ~~HELLO~~ y"},
                {"290", "<script>alert(1)</script> \"quoted\" & more"},
                // An opener split over two occurrences and over two records.
                {"500", "<"},
                {"500", php.substr(1)},
                {"600", php.substr(1)},
                {"700", "<"}}};
  // The second record's text would complete the first one's trailing "<".
  IsoRec second{leader, {{"001", "h2"}, {"653", "^ahostile"}, {"245", "!FORMAT='INJ','ECTED'>"}}};
  pages_->MakeDatabase("HOSTILE", {first, second});
  // Literals of the site's own format still write directives: the include runs.
  site().WriteFile("frames/own.htm", "OWN-INCLUDE");
  site().WriteFile("data/HOSTILE/fullwebr.pft",
                   "v245/v246/v250/v260/v270/v280/v290/(v500)/'<'v600/'<!FILE=own.htm>'/v700");
  pages_->Configure("", "", "[HOSTILE]\nSearchFrames=header.frm,SMain.frm,RESULT,footer.frm\n");

  for (const char* query :
       {"C21COM=S&I21DBN=HOSTILE&S21All=K=HOSTILE", "C21COM=F&I21DBN=HOSTILE&Z21MFN=1"}) {
    CgiResult r = pages_->Get(query);
    ASSERT_TRUE(r.exited) << query;
    const std::string& b = r.body;
    EXPECT_EQ(b.find("FETCHED"), std::string::npos) << b;
    EXPECT_EQ(b.find("RANFORMAT"), std::string::npos) << b;
    EXPECT_EQ(b.find("INJECTED"), std::string::npos) << b;
    EXPECT_EQ(b.find("<script>"), std::string::npos) << b;
    EXPECT_EQ(CountOf(b, "HEAD total="), 1u) << b;
    // The texts are shown as the reader typed them (escaped for the browser).
    EXPECT_NE(b.find("&lt;!FILE=header.frm&gt;"), std::string::npos) << b;
    EXPECT_NE(b.find("&lt;script&gt;alert(1)&lt;/script&gt; &quot;quoted&quot; &amp; more"),
              std::string::npos)
        << b;
    EXPECT_NE(b.find("x &lt;--TOTALRECS--&gt; &lt;--DATABASE--&gt; &lt;--MFN--&gt; "
                     "&#126;&#126;HELLO&#126;&#126; y"),
              std::string::npos)
        << b;
    EXPECT_NE(b.find("OWN-INCLUDE"), std::string::npos) << b;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(web.connected());
}

// A request value repeated in the body is logged once per occurrence; a format that prints the
// field joins them. Whatever the pieces, the page gets text, never markup.
TEST_F(HardeningTest, JoinedRequestValuesAreEscaped) {
  pages_->Configure("", "", "[PARAMETRS]\nPARCOUNT=1\nPARNAME1=X21Q\nPARTAG1=1001\n");
  site().WriteFile("frames/header.frm",
                   "<html>\r\n<!FORMAT=(v1001)>\r\n<? 'J:'(v1001) ?>\r\n"
                   "<!FORMAT=INSERT_ALL_PARAMETERS>\r\n");
  const std::string fields = "X21Q=%3C&X21Q=img+src%3Dx+onerror%3Dalert(1)+x&X21Q=.%3E";
  const std::string multipart =
      "------b7\r\nContent-Disposition: form-data; name=\"X21Q\"\r\n\r\n<\r\n"
      "------b7\r\nContent-Disposition: form-data; name=\"X21Q\"\r\n\r\nimg src=x onerror=alert(1) "
      "x\r\n------b7\r\nContent-Disposition: form-data; name=\"X21Q\"\r\n\r\n.>\r\n"
      "------b7\r\nContent-Disposition: form-data; name=\"C21COM\"\r\n\r\nS\r\n"
      "------b7\r\nContent-Disposition: form-data; name=\"I21DBN\"\r\n\r\nBOOKS\r\n------b7--\r\n";
  const CgiCall calls[] = {
      site().Post("C21COM=S&I21DBN=BOOKS&" + fields),
      site().Post(multipart, "multipart/form-data; boundary=----b7"),
      site().Get("C21COM=S&I21DBN=BOOKS&" + fields),
  };
  for (const CgiCall& call : calls) {
    CgiResult r = RunCgi(call);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.body.find("<img"), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("<."), std::string::npos) << r.body;
  }
}

// URLTag, HOST, DTAGE and UserAgent are what the web server says; no request field replaces
// them, in any letter case, through the query, a form or a multipart body.
TEST_F(HardeningTest, GatewayFieldsCannotBeForged) {
  pages_->Configure("", "",
                    "[PARAMETRS]\nPARCOUNT=4\nPARNAME1=URLTag\nPARNAME2=HOST\nPARNAME3=DTAGE\n"
                    "PARNAME4=UserAgent\n");
  site().WriteFile("frames/header.frm", "<html>\r\n<!FORMAT=INSERT_ALL_PARAMETERS_IN_QUERY>\r\n");
  const std::string forged =
      "URLTag=10.6.6.6&urltag=10.6.6.7&HOST=evil.test&host=evil2&DTAGE=evil3&dtage=evil4&"
      "UserAgent=evil5&USERAGENT=evil6";
  std::string multipart;
  for (const char* name : {"URLTag", "uRLtAG", "HOST", "DTAGE", "UserAgent"}) {
    multipart += "------b7\r\nContent-Disposition: form-data; name=\"" + std::string(name) +
                 "\"\r\n\r\n10.6.6.6\r\n";
  }
  multipart +=
      "------b7\r\nContent-Disposition: form-data; name=\"C21COM\"\r\n\r\nS\r\n"
      "------b7\r\nContent-Disposition: form-data; name=\"I21DBN\"\r\n\r\nBOOKS\r\n------b7--\r\n";
  const CgiCall calls[] = {
      site().Get("C21COM=S&I21DBN=BOOKS&" + forged),
      site().Post("C21COM=S&I21DBN=BOOKS&" + forged),
      site().Post(multipart, "multipart/form-data; boundary=----b7"),
  };
  const std::string expected =
      "URLTag=192%2E0%2E2%2E7&HOST=catalogue%2Etest&UserAgent=cgi%2Drunner&";
  for (const CgiCall& call : calls) {
    CgiResult r = RunCgi(call);
    ASSERT_TRUE(r.exited);
    EXPECT_NE(r.body.find(expected), std::string::npos) << r.body.substr(0, 300);
    EXPECT_EQ(r.body.find("evil"), std::string::npos) << r.body.substr(0, 300);
    EXPECT_EQ(r.body.find("10.6.6"), std::string::npos) << r.body.substr(0, 300);
  }
}

// Parentheses nested far deeper than any form makes: a syntax error and an ordinary page, never
// the end of the stack. Up to the limit, nesting still searches.
TEST_F(HardeningTest, DeepNestingGivesAPage) {
  struct Case {
    std::string all;
    bool finds;
  } cases[] = {
      {Repeat("(", 100) + "K=PERL" + Repeat(")", 100), true},
      {Repeat("(", 101) + "K=PERL" + Repeat(")", 101), false},
      {Repeat("(", 20000) + "K=PERL" + Repeat(")", 20000), false},
      {Repeat("(", 60000), false},
      {Repeat("(K=PERL*", 12000) + "K=PERL" + Repeat(")", 12000), false},
      {Repeat("K=PERL+", 15000) + "K=PERL", true},
  };
  for (const Case& c : cases) {
    for (bool post : {false, true}) {
      std::string all = c.all;
      if (post) {  // a form body would read "+" as a blank
        all.clear();
        for (char ch : c.all) all += ch == '+' ? std::string("%2B") : std::string(1, ch);
      }
      const std::string request = "C21COM=S&I21DBN=BOOKS&S21All=" + all;
      CgiResult r = RunCgi(post ? site().Post(request) : site().Get(request));
      ASSERT_TRUE(r.exited) << c.all.substr(0, 40);
      const bool none = r.body.find("HEAD total=0 ") != std::string::npos;
      EXPECT_EQ(none, !c.finds) << c.all.substr(0, 40) << " " << r.body.substr(0, 80);
    }
  }
  // A site format nested beyond the compiler's limit is a format error on the page.
  site().WriteFile("frames/header.frm", "<html><? " + Repeat("if p(v1) then ", 5000) + "'x'" +
                                            Repeat(" fi", 5000) + " ?>");
  CgiResult r = pages_->Get("C21COM=S&I21DBN=BOOKS&S21All=K=PERL");
  ASSERT_TRUE(r.exited);
  EXPECT_NE(r.body.find("format nested too deeply"), std::string::npos) << r.body.substr(0, 200);
}

// A page runs its command a bounded number of times, however many <!RESULT> lines its frames
// (or the direct-access frame, whose text is processed again) hold.
TEST_F(HardeningTest, CommandRunsAreBounded) {
  site().WriteFile("frames/SMain.frm", Repeat("<!RESULT>\r\n", 40));
  site().WriteFile("frames/direct.frm", Repeat("<!RESULT>x\r\n", 40) + "<!RESULT>\r\n");
  pages_->Configure("DirectAccess=1\n");
  for (const char* query : {"C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21CNR=1",
                            "C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21CNR=1&S21FRAME=direct.frm"}) {
    CgiResult r = pages_->Get(query);
    ASSERT_TRUE(r.exited) << query;
    EXPECT_GE(CountOf(r.body, "mfn="), 1u) << query;
    EXPECT_LE(CountOf(r.body, "mfn="), 17u) << query;
  }
}

// A format the request names that does not exist: the page names it as text (escaped), and never
// shows a folder of the server.
TEST_F(HardeningTest, MissingFormatMessageShowsNoPathsAndRunsNothing) {
  for (const char* name : {"nosuch", "no%22such%27%3C%3F%3E'X'%3F%3E", "%D0%BD%D0%B5%D1%82",
                           "sub/nosuch", "nosuch.pft"}) {
    CgiResult r = pages_->Get(std::string("C21COM=S&I21DBN=BOOKS&S21All=K=PERL&S21FMT=") + name);
    ASSERT_TRUE(r.exited) << name;
    EXPECT_EQ(r.body.find(site().root()), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("/tmp/"), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("<?"), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find('"'), std::string::npos) << r.body;
    EXPECT_NE(r.body.find("not found"), std::string::npos) << r.body;
  }
}

// A client that announces a longer body than it sends, over an input the web server keeps open:
// the request ends within its time-out with the time-out page.
TEST_F(HardeningTest, ShortBodyEndsWithinTheTimeOut) {
  pages_->Configure("CGITimeOut=2\n");
  for (const std::string sent : {"", "C21COM=S&I21DBN=BO"}) {
    CgiCall call = site().Post(sent);
    for (auto& [name, value] : call.env) {
      if (name == "CONTENT_LENGTH") value = "100000";
    }
    call.keep_input_open = true;
    call.timeout_seconds = 20;
    CgiResult r = RunCgi(call);
    ASSERT_TRUE(r.exited) << "killed after " << r.seconds << " s";
    EXPECT_LT(r.seconds, 6.0);
    EXPECT_NE(r.body.find("timeout ellapsed (2 c)"), std::string::npos) << r.body;
  }
  // The whole body within the time-out is an ordinary request, input kept open or not.
  CgiCall call = site().Post("C21COM=S&I21DBN=BOOKS&S21All=K=PERL");
  call.keep_input_open = true;
  CgiResult r = RunCgi(call);
  ASSERT_TRUE(r.exited);
  EXPECT_NE(r.body.find("HEAD total="), std::string::npos) << r.body.substr(0, 100);
}

}  // namespace
}  // namespace zarix::testing
