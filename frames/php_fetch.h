// The page fetch of the frame directive "<!PHP=": a plain HTTP/1.0 GET over TCP to a local web
// server, with connect and read time-outs.
//
// Argument forms (after "<!PHP=" and before the closing ">"):
//   [ENCODING=<charset>,][IP=<host>[:<port>],]<address>
// Without "IP=" the server is [PHP] DefaultServerIP (default 127.0.0.1) on
// [PHP] DefaultServerPORT (default 80), which is also the port of an "IP=" part without one.
#pragma once

#include <string>
#include <string_view>

#include "util/ini_store.h"

namespace zarix {

struct PhpRequest {
  std::string encoding = "UTF-8";  // upper-cased
  std::string host;
  std::string port;
  std::string address;  // the URL, "http://" put in front when it has no scheme
};

PhpRequest ParsePhpArgument(std::string_view argument, const IniStore& server_ini);

// The Host header for `address`: its authority ("host[:port]"), or `host` when the address
// has none.
std::string PhpHostHeader(std::string_view address, std::string_view host);

struct PhpTimeouts {
  int connect_ms = 3000;
  int read_ms = 10000;          // for the whole answer
  size_t max_bytes = 16 << 20;  // the answer is cut here
};

// [PHP] ConnectTimeOut and ReadTimeOut (milliseconds) over the defaults.
PhpTimeouts ReadPhpTimeouts(const IniStore& server_ini);

// Sends "GET <address> HTTP/1.0" with a Host header and returns everything the server sends
// (headers included) until it closes, the read time-out passes or max_bytes are read. When the
// server cannot be reached in time the answer is "no func".
std::string FetchPhpPage(const PhpRequest& request, const PhpTimeouts& timeouts);

}  // namespace zarix
