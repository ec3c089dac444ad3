// Which frames make up the page of a request, and which request values go into the request-log
// record.
//
// FrameList: item 0 is the frames directory (a plain prefix: file names are appended without a
// separator), items 1..n the frame names in display order, each a file name relative to that
// directory or the word RESULT (any case), which stands for the command's own output.
// LogFieldList: (value, tag) pairs that become fields of the request-log record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/ini_store.h"

namespace zarix {

using FrameList = std::vector<std::string>;

struct LogField {
  std::string value;
  int tag = 0;
};
using LogFieldList = std::vector<LogField>;

// The reader as identified for this request (both empty while no reader is identified).
struct LogReaderIdentity {
  std::string reader_id;        // the request's reader identifier (Z21ID)
  std::string reader_guest_id;  // its guest form ("GUEST_" + client address for GUEST)
};

// The frames root ([WEB] FRAMES, else [WEB] CGIPATH) overridden by the database section's
// DEFAULT_FRAMES.
std::string DefaultFramesDir(const IniStore& server_ini, std::string_view database);

// Clears and fills `frames` and `log_fields` for the database section `database` and the
// command character `command`. Reads request parameters from `web_ini` (with [WEB] defaults).
void InitFrameList(const IniStore& server_ini, const IniStore& web_ini, std::string_view database,
                   char command, const LogReaderIdentity& reader, FrameList* frames,
                   LogFieldList* log_fields);

// Splits a comma-separated frame list as the frame list keeps it: every piece before a comma is
// trimmed (blanks and control characters) and kept even when empty; the rest after the last
// comma is kept, trimmed, when it is not empty before trimming.
std::vector<std::string> SplitFrameNames(std::string_view names);

}  // namespace zarix
