// Turns what a command handler left (page text, or a content stream with a served file name)
// into the response: content in the answer's character set, content type, attachment and
// per-database headers.
#pragma once

#include <string_view>

#include "gateway/cgi_response.h"
#include "util/ini_store.h"

namespace zarix {

// The extra per-database (and redirect-answer) headers, in the order they are added.
inline constexpr std::string_view kExtraHeaderKeys[] = {
    "Content-Base",  "Content-Encoding", "Content-Language", "Content-Location", "Content-MD5",
    "Content-Range", "ETag",             "Expires",          "Last-Modified",    "Content-Disposition"};

struct ResponseSource {
  char command = '\0';              // command character of the request
  std::string_view page_text;       // UTF-8 page (or export text)
  std::string_view export_extension;  // "txt" or "iso"
  std::string_view served_file_name;  // file a download or page handler sent, may be empty
  std::string_view database;        // I21DBN: names the database section of the configuration
  std::string_view frames_char_set;  // [WEB] FRAMES_CHAR_SET
  long long image_file_page = 0;    // request parameter IMAGE_FILE_PAGE
  // Set when page_text is export data already in its code page (this names it): the data goes
  // out unchanged, and a "4" page is declared in that character set.
  std::string_view export_char_set;
};

// Fills `response` from `src`. Pages are converted to the ANSI code page when the answer's
// character set is WINDOWS-1251 (any case). Export ("E") becomes an attachment export.<ext>;
// streams of "3" and "5" an attachment named after the served file; streams of "2", "7", "8"
// keep the handler's content type; every other answer is an HTML page with the database
// section's ContentType (or a charset-based one) and its extra headers.
void AssembleResponse(const IniStore& server_ini, const ResponseSource& src, CgiResponse& response);

// Content type from the file name's extension (case-insensitive); "text/plain" when unknown.
void SetContentTypeByExtension(std::string_view file_name, CgiResponse& response);

// Applies section "HEADERS" of `store`: a non-empty Content-Type, then the extra header keys.
void CopyResponseHeaders(const IniStore& store, CgiResponse& response);

}  // namespace zarix
