// CGI request: environment, body and the multipart/form-data parser.
#include "gateway/cgi_request.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace zarix {

namespace {

std::string Env(const char* name) {
  const char* v = getenv(name);
  return v ? std::string(v) : std::string();
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(s[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

std::string_view TrimWhite(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Walks the parameters of a header value ("form-data; name=\"a\"; filename=b") and calls
// `fn(lower-cased name, value)` for each; quoted values lose their quotes and backslash escapes.
template <typename Fn>
void ForEachParameter(std::string_view value, Fn fn) {
  size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    ++i;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    size_t eq = value.find('=', i);
    if (eq == std::string_view::npos) return;
    std::string name;
    for (char c : TrimWhite(value.substr(i, eq - i))) name.push_back(LowerAscii(c));
    size_t j = eq + 1;
    while (j < value.size() && (value[j] == ' ' || value[j] == '\t')) ++j;
    std::string v;
    if (j < value.size() && value[j] == '"') {
      ++j;
      while (j < value.size() && value[j] != '"') {
        if (value[j] == '\\' && j + 1 < value.size()) ++j;
        v.push_back(value[j++]);
      }
      i = value.find(';', j);
    } else {
      size_t end = value.find(';', j);
      v = std::string(TrimWhite(value.substr(j, end == std::string_view::npos ? end : end - j)));
      i = end;
    }
    fn(name, v);
  }
}

// The line starting at `pos` (without its CR LF or LF); `*next` is the start of the next line.
// Returns false when no line end follows.
bool TakeLine(std::string_view s, size_t pos, std::string_view* line, size_t* next) {
  size_t lf = s.find('\n', pos);
  if (lf == std::string_view::npos) return false;
  size_t end = (lf > pos && s[lf - 1] == '\r') ? lf - 1 : lf;
  *line = s.substr(pos, end - pos);
  *next = lf + 1;
  return true;
}

// True when a delimiter "--boundary" at `pos` is complete: followed by "--" (the close) or by
// optional blanks and a line end.
bool IsDelimiterAt(std::string_view s, size_t pos, std::string_view dash) {
  if (s.substr(pos, dash.size()) != dash) return false;
  size_t i = pos + dash.size();
  if (s.substr(i, 2) == "--") return true;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return i < s.size() && (s[i] == '\n' || (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n'));
}

// Offset of the line feed that precedes the next complete delimiter at or after `from`, or npos.
size_t FindDelimiterLine(std::string_view s, size_t from, std::string_view dash) {
  for (size_t lf = s.find('\n', from); lf != std::string_view::npos; lf = s.find('\n', lf + 1)) {
    if (IsDelimiterAt(s, lf + 1, dash)) return lf;
  }
  return std::string_view::npos;
}

}  // namespace

CgiRequest ReadCgiEnvironment() {
  CgiRequest r;
  r.method = Env("REQUEST_METHOD");
  r.query_string = Env("QUERY_STRING");
  r.content_type = Env("CONTENT_TYPE");
  std::string len = Env("CONTENT_LENGTH");
  char* end = nullptr;
  errno = 0;
  long long n = len.empty() ? 0 : strtoll(len.c_str(), &end, 10);
  r.content_length = (errno == 0 && end && *end == '\0' && n > 0) ? n : 0;
  r.remote_addr = Env("REMOTE_ADDR");
  r.host = Env("HTTP_HOST");
  r.remote_host = Env("REMOTE_HOST");
  r.user_agent = Env("HTTP_USER_AGENT");
  return r;
}

BodyStatus ReadCgiBody(int fd, long long max_bytes, CgiRequest* request,
                       std::chrono::steady_clock::time_point deadline) {
  request->body.clear();
  request->files.clear();
  if (request->content_length <= 0) return BodyStatus::kOk;
  if (request->content_length > max_bytes) return BodyStatus::kTooLarge;
  const size_t want = static_cast<size_t>(request->content_length);
  constexpr size_t kChunk = 1 << 16;
  size_t got = 0;
  BodyStatus status = BodyStatus::kOk;
  while (got < want) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
      status = BodyStatus::kTimedOut;
      break;
    }
    pollfd p{fd, POLLIN, 0};
    const long long ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    const int ready = poll(&p, 1, static_cast<int>(std::min<long long>(ms, 60'000)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) {
      status = BodyStatus::kIncomplete;
      break;
    }
    if (ready == 0) continue;  // the loop head decides whether time is up
    const size_t room = std::min(kChunk, want - got);
    request->body.resize(got + room);
    ssize_t n = read(fd, request->body.data() + got, room);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
      request->body.resize(got);
      continue;
    }
    if (n <= 0) {
      status = BodyStatus::kIncomplete;
      break;
    }
    got += static_cast<size_t>(n);
    request->body.resize(got);
  }
  request->body.resize(got);
  std::string boundary = MultipartBoundary(request->content_type);
  if (!boundary.empty()) {
    std::vector<FormPart> parts;
    ParseMultipartFormData(request->body, boundary, &parts);
    for (FormPart& p : parts) {
      if (p.has_file_name) request->files.push_back(std::move(p));
    }
  }
  return status;
}

std::string MultipartBoundary(std::string_view content_type) {
  if (!StartsWithNoCase(TrimWhite(content_type), "multipart/form-data")) return {};
  std::string boundary;
  ForEachParameter(content_type, [&](const std::string& name, const std::string& value) {
    if (name == "boundary" && boundary.empty()) boundary = value;
  });
  // RFC 2046: 1 to 70 characters.
  if (boundary.size() > 70) return {};
  return boundary;
}

bool ParseMultipartFormData(std::string_view body, std::string_view boundary,
                            std::vector<FormPart>* parts) {
  if (boundary.empty()) return false;
  const std::string dash = "--" + std::string(boundary);
  // The first delimiter may open the body or follow a preamble line.
  size_t pos;
  if (IsDelimiterAt(body, 0, dash)) {
    pos = 0;
  } else {
    pos = FindDelimiterLine(body, 0, dash);
    if (pos == std::string_view::npos) return false;
    ++pos;
  }
  for (;;) {
    // `pos` is at a delimiter: "--boundary" then "--" (the end), or padding and a line end.
    size_t after = pos + dash.size();
    if (body.substr(after, 2) == "--") return true;
    std::string_view rest;
    size_t next;
    if (!TakeLine(body, after, &rest, &next) || !TrimWhite(rest).empty()) return false;
    FormPart part;
    bool disposition = false;
    pos = next;
    for (;;) {  // header block up to the empty line
      std::string_view line;
      if (!TakeLine(body, pos, &line, &next)) return false;
      pos = next;
      if (line.empty()) break;
      size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      std::string_view name = TrimWhite(line.substr(0, colon));
      std::string_view value = TrimWhite(line.substr(colon + 1));
      if (name.size() == 19 && StartsWithNoCase(name, "content-disposition")) {
        disposition = StartsWithNoCase(value, "form-data");
        ForEachParameter(value, [&](const std::string& pname, const std::string& pvalue) {
          if (pname == "name") {
            part.name = pvalue;
          } else if (pname == "filename") {
            part.file_name = pvalue;
            part.has_file_name = true;
          }
        });
      } else if (name.size() == 12 && StartsWithNoCase(name, "content-type")) {
        part.content_type = std::string(value);
      }
    }
    // The content runs to the line end before the next delimiter.
    size_t delim = FindDelimiterLine(body, pos == 0 ? 0 : pos - 1, dash);
    if (delim == std::string_view::npos) return false;
    // The line end before the delimiter belongs to it; an empty content may share it with the
    // header block's empty line.
    size_t content_end =
        delim < pos ? pos : ((delim > pos && body[delim - 1] == '\r') ? delim - 1 : delim);
    part.data = std::string(body.substr(pos, content_end - pos));
    if (disposition) parts->push_back(std::move(part));
    pos = delim + 1;
  }
}

}  // namespace zarix
