// The "<!PHP=" argument forms, the Host header, and the time-outs (the fetch itself is tested
// by the whole-request frame tests).
#include "frames/php_fetch.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

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

// A server that accepts one connection, records the request and sends `answer` (or nothing).
class OneShotServer {
 public:
  explicit OneShotServer(std::string answer, bool stall = false) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(fd_, 1);
    thread_ = std::thread([this, answer, stall] {
      int c = accept(fd_, nullptr, nullptr);
      char buf[4096];
      ssize_t n = recv(c, buf, sizeof buf, 0);
      if (n > 0) request_.assign(buf, static_cast<size_t>(n));
      if (stall) {
        recv(c, buf, sizeof buf, 0);  // until the client gives up
      } else {
        send(c, answer.data(), answer.size(), 0);
      }
      close(c);
    });
  }
  ~OneShotServer() {
    if (thread_.joinable()) thread_.join();
    close(fd_);
  }
  std::string port() const { return std::to_string(port_); }
  std::string request() {
    thread_.join();
    return request_;
  }

 private:
  int fd_;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

TEST(PhpFetchTest, ReadTimeOutAndRefusedConnection) {
  PhpRequest r{"UTF-8", "127.0.0.1", "", "http://x/"};
  PhpTimeouts t;
  t.read_ms = 200;
  {
    OneShotServer server("", true);
    r.port = server.port();
    EXPECT_EQ(FetchPhpPage(r, t), "");
  }
  // The server has gone: nobody listens on its port any more.
  EXPECT_EQ(FetchPhpPage(r, t), "no func");
}

}  // namespace
}  // namespace zarix
