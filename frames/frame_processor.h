// ProcessFrame: turns a frame (HTML lines with directives) into finished output, in place.
//
// Pass 1 expands directives line by line; lines a directive inserts are examined in turn, so a
// directive's output may hold further directives:
//   <? ... ?>            a record format (may span lines, joined without separators) run on the
//                        engine's working record; its output replaces the block, with the text
//                        before "<?" and after "?>" kept around it
//   <!RESULT>            the command's own output (ExecuteCommand)
//   <!FORMAT=spec>       a format run on the working record; "@name" names a format file found
//                        in the frames directory, the database folder, the default frames
//                        directory or the deposit folder; INSERT_ALL_PARAMETERS and
//                        INSERT_ALL_PARAMETERS_IN_QUERY write the logged request parameters as
//                        hidden inputs or as one query string
//   <!FILE=name>         the lines of a file from the frames directory, the database folder or
//                        the default frames directory
//   <!PHP=argument>      a page fetched from a web server (see php_fetch.h), headers removed
// Pass 2 fills the counted placeholders of the page, pass 3 the fixed ones and the language texts
// (see placeholders.h).
//
// File names taken from frames never leave their folders (see IsSafeRelativeName); a name that
// would shows as not found. A page whose directives keep producing directives (a file that
// includes itself) stops expanding after kMaxExpansions directives and blocks per page, and runs
// <!RESULT> at most kMaxCommandRuns times; the rest become empty lines.
#pragma once

#include "frames/command_executor.h"
#include "frames/frame_text.h"

namespace zarix {

struct RequestContext;

inline constexpr int kMaxExpansions = 10000;
// A page runs its command (formatting every shown record) at most this often: a frame whose
// <!RESULT> output holds <!RESULT> again would otherwise format the records thousands of times.
inline constexpr int kMaxCommandRuns = 16;

// REQUIRES: the database of the request is open in space 1 (formats run on its shelf 0).
void ProcessFrame(RequestContext& ctx, PageState& page, FrameLines* lines);

}  // namespace zarix
