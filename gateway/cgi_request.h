// The request object: what the CGI environment and standard input say about one HTTP request.
//
// The environment is read first (cheap, no body); the body is read separately so that the caller
// can apply the configured size limit before a single byte of it is taken from standard input.
// A multipart/form-data body is also parsed (RFC 7578) into its parts; the parts that carry a
// file name are the uploaded files, which only record update reads.
#pragma once

#include <chrono>

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

// One part of a multipart/form-data body.
struct FormPart {
  std::string name;          // the "name" parameter of Content-Disposition
  std::string file_name;     // the "filename" parameter, empty when absent
  bool has_file_name = false;
  std::string content_type;  // the part's Content-Type header, empty when absent
  std::string data;          // the part's content, bytes as sent
};

struct CgiRequest {
  std::string method;        // REQUEST_METHOD, upper case as the server gives it
  std::string query_string;  // QUERY_STRING, raw
  std::string content_type;  // CONTENT_TYPE
  long long content_length = 0;  // CONTENT_LENGTH, 0 when absent or not a number
  std::string body;          // standard input (CONTENT_LENGTH bytes)
  std::string remote_addr;   // REMOTE_ADDR
  std::string host;          // HTTP_HOST
  std::string remote_host;   // REMOTE_HOST
  std::string user_agent;    // HTTP_USER_AGENT
  std::vector<FormPart> files;  // uploaded files of a multipart body (parts with a file name)
};

// Fills everything but the body from the process environment.
CgiRequest ReadCgiEnvironment();

enum class BodyStatus { kOk, kTooLarge, kIncomplete, kTimedOut };

// Reads `request->content_length` bytes from `fd` into `request->body`. Refuses (kTooLarge,
// nothing read) when the declared length is above `max_bytes`; kIncomplete when the input ends
// early (the bytes read are kept); kTimedOut when the bytes have not all arrived by `deadline`
// (a client that announces more than it sends, over a connection the web server keeps open).
// For a multipart/form-data body, fills `request->files`. Memory grows with what arrives, not
// with what is announced.
BodyStatus ReadCgiBody(int fd, long long max_bytes, CgiRequest* request,
                       std::chrono::steady_clock::time_point deadline =
                           std::chrono::steady_clock::time_point::max());

// The boundary parameter of a multipart/form-data content type (quotes removed), or "" when the
// content type is not multipart/form-data or names no boundary.
std::string MultipartBoundary(std::string_view content_type);

// Splits a multipart/form-data body (RFC 7578, RFC 2046 delimiters) into its parts. Lines end in
// CR LF; a bare LF is accepted as well. Returns false, with the parts found so far, when the body
// is malformed (no opening delimiter, a part without its header block, no closing delimiter).
bool ParseMultipartFormData(std::string_view body, std::string_view boundary,
                            std::vector<FormPart>* parts);

}  // namespace zarix
