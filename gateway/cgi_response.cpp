// CGI output of the response object.
#include "gateway/cgi_response.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/path.h"

namespace zarix {

namespace {

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
  }
}

// Header values must not break the header block.
std::string OneLine(std::string_view v) {
  std::string out(v);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

}  // namespace

bool WriteAll(int fd, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool MemoryContentStream::WriteTo(int fd) const { return WriteAll(fd, bytes_); }

std::unique_ptr<FileContentStream> FileContentStream::Open(std::string_view path) {
  int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileContentStream>(new FileContentStream(fd, st.st_size));
}

FileContentStream::~FileContentStream() { close(fd_); }

bool FileContentStream::WriteTo(int fd) const {
  char buf[65536];
  int64_t left = size_;
  off_t offset = 0;
  while (left > 0) {
    ssize_t n = pread(fd_, buf, left < static_cast<int64_t>(sizeof buf) ? left : sizeof buf, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // the file shrank: the declared length can no longer be met
    if (!WriteAll(fd, std::string_view(buf, static_cast<size_t>(n)))) return false;
    offset += n;
    left -= n;
  }
  return true;
}

std::string CgiResponse::HeaderBlock() const {
  std::string h;
  if (status != 200) {
    h += "Status: " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
  }
  h += "Content-Type: " + OneLine(content_type.empty() ? "text/html" : content_type) + "\r\n";
  h += "Content-Length: " + std::to_string(BodySize()) + "\r\n";
  if (!content_encoding.empty()) h += "Content-Encoding: " + OneLine(content_encoding) + "\r\n";
  for (const auto& [name, value] : custom_headers) {
    h += OneLine(name) + ": " + OneLine(value) + "\r\n";
  }
  h += "\r\n";
  return h;
}

bool CgiResponse::Send(int fd) const {
  std::string out = HeaderBlock();
  if (!content_stream) {
    out += content;
    return WriteAll(fd, out);
  }
  return WriteAll(fd, out) && content_stream->WriteTo(fd);
}

}  // namespace zarix
