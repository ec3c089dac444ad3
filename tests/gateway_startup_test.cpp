// Whole requests: configuration, engine check, maintenance page, unknown commands, character set,
// per-database headers, body size limit.
#include <gtest/gtest.h>

#include "tests/cgi_runner.h"

namespace zarix::testing {
namespace {

class StartupTest : public ::testing::Test {
 protected:
  StartupTest()
      : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}
  FixtureSite site_;
};

TEST_F(StartupTest, MissingConfiguration) {
  CgiResult r = RunCgi(site_.Get("C21COM=S"));
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.body, "<HTML><BODY>FILE NOT FOUND SERVER.INI = /etc/zarix/zarix_server_ft.ini</BODY></HTML>");
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
  EXPECT_EQ(r.Header("content-length"), std::to_string(r.body.size()));
  EXPECT_EQ(r.Header("status"), "");
}

TEST(EngineCheckTest, MissingOrOtherVersion) {
  for (const std::string& engine : {std::string(), TestEnv("ZARIX_FAKE_ENGINE_LIBRARY")}) {
    FixtureSite site(TestEnv("ZARIX_CGI_BINARY"), engine);
    site.WriteConfig("");
    CgiResult r = RunCgi(site.Get("C21COM=S"));
    ASSERT_TRUE(r.exited) << engine;
    EXPECT_EQ(r.body, "Old version of CGI ZARIX64.DLL!") << engine;
    EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
    EXPECT_EQ(r.Header("content-length"), "31");
  }
}

TEST_F(StartupTest, Silence) {
  site_.WriteConfig("[MAIN]\nSilence=1\n");
  CgiResult r = RunCgi(site_.Get("C21COM=S"));
  EXPECT_EQ(r.body,
            "<HTML><BODY>Now there is a updating the Electronic Catalogue. It will borrow some "
            "minutes.</BODY></HTML>");
  site_.WriteFile("cgi/Silence.html", "<p>back soon</p>");
  r = RunCgi(site_.Get("C21COM=S"));
  EXPECT_EQ(r.body, "<p>back soon</p>");
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
  // Nothing of the request ran: no configuration copy, no trace.
  EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());
}

TEST_F(StartupTest, ConfigurationWithByteOrderMarkKeepsItsFirstSection) {
  site_.WriteFile("conf/zarix_server.ini",
                  "\xEF\xBB\xBF[MAIN]\nSilence=1\n[WEB]\nCGIPATH=" + site_.cgi() + "\n");
  CgiResult r = RunCgi(site_.Get("C21COM=S"));
  EXPECT_NE(r.body.find("updating the Electronic Catalogue"), std::string::npos) << r.body;
}

TEST_F(StartupTest, UnknownAndEmptyCommands) {
  site_.WriteConfig("");
  struct Case {
    const char* query;
    bool error_file;
    const char* body;
  } cases[] = {
      {"C21COM=Q", false, "<HTML><BODY>ERROR FILE NOT FOUND Error.html</BODY></HTML>"},
      {"C21COM=", false, "<HTML><BODY>ERROR FILE NOT FOUND Error.html</BODY></HTML>"},
      {"C21COM=Q", true, "<p>unknown command</p>Q"},
      {"C21COM=query", true, "<p>unknown command</p>q"},
      {"I21DBN=BOOKS", true, "<p>unknown command</p>"},
  };
  for (const Case& c : cases) {
    if (c.error_file) site_.WriteFile("cgi/Error.html", "<p>unknown command</p>");
    CgiResult r = RunCgi(site_.Get(c.query));
    EXPECT_EQ(r.body, c.body) << c.query;
    EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8") << c.query;
    EXPECT_EQ(r.Header("content-length"), std::to_string(r.body.size())) << c.query;
  }
  EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());
}

TEST_F(StartupTest, CommandWordMappedThroughWeb) {
  site_.WriteConfig("", "FIND=Q\n");
  site_.WriteFile("cgi/Error.html", "E:");
  EXPECT_EQ(RunCgi(site_.Get("C21COM=FIND")).body, "E:Q");
}

TEST_F(StartupTest, Windows1251Answer) {
  site_.WriteConfig("", "FRAMES_CHAR_SET=windows-1251\n");
  site_.WriteFile("cgi/Error.html", "Ошибка ");
  CgiResult r = RunCgi(site_.Get("C21COM=Q"));
  EXPECT_EQ(r.body, "\xCE\xF8\xE8\xE1\xEA\xE0 Q");
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=WINDOWS-1251");
  EXPECT_EQ(r.Header("content-length"), "8");
}

TEST_F(StartupTest, PerDatabaseHeaders) {
  site_.WriteConfig(
      "[BOOKS]\nContentType=text/html; charset=KOI8-R\nExpires=Thu, 01 Jan 1970 00:00:00 GMT\n"
      "Content-Language=ru\nETag=\n",
      "FRAMES_CHAR_SET=WINDOWS-1251\n");
  site_.WriteFile("cgi/Error.html", "x");
  CgiResult r = RunCgi(site_.Get("C21COM=Q&I21DBN=BOOKS"));
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=KOI8-R");
  EXPECT_EQ(r.Header("expires"), "Thu, 01 Jan 1970 00:00:00 GMT");
  EXPECT_EQ(r.Header("content-language"), "ru");
  EXPECT_EQ(r.headers.count("etag"), 0u);
  // Another database has none of them.
  r = RunCgi(site_.Get("C21COM=Q&I21DBN=OTHER"));
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=WINDOWS-1251");
  EXPECT_EQ(r.headers.count("expires"), 0u);
}

TEST_F(StartupTest, BodyAboveTheLimitIsRefused) {
  site_.WriteConfig("[MAIN]\nMAX_REQUEST_BODY=100\n");
  site_.WriteFile("cgi/Error.html", "E:");
  CgiResult r = RunCgi(site_.Post("C21COM=Q&X=" + std::string(200, 'a')));
  EXPECT_EQ(r.Header("status"), "413 Payload Too Large");
  EXPECT_NE(r.body.find("REQUEST TOO LARGE"), std::string::npos) << r.body;
  r = RunCgi(site_.Post("C21COM=Q&X=" + std::string(50, 'a')));
  EXPECT_EQ(r.Header("status"), "");
  EXPECT_EQ(r.body, "E:Q");
}

}  // namespace
}  // namespace zarix::testing
