// The one-connection test web server.
#include "util/local_web_server.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zarix::testing {

LocalWebServer::LocalWebServer(std::string answer, bool stall) {
  fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  listen(fd_, 4);
  thread_ = std::thread([this, answer = std::move(answer), stall] {
    int c = accept(fd_, nullptr, nullptr);
    if (c < 0) return;  // the destructor shut the port before anybody came
    connected_ = true;
    char buf[4096];
    ssize_t n = recv(c, buf, sizeof buf, 0);
    if (n > 0) request_.assign(buf, static_cast<size_t>(n));
    if (stall) {
      while (recv(c, buf, sizeof buf, 0) > 0) {
      }
    } else {
      send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
    }
    close(c);
  });
}

LocalWebServer::~LocalWebServer() {
  shutdown(fd_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  close(fd_);
}

std::string LocalWebServer::request() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

}  // namespace zarix::testing
