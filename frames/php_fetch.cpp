// HTTP/1.0 GET for the "<!PHP=" frame directive.
#include "frames/php_fetch.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "frames/frame_text.h"

namespace zarix {

PhpRequest ParsePhpArgument(std::string_view argument, const IniStore& server_ini) {
  PhpRequest r;
  std::string arg(argument);
  if (StartsWithNoCase(arg, "ENCODING=") && arg.find(',') != std::string::npos) {
    size_t comma = arg.find(',');
    r.encoding = UpperAscii(arg.substr(9, comma - 9));
    arg.erase(0, comma + 1);
  }
  const std::string default_port = server_ini.ReadString("PHP", "DefaultServerPORT", "80");
  if (StartsWithNoCase(arg, "IP=") && arg.find(',') != std::string::npos) {
    size_t comma = arg.find(',');
    std::string server = arg.substr(3, comma - 3);
    arg.erase(0, comma + 1);
    size_t colon = server.find(':');
    if (colon != std::string::npos) {
      r.host = server.substr(0, colon);
      r.port = server.substr(colon + 1);
    } else {
      r.host = server;
      r.port = default_port;
    }
  } else {
    r.host = server_ini.ReadString("PHP", "DefaultServerIP", "127.0.0.1");
    r.port = default_port;
  }
  r.address = StartsWithNoCase(arg, "HTTP") ? arg : "http://" + arg;
  return r;
}

std::string PhpHostHeader(std::string_view address, std::string_view host) {
  size_t scheme = address.find("://");
  if (scheme == std::string_view::npos) return std::string(host);
  std::string_view rest = address.substr(scheme + 3);
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  return authority.empty() ? std::string(host) : std::string(authority);
}

PhpTimeouts ReadPhpTimeouts(const IniStore& server_ini) {
  PhpTimeouts t;
  long long c = server_ini.ReadInteger("PHP", "ConnectTimeOut", t.connect_ms);
  long long r = server_ini.ReadInteger("PHP", "ReadTimeOut", t.read_ms);
  if (c > 0 && c < 600000) t.connect_ms = static_cast<int>(c);
  if (r > 0 && r < 600000) t.read_ms = static_cast<int>(r);
  return t;
}

namespace {

constexpr std::string_view kNoAnswer = "no func";

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// A connected non-blocking socket, or -1.
int Connect(const std::string& host, const std::string& port, int timeout_ms) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &list) != 0) return -1;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  int fd = -1;
  for (addrinfo* a = list; a != nullptr && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) break;
    bool ok = false;
    if (errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      if (poll(&p, 1, MsLeft(deadline)) == 1) {
        int err = 0;
        socklen_t len = sizeof err;
        ok = getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
      }
    }
    if (!ok) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(list);
  return fd;
}

}  // namespace

std::string FetchPhpPage(const PhpRequest& request, const PhpTimeouts& timeouts) {
  int fd = Connect(request.host, request.port, timeouts.connect_ms);
  if (fd < 0) return std::string(kNoAnswer);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeouts.read_ms);
  const std::string get = "GET " + request.address +
                          " HTTP/1.0\nHost: " + PhpHostHeader(request.address, request.host) +
                          "\n\n";
  size_t sent = 0;
  while (sent < get.size()) {
    ssize_t n = send(fd, get.data() + sent, get.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) break;
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, MsLeft(deadline)) <= 0) break;
  }
  std::string answer;
  char buf[32000];
  while (sent == get.size() && answer.size() < timeouts.max_bytes) {
    pollfd p{fd, POLLIN, 0};
    int ready = poll(&p, 1, MsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) break;
    answer.append(buf,
                  static_cast<size_t>(std::min<size_t>(n, timeouts.max_bytes - answer.size())));
  }
  close(fd);
  return answer;
}

}  // namespace zarix
