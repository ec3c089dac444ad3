// The gateway action and the request thread.
#include "gateway/web_action.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "gateway/forwarding.h"
#include "gateway/request_store.h"
#include "gateway/test_hook.h"
#include "processor/server_config.h"
#include "util/ascii_case.h"
#include "util/code_page.h"
#include "util/html_escape.h"
#include "util/path.h"
#include "util/split_lines.h"

namespace zarix {

TestHookFn g_test_hook = nullptr;

namespace {

std::string g_error_trace_file_name;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Ordinary form decoding of one "name=value" field: "+" is a blank, "%XY" a byte.
std::string FormDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out.push_back(' ');
    } else if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 &&
               HexValue(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

bool ContainsName(std::string_view line) {
  return UpperAscii(line).find("NAME") != std::string::npos;
}

// Multipart bodies are walked line by line: a line naming a field, then the part's header lines
// up to a blank line (when the part has one), then its value up to the boundary line before the
// next line that names a field; the value's lines are joined with blanks. Parts that carry a file
// stay out of the store: they reach record update through the request's files.
void WalkMultipartLines(const std::vector<std::string>& lines, std::vector<std::string>* out,
                        bool* ansi_encoded) {
  std::string t21chk;
  const size_t n = lines.size();
  for (size_t i = 1; i < n; ++i) {
    const std::string upper = UpperAscii(lines[i]);
    size_t p = upper.find("NAME");
    if (p == std::string::npos) continue;
    std::string name = p + 6 <= lines[i].size() ? lines[i].substr(p + 6) : std::string();
    size_t quote = name.find('"');
    if (quote != std::string::npos && quote > 0) name.resize(quote);
    if (i + 2 >= n) break;
    if (ContainsName(lines[i + 2])) continue;
    size_t next = i + 1;
    while (next < n && !ContainsName(lines[next])) ++next;
    if (upper.find("FILENAME=") != std::string::npos) {
      // A file's content may hold any line, "name=" too: skip to the body's delimiter line.
      size_t end = i + 1;
      while (end < n && lines[end].rfind(lines[0], 0) != 0) ++end;
      i = end;
      continue;
    }
    const size_t boundary = next - 1;
    size_t first = i + 1;
    for (size_t b = i + 1; b < boundary; ++b) {
      if (lines[b].empty()) {
        first = b + 1;
        break;
      }
    }
    std::string value;
    for (size_t j = first; j < boundary; ++j) {
      if (j > first) value += ' ';
      value += lines[j];
    }
    i = next - 1;
    if (name == "T21CHK") {
      if (!t21chk.empty()) t21chk += ' ';
      t21chk += value;
      continue;
    }
    std::string line = UrlDecodeValue(name + "=" + value, false);
    if (UpperAscii(line) == "ANSIENCODING=1") *ansi_encoded = true;
    out->push_back(std::move(line));
  }
  if (!t21chk.empty()) out->push_back("T21CHK=" + t21chk);
}

// Writes the whole response once; the error pages all share this shape.
void SetErrorPage(CgiResponse& response, std::string_view text, int status) {
  response.SetPage(text, "text/html; charset=UTF-8");
  response.content_encoding.clear();
  response.custom_headers.clear();
  response.status = status;
}

// One line on the error log, in one write so that lines of concurrent requests do not mix.
void LogLine(int fd, std::string_view text) {
  std::string line = "cgizarix64: " + std::string(text);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  line += '\n';
  WriteAll(fd, line);
}

std::string ExceptionText(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
    return "an exception that is not a std::exception";
  }
}

std::string TimeOutPage(long long seconds) {
  return "<HTML><BODY>Server error: timeout ellapsed (" + std::to_string(seconds) +
         " c)</BODY></HTML>";
}

// Raises the calling thread's scheduling priority a little when the system allows it.
void RaiseThreadPriority() {
  pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
  errno = 0;
  int current = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno == 0) setpriority(PRIO_PROCESS, static_cast<id_t>(tid), current - 2);
}

}  // namespace

const std::string& ErrorTraceFileName() { return g_error_trace_file_name; }

void NewErrorTraceFileName() {
  std::mt19937 rng(
      static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()) ^
      static_cast<unsigned>(getpid()));
  std::uniform_int_distribution<int> below(0, 999999);
  time_t now = time(nullptr);
  tm local;
  localtime_r(&now, &local);
  char stamp[32];
  snprintf(stamp, sizeof stamp, "%02d_%02d_%02d_%02d", local.tm_mday, local.tm_hour, local.tm_min,
           local.tm_sec);
  g_error_trace_file_name = "Error_terminate_" + std::to_string(below(rng)) + "_" + stamp + ".log";
}

void TokenizeRequest(const CgiRequest& request, std::vector<std::string>* out, bool* ansi_encoded) {
  *ansi_encoded = false;
  *out = {
      "[Form Literal]",
      "URLTag=" + request.remote_addr,
      "HOST=" + request.host,
      "DTAGE=" + request.remote_host,
      "UserAgent=" + request.user_agent,
  };
  std::vector<std::string> lines = SplitLines(request.body);
  if (!lines.empty() && lines[0].find('=') == std::string::npos) {
    WalkMultipartLines(lines, out, ansi_encoded);
    return;
  }
  std::string_view body = request.body;
  size_t start = 0;
  while (!body.empty() && start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view field = body.substr(start, end - start);
    start = end + 1;
    if (field.empty()) continue;
    std::string line = UrlDecodeValue(FormDecode(field), false);
    if (UpperAscii(line) == "ANSIENCODING=1") *ansi_encoded = true;
    out->push_back(std::move(line));
  }
}

ActionEnd WebModuleStandardWebActionItemZarix64Action(CgiRequest& request, CgiResponse& response,
                                                      const ActionServices& services) {
  const std::string engine_problem =
      services.engine_problem ? services.engine_problem() : "no engine library configured";
  if (!engine_problem.empty()) {
    // Without its engine the gateway cannot serve any page: 503, the reason in the log.
    response.SetPage(kOldEngineText, "text/html; charset=UTF-8");
    response.status = 503;
    LogLine(services.log_fd, "engine library not usable: " + engine_problem);
    response.Send(services.output_fd);
    return ActionEnd::kSent;
  }
  std::string request_dump;
  ActionEnd end = ActionEnd::kSent;
  try {
    NewErrorTraceFileName();
    response.content.clear();

    // The one configuration loader of the system (byte-order mark removed: otherwise the first
    // section's keys, Redirect or CGITimeOut among them, would go unseen).
    std::optional<IniStore> loaded = LoadServerIni();
    if (!loaded) {
      const std::vector<std::string> tried = ServerIniCandidates();
      std::string list;
      for (const std::string& path : tried) list += (list.empty() ? "" : ", ") + path;
      LogLine(services.log_fd, "configuration not found; looked for " + list);
      SetErrorPage(
          response,
          "<HTML><BODY>FILE NOT FOUND SERVER.INI = " + HtmlEscape(tried.back()) + "</BODY></HTML>",
          500);
      response.Send(services.output_fd);
      return ActionEnd::kSent;
    }
    IniStore server_ini = std::move(*loaded);
    SetAnsiCodePage(server_ini.ReadString("MAIN", "ANSI_CODEPAGE"));

    // One time-out covers the whole request: reading the body and processing it.
    const long long timeout = std::max(0LL, server_ini.ReadInteger("MAIN", "CGITimeOut", 30));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout);
    const long long max_body =
        server_ini.ReadInteger("MAIN", "MAX_REQUEST_BODY", kDefaultMaxRequestBody);
    const BodyStatus body = ReadCgiBody(services.body_fd, max_body, &request, deadline);
    if (body == BodyStatus::kTimedOut) {
      // The client, not the catalogue, was slow: 408, not the processing time-out's 504.
      LogLine(services.log_fd,
              "request body not received within CGITimeOut=" + std::to_string(timeout) + " s");
      SetErrorPage(response, TimeOutPage(timeout), 408);
      response.Send(services.output_fd);
      return ActionEnd::kSent;
    }
    if (body == BodyStatus::kTooLarge) {
      SetErrorPage(response,
                   "<HTML><BODY>REQUEST TOO LARGE: " + std::to_string(request.content_length) +
                       " bytes, the limit is " + std::to_string(max_body) + " bytes</BODY></HTML>",
                   413);
      response.Send(services.output_fd);
      return ActionEnd::kSent;
    }

    bool ansi = false;
    std::vector<std::string> lines;
    try {
      TokenizeRequest(request, &lines, &ansi);
    } catch (...) {
      request_dump = "ERROR TOKENIZNG IIS REQUEST";
    }
    for (std::string& line : lines) {
      if (ansi) line = AnsiToUtf8(line);
      line = Utf8RoundTrip(NeutralizeMarkup(line, ' '));
      request_dump += "<br>" + HtmlEscape(line);
    }
    IniStore web_ini;
    web_ini.LoadLines(lines);
    // What the gateway says of the request (its first lines) wins over request fields of the
    // same names, whatever their letter case or order.
    for (size_t i = 1; i < lines.size() && i <= std::size(kGatewayFields); ++i) {
      const size_t eq = lines[i].find('=');
      if (eq == std::string::npos || !IsGatewayField(lines[i].substr(0, eq))) continue;
      const std::string name = lines[i].substr(0, eq);
      web_ini.DeleteKey(kFormSection, name);
      web_ini.WriteString(kFormSection, name, std::string_view(lines[i]).substr(eq + 1));
    }
    if (UpperAscii(request.method) == "GET") {
      web_ini.WriteString(kCgiSection, kQueryStringKey, request.query_string);
    }
    RunTestHook("action", web_ini);

    if (server_ini.ReadBool("ZarixServer", "Redirect", false)) {
      if (!ForwardRequest(server_ini, web_ini, response)) end = ActionEnd::kThreadAbandoned;
      response.Send(services.output_fd);
      return end;
    }

    // The request thread works on its own response: after a time-out the thread is abandoned
    // and must not share anything the answer is written from.
    struct Shared {
      std::mutex mu;
      std::condition_variable cv;
      bool done = false;
      CgiResponse response;
      DebugTrace trace;
      IniStore web_ini;
    };
    auto shared = std::make_shared<Shared>();
    shared->web_ini = std::move(web_ini);
    RequestProcessorFn processor = services.request_processor;
    // The request is read by both threads and written by neither; it outlives an abandoned
    // thread because the caller ends the process without returning.
    const CgiRequest* req = &request;
    // TCGIThread: the request processor under an exception guard at raised priority.
    const int log_fd = services.log_fd;
    std::thread([shared, processor, req, log_fd] {
      RaiseThreadPriority();
      try {
        processor(shared->web_ini, *req, shared->response, shared->trace);
      } catch (...) {
        LogLine(log_fd,
                "internal error in the request: " + ExceptionText(std::current_exception()));
        shared->response = CgiResponse();
        shared->response.SetPage(kInternalErrorPage, "text/html; charset=UTF-8");
        shared->response.status = 500;
      }
      std::lock_guard<std::mutex> lock(shared->mu);
      shared->done = true;
      shared->cv.notify_all();
    }).detach();

    std::unique_lock<std::mutex> lock(shared->mu);
    if (shared->cv.wait_until(lock, deadline, [&] { return shared->done; })) {
      response = std::move(shared->response);
      RunTestHook("action-after-wait", shared->web_ini);
    } else {
      LogLine(services.log_fd, "request not finished within CGITimeOut=" + std::to_string(timeout) +
                                   " s: abandoned");
      SetErrorPage(response, TimeOutPage(timeout), 504);
      // The abandoned request never reaches its tail: its temporary files go now.
      if (services.cleanup_after_failure) services.cleanup_after_failure();
      end = ActionEnd::kThreadAbandoned;
    }
    lock.unlock();
    response.Send(services.output_fd);
    return end;
  } catch (...) {
    LogLine(services.log_fd, "internal error: " + ExceptionText(std::current_exception()));
    if (services.cleanup_after_failure) services.cleanup_after_failure();
    if (!response.content.empty()) {
      // The body and the request lines are the client's text: escaped, they cannot put markup
      // or script into the page.
      SetErrorPage(response,
                   "<HTML><BODY>ZARIX64 INTERNAL ERROR<br>REQUEST= " + HtmlEscape(request.body) +
                       "<br><br><br>TEST_REQUEST<br>" + request_dump + "</BODY></HTML>",
                   500);
    } else {
      response.status = 500;
    }
    response.Send(services.output_fd);
    return ActionEnd::kSent;
  }
}

}  // namespace zarix
