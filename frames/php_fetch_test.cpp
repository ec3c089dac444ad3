// The "<!PHP=" argument forms, the Host header, and the time-outs (the fetch itself is tested
// by the whole-request frame tests).
#include "frames/php_fetch.h"

#include <gtest/gtest.h>

#include <string>

#include "util/local_web_server.h"

namespace zarix {
namespace {

TEST(PhpArgumentTest, Table) {
  IniStore ini;
  ini.LoadText("[PHP]\nDefaultServerPORT=8080\n");
  struct Case {
    const char* arg;
    const char* encoding;
    const char* host;
    const char* port;
    const char* address;
  } cases[] = {
      {"localhost/a.php", "UTF-8", "127.0.0.1", "8080", "http://localhost/a.php"},
      {"ENCODING=windows-1251,IP=10.0.0.1:81,x.php", "WINDOWS-1251", "10.0.0.1", "81",
       "http://x.php"},
      {"ip=web,HTTP://web/x", "UTF-8", "web", "8080", "HTTP://web/x"},
      {"ENCODING=koi8", "UTF-8", "127.0.0.1", "8080", "http://ENCODING=koi8"},
  };
  for (const Case& c : cases) {
    PhpRequest r = ParsePhpArgument(c.arg, ini);
    EXPECT_EQ(r.encoding, c.encoding) << c.arg;
    EXPECT_EQ(r.host, c.host) << c.arg;
    EXPECT_EQ(r.port, c.port) << c.arg;
    EXPECT_EQ(r.address, c.address) << c.arg;
  }
  IniStore empty;
  EXPECT_EQ(ParsePhpArgument("IP=web,x", empty).port, "80");
}

TEST(PhpHostHeaderTest, Authority) {
  EXPECT_EQ(PhpHostHeader("http://127.0.0.1:8080/dir/page.php?x=1", "h"), "127.0.0.1:8080");
  EXPECT_EQ(PhpHostHeader("http://user@site", "h"), "site");
  EXPECT_EQ(PhpHostHeader("page.php", "h"), "h");
}

TEST(PhpFetchTest, ReadTimeOutAndRefusedConnection) {
  PhpRequest r{"UTF-8", "127.0.0.1", "", "http://x/"};
  PhpTimeouts t;
  t.read_ms = 200;
  {
    testing::LocalWebServer server("", true);
    r.port = std::to_string(server.port());
    EXPECT_EQ(FetchPhpPage(r, t), "");
  }
  // The server has gone: nobody listens on its port any more.
  EXPECT_EQ(FetchPhpPage(r, t), "no func");
}

}  // namespace
}  // namespace zarix
