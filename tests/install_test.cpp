// The installed catalogue: `cmake --install` into a temporary prefix, a site made there as a
// librarian would (the installed zarix-admin creates the database and loads the sample records),
// searched as a web server would ask (the installed cgizarix64 started with a CGI environment
// and nothing else: its configuration in its own folder, the engine in the library folder).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/admin_run.h"
#include "tests/cgi_runner.h"
#include "tests/pages_fixture.h"
#include "util/path.h"

namespace zarix::testing {
namespace {

CgiCall WebServerCall(const std::string& program, const std::string& query) {
  CgiCall c;
  c.program = program;
  c.env = {{"GATEWAY_INTERFACE", "CGI/1.1"},
           {"SERVER_PROTOCOL", "HTTP/1.1"},
           {"REQUEST_METHOD", "GET"},
           {"QUERY_STRING", query},
           {"SCRIPT_NAME", "/cgi-bin/cgizarix64"},
           {"REMOTE_ADDR", "127.0.0.1"},
           {"HTTP_HOST", "localhost"},
           {"HTTP_USER_AGENT", "install-test"}};
  return c;
}

TEST(InstallTest, InstalledGatewaySearchesADatabaseMadeWithTheInstalledTool) {
  TempDir prefix("zarix-install-");
  ASSERT_FALSE(prefix.path().empty());
  const std::string root = prefix.path();
  RunResult r = RunProgram(
      {TestEnv("ZARIX_CMAKE"), "--install", TestEnv("ZARIX_BINARY_DIR"), "--prefix", root});
  ASSERT_EQ(r.status, 0) << r.out << r.err;

  const std::string cgi_dir = root + TestEnv("ZARIX_INSTALL_CGIDIR") + "/";
  const std::string cgi = cgi_dir + "cgizarix64";
  const std::string engine = root + TestEnv("ZARIX_INSTALL_LIBDIR") + "/libzarix64.so";
  const std::string admin = root + "bin/zarix-admin";
  for (const std::string& file : {cgi, engine, admin, root + "share/zarix/data/README.md"}) {
    ASSERT_TRUE(FileExists(file)) << file;
  }
  ASSERT_FALSE(FileExists(cgi_dir + "libzarix64.so"));  // found in lib/, not beside

  // The site: a data folder that zarix-admin makes, frames, messages, a format, and the
  // configuration where the gateway looks first, in its own folder.
  const std::string site = root + "site/";
  r = RunProgram({admin, "create", site + "data", "BOOKS"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunProgram({admin, "import", "BOOKS", TestDataPath("marc21-real-utf8.mrc"), "--datapath",
                  site + "data"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("233 records loaded"), std::string::npos) << r.out;
  std::string messages;
  for (int i = 0; i < 20; ++i) messages += "message " + std::to_string(i) + "\r\n";
  const std::pair<std::string, std::string> files[] = {
      {site + "cgi/WebMsg.txt", messages},
      {site + "frames/header.frm", "<html>HEAD total=<--TOTALRECS--> end"},
      {site + "frames/SMain.frm", "<!RESULT>"},
      {site + "frames/footer.frm", "</html>"},
      {site + "frames/sempty.frm", "<p>nothing found</p>"},
      {site + "data/BOOKS/fullwebr.pft", "'<p>'v001'</p>'/"},
      {cgi_dir + "zarix_server.ini", "[WEB]\nCGIPATH=" + site + "cgi/\nFRAMES=" + site +
                                         "frames/\n[MAIN]\nDATAPATH=" + site + "data/\n"},
  };
  for (const auto& [path, text] : files) {
    std::error_code ec;
    std::filesystem::create_directories(DirName(path), ec);
    ASSERT_TRUE(WriteFileBytes(path, text)) << path;
  }

  // A web server's CGI folder belongs to root: the gateway cannot write beside itself.
  ASSERT_EQ(chmod(cgi_dir.c_str(), 0555), 0);
  struct Writable {
    std::string dir;
    ~Writable() { chmod(dir.c_str(), 0755); }  // so that the prefix can be removed
  } writable{cgi_dir};

  const std::vector<IsoRec> records = ParseIsoFile(TestData("marc21-real-utf8.mrc"));
  struct Case {
    std::string expression;
    std::vector<std::string> words;
  } cases[] = {
      {"K=PERL", {"PERL"}},
      {"K=COMPUTER%20*%20K=SCIENCE", {"COMPUTER", "SCIENCE"}},
  };
  for (const Case& c : cases) {
    const size_t expected = RecordsWithAll(records, c.words).size();
    ASSERT_GT(expected, 0u) << c.expression;
    CgiResult page = RunCgi(WebServerCall(cgi, "C21COM=S&I21DBN=BOOKS&S21All=" + c.expression));
    EXPECT_TRUE(page.exited);
    EXPECT_EQ(page.Header("status"), "") << page.err;  // 200
    EXPECT_NE(page.body.find("HEAD total=" + std::to_string(expected) + " end"), std::string::npos)
        << c.expression << "\n"
        << page.body.substr(0, 300) << page.err;
    EXPECT_EQ(page.err, "");
  }

  // Without its engine the installed gateway says so to the web server and its log.
  ASSERT_EQ(std::remove(engine.c_str()), 0);
  CgiResult page = RunCgi(WebServerCall(cgi, "C21COM=S&I21DBN=BOOKS&S21All=K=PERL"));
  EXPECT_EQ(page.Header("status"), "503 Service Unavailable");
  EXPECT_NE(page.err.find("libzarix64.so"), std::string::npos) << page.err;
}

}  // namespace
}  // namespace zarix::testing
