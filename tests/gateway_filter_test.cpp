// Whole requests through the request filter: a format run before the dispatch that can refuse
// the request (message 19) or rewrite request fields, here the database. The site has real
// databases made with zarix-admin.
#include <sys/wait.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/cgi_runner.h"

namespace zarix::testing {
namespace {

class FilterTest : public ::testing::Test {
 protected:
  FilterTest() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}

  void SetUp() override {
    const std::string admin = TestEnv("ZARIX_ADMIN");
    if (admin.empty()) GTEST_SKIP() << "zarix-admin is not built";
    site_.WriteFile("data/readme.txt", "databases of the fixture site\n");
    for (const char* db : {"BOOKS", "OTHER"}) {
      const std::string cmd = admin + " create " + site_.root() + "data/ " + db + " >/dev/null";
      ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    std::string messages;
    for (int i = 0; i < 20; ++i) messages += "message " + std::to_string(i) + "\r\n";
    site_.WriteFile("cgi/WebMsg.txt", messages);
    site_.WriteFile("cgi/Error.html", "E:");
  }

  void Configure(const std::string& filter_format) {
    site_.WriteFile("flt/filter.pft", filter_format);
    site_.WriteConfig("[MAIN]\nDATAPATH=" + site_.root() + "data/\nCGIflc=" + site_.root() +
                      "flt/filter\n[BOOKS]\nContentType=text/x-books\n[OTHER]\n"
                      "ContentType=text/x-other\n[PARAMETRS]\nURLTag=5\n");
  }

  FixtureSite site_;
};

TEST_F(FilterTest, RefusesWithMessage19) {
  Configure("if v5 = '192.0.2.7' then '0' else '1' fi");
  CgiResult r = RunCgi(site_.Get("C21COM=Q&I21DBN=BOOKS"));
  EXPECT_NE(r.body.find(">message 19</BODY>"), std::string::npos) << r.body;
  EXPECT_EQ(r.Header("content-type"), "text/x-books");
  // The full-text count runs without the filter.
  r = RunCgi(site_.Get("C21COM=G&I21DBN=BOOKS"));
  EXPECT_EQ(r.body, "E:G");
}

// An address filter sees the address the web server gave, whatever the request claims: a field
// of the same name in the query, a form or a multipart body, in any letter case.
TEST_F(FilterTest, ForgedAddressDoesNotPass) {
  Configure("if v5 = '192.0.2.7' then '0' else '1' fi");
  const std::string multipart =
      "--b7\r\nContent-Disposition: form-data; name=\"URLTag\"\r\n\r\n10.1.1.1\r\n"
      "--b7\r\nContent-Disposition: form-data; name=\"C21COM\"\r\n\r\nQ\r\n"
      "--b7\r\nContent-Disposition: form-data; name=\"I21DBN\"\r\n\r\nBOOKS\r\n--b7--\r\n";
  const CgiCall calls[] = {
      site_.Get("C21COM=Q&I21DBN=BOOKS&URLTag=10.1.1.1"),
      site_.Get("C21COM=Q&I21DBN=BOOKS&urltag=10.1.1.1&URLTAG=10.1.1.2"),
      site_.Post("C21COM=Q&I21DBN=BOOKS&URLTag=10.1.1.1&uRLTag=10.1.1.2"),
      site_.Post(multipart, "multipart/form-data; boundary=b7"),
  };
  for (const CgiCall& call : calls) {
    CgiResult r = RunCgi(call);
    EXPECT_NE(r.body.find(">message 19</BODY>"), std::string::npos) << r.body;
  }
}

TEST_F(FilterTest, RewritesTheDatabase) {
  Configure("'1'/'I21DBN=OTHER'/'X21=<b>'");
  CgiResult r = RunCgi(site_.Get("C21COM=Q&I21DBN=BOOKS"));
  EXPECT_EQ(r.body, "E:Q");
  EXPECT_EQ(r.Header("content-type"), "text/x-other");
}

TEST_F(FilterTest, EmptyOutputRefuses) {
  Configure("if p(v99999) then '1' fi");
  CgiResult r = RunCgi(site_.Get("C21COM=Q&I21DBN=BOOKS"));
  EXPECT_NE(r.body.find(">message 19</BODY>"), std::string::npos) << r.body;
}

TEST_F(FilterTest, MissingFilterFileLetsEverythingPass) {
  Configure("'0'");
  site_.WriteConfig("[MAIN]\nDATAPATH=" + site_.root() + "data/\nCGIflc=" + site_.root() +
                    "flt/none.pft\n");
  EXPECT_EQ(RunCgi(site_.Get("C21COM=Q&I21DBN=BOOKS")).body, "E:Q");
}

}  // namespace
}  // namespace zarix::testing
