// The gateway's one action: engine version check, configuration, request store, then either the
// request thread under a time-out (CGI mode) or forwarding to a resident server (redirect mode),
// and finally the response on standard output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gateway/cgi_request.h"
#include "gateway/cgi_response.h"
#include "processor/debug_trace.h"
#include "util/ini_store.h"

namespace zarix {

inline constexpr std::string_view kOldEngineText = "Old version of CGI ZARIX64.DLL!";
inline constexpr std::string_view kInternalErrorPage =
    "<HTML><BODY>ZARIX64 INTERNAL ERROR</BODY></HTML>";
inline constexpr long long kDefaultMaxRequestBody = 64ll << 20;

// The request processor the request thread runs: fills `response` from the request store.
using RequestProcessorFn = void (*)(IniStore& web_ini, const CgiRequest& request,
                                    CgiResponse& response, DebugTrace& trace);

// What the action needs from the rest of the program (the processor and the engine live in
// libraries above the gateway).
struct ActionServices {
  // True when the engine library loads and its version text is "2020".
  bool (*engine_version_ok)() = nullptr;
  RequestProcessorFn request_processor = nullptr;
  // Removes temporary files a failed request may leave (the engine's configuration copy).
  void (*cleanup_after_failure)() = nullptr;
  int body_fd = 0;    // standard input
  int output_fd = 1;  // standard output
};

// The process-wide trace file name of this request: "Error_terminate_<random below 1000000>_"
// + local time "dd_hh_nn_ss" + ".log". Set by NewErrorTraceFileName at the start of a request.
const std::string& ErrorTraceFileName();
void NewErrorTraceFileName();

// How the action ended.
enum class ActionEnd {
  kSent,             // response sent, nothing left running
  kThreadAbandoned,  // response sent after a time-out; the caller must _exit at once
};

// Handles one request: fills `response` and writes it to `services.output_fd`. `request` holds
// the environment; the action reads the body itself once the size limit is known.
ActionEnd WebModuleStandardWebActionItemZarix64Action(CgiRequest& request, CgiResponse& response,
                                                      const ActionServices& services);

// The request lines (before the clean-up): "[Form Literal]", the four fixed fields, then the body
// fields (multipart walk or form-encoded fields), appended to `*out` one by one so that a failure
// keeps the lines made so far. Sets `*ansi_encoded` when a body field is ANSIENCODING=1.
void TokenizeRequest(const CgiRequest& request, std::vector<std::string>* out,
                     bool* ansi_encoded);

}  // namespace zarix
