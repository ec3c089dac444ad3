// Redirect mode: exchange with the resident server and the answer's header and binary parts.
#include "gateway/forwarding.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "gateway/response_assembly.h"

namespace zarix {

namespace {

constexpr std::string_view kEndHeaderMarker = "ZARIX_END_HEADER";
constexpr std::string_view kBinaryMarker = "ZARIX_BINARY_DATA";

bool SendAll(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Connected socket or -1.
int Connect(const std::string& address, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(address.c_str(), port.c_str(), &hints, &list) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = list; a; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) break;
    close(fd);
    fd = -1;
  }
  freeaddrinfo(list);
  return fd;
}

}  // namespace

std::string RequestStoreText(const IniStore& web_ini) {
  std::string text;
  for (const std::string& section : web_ini.SectionNames()) {
    text += "[" + section + "]\r\n";
    for (const std::string& line : web_ini.SectionLines(section)) text += line + "\r\n";
    text += "\r\n";
  }
  return text;
}

ForwardAnswer SplitAnswer(std::string received) {
  ForwardAnswer answer;
  size_t p = received.find(kBinaryMarker);
  if (p != std::string::npos) {
    answer.binary = received.substr(p + kBinaryMarker.size());
    received.resize(p);
  }
  answer.text = std::move(received);
  return answer;
}

ForwardAnswer TCGIThreadZarixServer::Run() const {
  int fd = Connect(address_, port_);
  if (fd < 0) return ForwardAnswer{std::string(kNoConnectText), {}};
  const std::string message = std::to_string(request_text_.size()) + "\n" + request_text_;
  std::string received;
  bool ok = SendAll(fd, message);
  char buf[32000];
  while (ok) {
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    received.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  if (!ok) return ForwardAnswer{std::string(kExchangeErrorText), {}};
  return SplitAnswer(std::move(received));
}

void ApplyForwardAnswer(ForwardAnswer answer, CgiResponse& response) {
  response.content = std::move(answer.text);
  size_t p = response.content.find(kEndHeaderMarker);
  if (p != std::string::npos && p > 0) {
    IniStore headers;
    headers.LoadText(std::string_view(response.content).substr(0, p));
    CopyResponseHeaders(headers, response);
    response.content.erase(0, p + kEndHeaderMarker.size());
  }
  if (!answer.binary.empty()) {
    response.content.clear();
    response.content_stream = std::make_unique<MemoryContentStream>(std::move(answer.binary));
  }
}

bool ForwardRequest(const IniStore& server_ini, const IniStore& web_ini, CgiResponse& response) {
  struct Shared {
    std::mutex mu;
    std::condition_variable cv;
    bool done = false;
    ForwardAnswer answer;
  };
  auto shared = std::make_shared<Shared>();
  TCGIThreadZarixServer forwarder(server_ini.ReadString("ZarixServer", "IP", "127.0.0.1"),
                                  server_ini.ReadString("ZarixServer", "PORT", "6666"),
                                  RequestStoreText(web_ini));
  const long long timeout = server_ini.ReadInteger("ZarixServer", "CGITimeOut", 3);
  // The thread owns its own copy of everything it touches, so abandoning it after a time-out
  // leaves nothing the gateway still uses.
  std::thread([shared, forwarder = std::move(forwarder)] {
    ForwardAnswer answer;
    try {
      answer = forwarder.Run();
    } catch (...) {
      answer = ForwardAnswer{std::string(kExchangeErrorText), {}};
    }
    std::lock_guard<std::mutex> lock(shared->mu);
    shared->answer = std::move(answer);
    shared->done = true;
    shared->cv.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(shared->mu);
  bool finished = shared->cv.wait_for(lock, std::chrono::seconds(timeout < 0 ? 0 : timeout),
                                      [&] { return shared->done; });
  if (!finished) {
    response.content = std::string(kForwardTimeOutText);
    return false;
  }
  ApplyForwardAnswer(std::move(shared->answer), response);
  return true;
}

}  // namespace zarix
