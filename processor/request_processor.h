// The body of every request in CGI mode: start-up (configuration, maintenance page, message list,
// query string, engine set-up, frame list, request filter), dispatch on the command character,
// and the common tail (log, engine close, response assembly, trace, clean-up).
#pragma once

#include "gateway/cgi_request.h"
#include "gateway/cgi_response.h"
#include "processor/debug_trace.h"
#include "util/ini_store.h"

namespace zarix {

// Fills `response`. Never throws: a failure after the configuration is read becomes the page of
// message 18 and the trace is saved.
void RequestProcessor(IniStore& web_ini, const CgiRequest& request, CgiResponse& response,
                      DebugTrace& trace);

}  // namespace zarix
