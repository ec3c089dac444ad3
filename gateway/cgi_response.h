// The response object and its CGI form on standard output.
//
// Handlers fill content (text) or attach a content stream (files, images), set the content type
// and add extra headers; Send writes "Status:" (only when not 200), "Content-Type:",
// "Content-Length:" (always the size of what follows), "Content-Encoding:" when set, the extra
// headers, an empty line and the body. Not thread-safe: one thread fills it at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarix {

// A body that is not held as text: a file or a buffer. Owned by the response.
class ContentStream {
 public:
  virtual ~ContentStream() = default;
  // Number of bytes WriteTo will write.
  virtual int64_t Size() const = 0;
  // Writes the whole body to `fd`; false on a write error.
  virtual bool WriteTo(int fd) const = 0;
};

// A stream over bytes held in memory.
class MemoryContentStream : public ContentStream {
 public:
  explicit MemoryContentStream(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
  bool WriteTo(int fd) const override;
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// A stream over an open file, read from its start to its end at the time of sending.
class FileContentStream : public ContentStream {
 public:
  // Opens `path` (after NativePath); nullptr when it cannot be opened.
  static std::unique_ptr<FileContentStream> Open(std::string_view path);
  ~FileContentStream() override;
  int64_t Size() const override { return size_; }
  bool WriteTo(int fd) const override;

 private:
  FileContentStream(int fd, int64_t size) : fd_(fd), size_(size) {}
  int fd_;
  int64_t size_;
};

class CgiResponse {
 public:
  // HTTP status; 200 unless a page says otherwise (the body-size refusal, the gateway's own
  // failure pages).
  int status = 200;
  std::string content;
  std::string content_type;
  std::string content_encoding;
  std::vector<std::pair<std::string, std::string>> custom_headers;
  std::unique_ptr<ContentStream> content_stream;  // replaces `content` when set

  void AddCustomHeader(std::string_view name, std::string_view value) {
    custom_headers.emplace_back(std::string(name), std::string(value));
  }
  // Sets a page: content, content type, no stream.
  void SetPage(std::string_view text, std::string_view type = "text/html; charset=UTF-8") {
    content = std::string(text);
    content_type = std::string(type);
    content_stream.reset();
  }
  // Size of the body Send would write.
  int64_t BodySize() const {
    return content_stream ? content_stream->Size() : static_cast<int64_t>(content.size());
  }

  // The CGI header block (ending with the empty line).
  std::string HeaderBlock() const;
  // Writes the header block and the body to `fd`. False on a write error.
  bool Send(int fd) const;
};

// Writes all of `data` to `fd`, retrying short writes; false on error.
bool WriteAll(int fd, std::string_view data);

}  // namespace zarix
