// Redirect mode: the whole request store goes to a resident server over TCP and its answer
// becomes the response.
//
// Wire protocol (see doc/resident_server_protocol.md): the gateway sends the decimal length of
// the request text, LF, and the request text (the request store as ini lines, CR LF ended, one
// empty line after each section). The server answers until it closes the connection: optional
// headers in ini form (section HEADERS) ended by "ZARIX_END_HEADER", text, and optionally
// "ZARIX_BINARY_DATA" followed by binary content to the end.
#pragma once

#include <string>
#include <string_view>

#include "gateway/cgi_response.h"
#include "util/ini_store.h"

namespace zarix {

inline constexpr std::string_view kNoConnectText = "Zarix Server no connect";
inline constexpr std::string_view kExchangeErrorText = "Error connect to zarix server!";
inline constexpr std::string_view kForwardTimeOutText = "ERROR TIME OUT";

// The request store as sent to the resident server.
std::string RequestStoreText(const IniStore& web_ini);

// What one exchange produced: the answer text and the binary part (empty unless the answer
// carried the binary marker).
struct ForwardAnswer {
  std::string text;
  std::string binary;
};

// The forwarding thread's work: connect to `address`:`port`, send `request_text` framed as above,
// read the answer. A refused connection gives kNoConnectText, a failure during the exchange
// kExchangeErrorText, as the answer text.
class TCGIThreadZarixServer {
 public:
  TCGIThreadZarixServer(std::string address, std::string port, std::string request_text)
      : address_(std::move(address)), port_(std::move(port)), request_text_(std::move(request_text)) {}
  ForwardAnswer Run() const;

 private:
  std::string address_;
  std::string port_;
  std::string request_text_;
};

// Splits a raw answer at the binary marker.
ForwardAnswer SplitAnswer(std::string received);

// Gateway side of redirect mode: settings from [ZarixServer] (IP "127.0.0.1", PORT "6666",
// CGITimeOut 3 seconds), the exchange in a thread of its own under that time-out, then the
// header block and the binary part are applied to `response`. Returns false when the forwarding
// thread was abandoned after the time-out (the caller must end the process without waiting).
bool ForwardRequest(const IniStore& server_ini, const IniStore& web_ini, CgiResponse& response);

// Applies an answer to the response (header block, text, binary part).
void ApplyForwardAnswer(ForwardAnswer answer, CgiResponse& response);

}  // namespace zarix
