// A one-connection web server on 127.0.0.1 for tests of code that fetches pages over HTTP.
//
// Test support only (built with the tests, never shipped): the unit tests of the page fetch and
// the whole-request frame tests both need a peer that records what it was sent.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace zarix::testing {

// Listens on a free port of 127.0.0.1 from construction on and serves one connection in a thread
// of its own: it reads the request (one read of up to 4 KiB), then sends `answer` and closes. With
// `stall` it sends nothing and waits until the client gives up. The destructor stops waiting for a
// connection that never came and closes the port, so a port taken from a destroyed server refuses
// connections. Not thread-safe: use from one test thread.
class LocalWebServer {
 public:
  explicit LocalWebServer(std::string answer, bool stall = false);
  ~LocalWebServer();
  LocalWebServer(const LocalWebServer&) = delete;
  LocalWebServer& operator=(const LocalWebServer&) = delete;

  int port() const { return port_; }

  // What the client sent; waits until the connection is over.
  std::string request();
  // True once a client has connected (does not wait).
  bool connected() const { return connected_; }

 private:
  int fd_;
  int port_ = 0;
  std::string request_;
  std::atomic<bool> connected_{false};
  std::thread thread_;
};

}  // namespace zarix::testing
