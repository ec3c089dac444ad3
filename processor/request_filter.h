// The optional request filter: a format ([MAIN] CGIflc) run on the reader's record with the
// request-log fields added; its output decides whether the request goes on and may rewrite
// request fields (one "name=value" per line).
#pragma once

#include "processor/request_context.h"

namespace zarix {

// True to go on, false to refuse. Without a filter file (ctx.cgiflc empty) or an engine space,
// true. The request passes when the formatted text is not empty and does not begin with "0";
// then every output line with "=" sets a request field (value cleaned as any request value).
// A failure inside the filter keeps the decision reached so far (true before it was made).
bool RequestFilter(RequestContext& ctx);

}  // namespace zarix
