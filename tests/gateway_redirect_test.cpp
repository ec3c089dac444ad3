// Whole requests in redirect mode against a small resident server of this test on 127.0.0.1.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "tests/cgi_runner.h"

namespace zarix::testing {
namespace {

// A listening socket on 127.0.0.1; `listen_too` false leaves the port closed (refused).
int Socket(bool listen_too, int* port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  bind(fd, reinterpret_cast<sockaddr*>(&a), len);
  if (listen_too) listen(fd, 4);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return fd;
}

// Serves one connection: reads the framed request into *received, answers `answer` unless it is
// empty (then waits for the gateway to give up).
std::thread Serve(int fd, std::string answer, std::string* received) {
  return std::thread([=] {
    int c = accept(fd, nullptr, nullptr);
    char buf[4096];
    size_t want = std::string::npos;
    while (want == std::string::npos || received->size() < want) {
      ssize_t n = read(c, buf, sizeof buf);
      if (n <= 0) break;
      received->append(buf, static_cast<size_t>(n));
      size_t lf = received->find('\n');
      if (want == std::string::npos && lf != std::string::npos) {
        want = lf + 1 + std::stoul(received->substr(0, lf));
      }
    }
    if (answer.empty()) while (read(c, buf, sizeof buf) > 0) {}
    if (!answer.empty()) write(c, answer.data(), answer.size());
    close(c);
    close(fd);
  });
}

class RedirectTest : public ::testing::Test {
 protected:
  RedirectTest() : site_(TestEnv("ZARIX_CGI_BINARY"), TestEnv("ZARIX_ENGINE_LIBRARY")) {}
  CgiResult Run(const CgiCall& call, const std::string& answer, bool listening = true) {
    int port;
    int fd = Socket(listening, &port);
    site_.WriteConfig("[ZarixServer]\nRedirect=1\nIP=127.0.0.1\nPORT=" + std::to_string(port) +
                      "\nCGITimeOut=" + (answer.empty() ? "1" : "5") + "\n");
    if (!listening) close(fd);
    std::thread server = listening ? Serve(fd, answer, &received_) : std::thread();
    CgiResult r = RunCgi(call);
    if (server.joinable()) server.join();
    return r;
  }
  FixtureSite site_;
  std::string received_;
};

TEST_F(RedirectTest, HeaderBlockAndRequestText) {
  CgiResult r = Run(site_.Get("C21COM=S&I21DBN=BOOKS"),
                    "[HEADERS]\r\nContent-Type=text/plain\r\nExpires=0\r\nZARIX_END_HEADERhello");
  EXPECT_EQ(r.body, "hello");
  EXPECT_EQ(r.Header("content-type"), "text/plain");
  EXPECT_EQ(r.Header("expires"), "0");
  EXPECT_EQ(r.Header("content-length"), "5");
  const std::string text =
      "[Form Literal]\r\nURLTag=192.0.2.7\r\nHOST=catalogue.test\r\nDTAGE=\r\nUserAgent=cgi-runner\r\n"
      "\r\n[CGI]\r\nQuery String=C21COM=S&I21DBN=BOOKS\r\n\r\n";
  EXPECT_EQ(received_, std::to_string(text.size()) + "\n" + text);
}

TEST_F(RedirectTest, BinaryAnswer) {
  const std::string image("GIF89a\0\x01\x02ZARIX_END_HEADER\xFF", 26);
  CgiResult r = Run(site_.Post("C21COM=3"), "ZARIX_BINARY_DATA" + image);
  EXPECT_EQ(r.body, image);
  EXPECT_EQ(r.Header("content-length"), "26");
  EXPECT_EQ(received_.find("[CGI]"), std::string::npos);  // a POST sends only its fields
}

TEST_F(RedirectTest, RefusedAndTimeOut) {
  EXPECT_EQ(Run(site_.Get("C21COM=S"), "x", false).body, "Zarix Server no connect");
  CgiResult r = Run(site_.Get("C21COM=S"), "");
  EXPECT_EQ(r.body, "ERROR TIME OUT");
  EXPECT_TRUE(r.exited);
  EXPECT_LT(r.seconds, 10.0);
}

}  // namespace
}  // namespace zarix::testing
