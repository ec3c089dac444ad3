// Whole requests: configuration, engine check (with their HTTP statuses and error log lines),
// maintenance page, unknown commands, character set, per-database headers, body size limit.
#include <gtest/gtest.h>

#include "tests/cgi_runner.h"

namespace zarix::testing {
namespace {

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}
  // The body, after checking that the page is UTF-8 HTML with its length.
  std::string Page(const CgiCall& call, const char* type = "text/html; charset=UTF-8") {
    CgiResult r = RunCgi(call);
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.Header("content-type"), type);
    EXPECT_EQ(r.Header("content-length"), std::to_string(r.body.size()));
    return r.body;
  }
  FixtureSite site_;
};

TEST_F(StartupTest, MissingConfiguration) {
  const CgiCall call = site_.Get("C21COM=S");
  EXPECT_EQ(Page(call),
            "<HTML><BODY>FILE NOT FOUND SERVER.INI = /etc/zarix/zarix_server_ft.ini</BODY></HTML>");
  // A server error for the web server's log and monitoring, with every place looked at.
  CgiResult r = RunCgi(call);
  EXPECT_EQ(r.Header("status"), "500 Internal Server Error");
  for (const std::string& dir : {site_.conf(), site_.bin(), std::string("/etc/zarix/")}) {
    for (const char* name : {"zarix_server.ini", "zarix_server_ft.ini"}) {
      EXPECT_NE(r.err.find(dir + name), std::string::npos) << dir + name << "\n" << r.err;
    }
  }
}

TEST(EngineCheckTest, MissingOrUnusableEngineIsUnavailable) {
  struct Case {
    std::string engine;  // copied beside the program as libzarix64.so; "" none
    std::string reason;  // what the error log must say
  } cases[] = {
      {"", "libzarix64.so: cannot open shared object file"},
      {TestEnv("ZARIX_FAKE_ENGINE_LIBRARY"), "no function zarix_uatab_init"},
      // The loader's own words name the dependency that is missing, not the engine.
      {TestEnv("ZARIX_NEEDY_ENGINE_LIBRARY"), "libzarix64_fake_dependency.so"},
  };
  for (const Case& c : cases) {
    FixtureSite site(TestEnv("ZARIX_CGI_BINARY"), c.engine);
    site.WriteConfig("");
    CgiResult r = RunCgi(site.Get("C21COM=S"));
    EXPECT_EQ(r.body, "Old version of CGI ZARIX64.DLL!") << c.engine;
    EXPECT_EQ(r.Header("content-type"), "text/html; charset=UTF-8");
    EXPECT_EQ(r.Header("status"), "503 Service Unavailable") << c.engine;
    EXPECT_NE(r.err.find("engine library not usable: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
  }
}

TEST_F(StartupTest, SilenceAlsoBehindAByteOrderMark) {
  site_.WriteFile("conf/zarix_server.ini",
                  "\xEF\xBB\xBF[MAIN]\nSilence=1\n[WEB]\nCGIPATH=" + site_.cgi() + "\n");
  EXPECT_EQ(Page(site_.Get("C21COM=S")),
            "<HTML><BODY>Now there is a updating the Electronic Catalogue. It will borrow some "
            "minutes.</BODY></HTML>");
  site_.WriteFile("cgi/Silence.html", "<p>back soon</p>");
  EXPECT_EQ(Page(site_.Get("C21COM=S")), "<p>back soon</p>");
}

TEST_F(StartupTest, UnknownAndEmptyCommands) {
  site_.WriteConfig("", "FIND=Q\n");
  const std::string missing = "<HTML><BODY>ERROR FILE NOT FOUND Error.html</BODY></HTML>";
  EXPECT_EQ(Page(site_.Get("C21COM=Q")), missing);
  EXPECT_EQ(Page(site_.Get("C21COM=")), missing);
  site_.WriteFile("cgi/Error.html", "E:");
  EXPECT_EQ(Page(site_.Get("C21COM=Q")), "E:Q");
  EXPECT_EQ(Page(site_.Get("C21COM=query")), "E:q");
  EXPECT_EQ(Page(site_.Get("C21COM=FIND")), "E:Q");  // mapped through [WEB]
  EXPECT_EQ(Page(site_.Get("I21DBN=BOOKS")), "E:");   // no zero byte in the page
  EXPECT_TRUE(site_.Files("bin", "", ".ini").empty());
}

TEST_F(StartupTest, Windows1251AndDatabaseHeaders) {
  site_.WriteConfig(
      "[BOOKS]\nContentType=text/html; charset=KOI8-R\nExpires=0\nContent-Language=ru\nETag=\n",
      "FRAMES_CHAR_SET=windows-1251\n");
  site_.WriteFile("cgi/Error.html", "Ошибка ");
  EXPECT_EQ(Page(site_.Get("C21COM=Q"), "text/html; charset=WINDOWS-1251"),
            "\xCE\xF8\xE8\xE1\xEA\xE0 Q");
  CgiResult r = RunCgi(site_.Get("C21COM=Q&I21DBN=BOOKS"));
  EXPECT_EQ(r.Header("content-type"), "text/html; charset=KOI8-R");
  EXPECT_EQ(r.Header("expires"), "0");
  EXPECT_EQ(r.Header("content-language"), "ru");
  EXPECT_EQ(r.headers.count("etag"), 0u);
}

TEST_F(StartupTest, BodyAboveTheLimitIsRefused) {
  site_.WriteConfig("[MAIN]\nMAX_REQUEST_BODY=100\n");
  site_.WriteFile("cgi/Error.html", "E:");
  CgiResult r = RunCgi(site_.Post("C21COM=Q&X=" + std::string(200, 'a')));
  EXPECT_EQ(r.Header("status"), "413 Payload Too Large");
  EXPECT_NE(r.body.find("REQUEST TOO LARGE"), std::string::npos) << r.body;
  EXPECT_EQ(Page(site_.Post("C21COM=Q&X=" + std::string(50, 'a'))), "E:Q");
}

}  // namespace
}  // namespace zarix::testing
