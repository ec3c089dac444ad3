// Whole requests in redirect mode: the gateway hands the request store to a resident server (a
// small TCP server of this test on 127.0.0.1) and sends its answer.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "tests/cgi_runner.h"

namespace zarix::testing {
namespace {

// Accepts one connection, reads the framed request, answers `answer` (unless `silent`) and
// closes.
class OneShotServer {
 public:
  OneShotServer(std::string answer, bool silent) : answer_(std::move(answer)), silent_(silent) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 4);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~OneShotServer() {
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
  }
  int port() const { return port_; }
  std::string received() const { return received_; }

 private:
  void Serve() {
    int c = accept(fd_, nullptr, nullptr);
    if (c < 0) return;
    char buf[4096];
    // The length line, then that many bytes.
    size_t want = std::string::npos;
    while (want == std::string::npos || received_.size() < want) {
      ssize_t n = read(c, buf, sizeof buf);
      if (n <= 0) break;
      received_.append(buf, static_cast<size_t>(n));
      size_t lf = received_.find('\n');
      if (want == std::string::npos && lf != std::string::npos) {
        want = lf + 1 + std::stoul(received_.substr(0, lf));
      }
    }
    if (silent_) {
      read(c, buf, sizeof buf);  // until the gateway gives up and its process ends
    } else {
      write(c, answer_.data(), answer_.size());
    }
    close(c);
  }

  std::string answer_;
  bool silent_;
  int fd_;
  int port_;
  std::string received_;
  std::thread thread_;
};

class RedirectTest : public ::testing::Test {
 protected:
  RedirectTest() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}
  void Configure(int port, int timeout) {
    site_.WriteConfig("[ZarixServer]\nRedirect=1\nIP=127.0.0.1\nPORT=" + std::to_string(port) +
                      "\nCGITimeOut=" + std::to_string(timeout) + "\n");
  }
  FixtureSite site_;
};

TEST_F(RedirectTest, HeaderBlockAndRequestText) {
  OneShotServer server("[HEADERS]\r\nContent-Type=text/plain\r\nExpires=0\r\nZARIX_END_HEADERhello",
                       false);
  Configure(server.port(), 5);
  CgiResult r = RunCgi(site_.Get("C21COM=S&I21DBN=BOOKS"));
  EXPECT_EQ(r.body, "hello");
  EXPECT_EQ(r.Header("content-type"), "text/plain");
  EXPECT_EQ(r.Header("expires"), "0");
  EXPECT_EQ(r.Header("content-length"), "5");
  const std::string text =
      "[Form Literal]\r\nURLTag=192.0.2.7\r\nHOST=catalogue.test\r\nDTAGE=\r\nUserAgent=cgi-runner\r\n"
      "\r\n[CGI]\r\nQuery String=C21COM=S&I21DBN=BOOKS\r\n\r\n";
  EXPECT_EQ(server.received(), std::to_string(text.size()) + "\n" + text);
}

TEST_F(RedirectTest, BinaryAnswer) {
  const std::string image("GIF89a\0\x01\x02ZARIX_END_HEADER\xFF", 26);
  OneShotServer server("ZARIX_BINARY_DATA" + image, false);
  Configure(server.port(), 5);
  CgiResult r = RunCgi(site_.Post("C21COM=3"));
  EXPECT_EQ(r.body, image);
  EXPECT_EQ(r.Header("content-length"), "26");
  // A POST sends only the request fields.
  EXPECT_EQ(server.received().find("[CGI]"), std::string::npos);
}

TEST_F(RedirectTest, RefusedConnection) {
  int port;
  {
    OneShotServer closed("", false);
    port = closed.port();
    // Connect once so the server thread ends; the port is closed afterwards.
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    write(s, "0\n", 2);
    close(s);
  }
  Configure(port, 5);
  CgiResult r = RunCgi(site_.Get("C21COM=S"));
  EXPECT_EQ(r.body, "Zarix Server no connect");
}

TEST_F(RedirectTest, TimeOut) {
  OneShotServer server("", true);
  Configure(server.port(), 1);
  CgiResult r = RunCgi(site_.Get("C21COM=S"));
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.body, "ERROR TIME OUT");
  EXPECT_LT(r.seconds, 10.0);
}

}  // namespace
}  // namespace zarix::testing
