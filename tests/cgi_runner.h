// Runs a CGI program the way a web server does (environment, body on standard input, answer on
// standard output) and builds fixture sites for it in a temporary folder.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarix::testing {

struct CgiCall {
  std::string program;
  std::vector<std::pair<std::string, std::string>> env;  // the whole environment of the child
  std::string body;                                       // standard input
  int timeout_seconds = 30;                               // the child is killed after this
  // Standard input stays open after the body until the child ends, as a web server that keeps
  // the client's connection does (a client that announced more than it sends).
  bool keep_input_open = false;
};

struct CgiResult {
  bool exited = false;  // ended by itself (not killed, not by a signal)
  int exit_code = -1;
  std::string raw;     // everything on standard output
  std::string header_block;
  std::map<std::string, std::string> headers;  // names lower-cased
  std::string body;
  double seconds = 0;      // spawn to exit
  double cpu_seconds = 0;  // user + system time of the child

  std::string Header(const std::string& lower_name) const {
    auto it = headers.find(lower_name);
    return it == headers.end() ? std::string() : it->second;
  }
};

CgiResult RunCgi(const CgiCall& call);

// Splits CGI output into its header block and body.
void ParseCgiOutput(CgiResult* result);

// A site in a fresh temporary folder: bin/ holds copies of the gateway binary (and the engine
// library when given), conf/ the configuration (ZARIX_CONFIG_DIR), cgi/ the gateway folder
// (CGIPATH), tmp/ the system temporary folder of its requests (TMPDIR). Removed with everything
// in it on destruction.
class FixtureSite {
 public:
  // `program` and `engine_library` are copied into bin/; an empty `engine_library` leaves the
  // site without engine.
  FixtureSite(const std::string& program, const std::string& engine_library);
  ~FixtureSite();
  FixtureSite(const FixtureSite&) = delete;
  FixtureSite& operator=(const FixtureSite&) = delete;

  const std::string& root() const { return root_; }  // ends with "/"
  std::string bin() const { return root_ + "bin/"; }
  std::string conf() const { return root_ + "conf/"; }
  std::string cgi() const { return root_ + "cgi/"; }
  std::string program() const { return program_; }

  // Writes conf/zarix_server.ini: "[WEB]\nCGIPATH=<cgi>\n" + `extra_web` lines, then `rest`.
  void WriteConfig(std::string_view rest, std::string_view extra_web = {});
  // Writes a file under the root (folders created).
  void WriteFile(std::string_view relative, std::string_view text);

  // A GET request with `query`; POST when `body` is given (with `content_type`).
  CgiCall Get(std::string_view query) const;
  CgiCall Post(std::string_view body,
               std::string_view content_type = "application/x-www-form-urlencoded") const;

  // Files of `folder` (relative to the root) whose names start with `prefix` and end with
  // `suffix`.
  std::vector<std::string> Files(std::string_view folder, std::string_view prefix = {},
                                 std::string_view suffix = {}) const;

 private:
  std::string root_;
  std::string program_;
};

// Paths of the built programs (from ZARIX_BINARY_DIR).
std::string BuiltPath(std::string_view relative);

// The value of an environment variable set by the test registration ("" when unset).
std::string TestEnv(const char* name);

// The lines of the request store as the request trace shows them (between the "Form Literal"
// label and the next step), time stamps removed. Empty when the trace has no such block.
std::vector<std::string> TracedFormLines(const std::string& trace_text);

// Reads a whole file ("" when missing).
std::string ReadAll(const std::string& path);

}  // namespace zarix::testing
