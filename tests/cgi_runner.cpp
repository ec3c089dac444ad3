// Spawn runner for CGI programs and temporary fixture sites.
#include "tests/cgi_runner.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zarix::testing {

namespace fs = std::filesystem;

CgiResult RunCgi(const CgiCall& call) {
  CgiResult result;
  int in_pipe[2], out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0) return result;
  std::vector<std::string> env_text;
  for (const auto& [k, v] : call.env) env_text.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = call.program;
  char* argv[] = {program.data(), nullptr};

  // posix_spawn starts the child without copying the caller's page tables, so the measured cost
  // is the same whether the caller is small or holds hundreds of megabytes (a benchmark that has
  // just built a large ISO file in memory), as when a web server starts a CGI program.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1]}) close(fd);
    result.exited = true;
    result.exit_code = 127;  // what a shell reports for a program it cannot start
    return result;
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  signal(SIGPIPE, SIG_IGN);

  size_t written = 0;
  int in_fd = in_pipe[1];
  int held_fd = -1;  // the input, written completely but kept open (keep_input_open)
  auto input_done = [&] {
    if (call.keep_input_open) {
      held_fd = in_fd;
    } else {
      close(in_fd);
    }
    in_fd = -1;
  };
  if (call.body.empty()) {
    input_done();
  } else {
    fcntl(in_fd, F_SETFL, O_NONBLOCK);
  }
  const auto deadline = start + std::chrono::seconds(call.timeout_seconds);
  char buf[65536];
  bool killed = false;
  for (;;) {
    pollfd p[2];
    int n = 0;
    p[n++] = {out_pipe[0], POLLIN, 0};
    if (in_fd >= 0) p[n++] = {in_fd, POLLOUT, 0};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    if (poll(p, n, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    if (in_fd >= 0 && (p[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t w = write(in_fd, call.body.data() + written, call.body.size() - written);
      if (w > 0) written += static_cast<size_t>(w);
      if (w < 0 && errno != EAGAIN) written = call.body.size();
      if (written == call.body.size()) input_done();
    }
    if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t r = read(out_pipe[0], buf, sizeof buf);
      if (r <= 0) break;
      result.raw.append(buf, static_cast<size_t>(r));
    }
  }
  if (in_fd >= 0) close(in_fd);
  if (held_fd >= 0) close(held_fd);
  close(out_pipe[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  result.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.exited = !killed && WIFEXITED(status);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ParseCgiOutput(&result);
  return result;
}

void ParseCgiOutput(CgiResult* result) {
  size_t end = result->raw.find("\r\n\r\n");
  if (end == std::string::npos) {
    result->body = result->raw;
    return;
  }
  result->header_block = result->raw.substr(0, end + 2);
  result->body = result->raw.substr(end + 4);
  std::istringstream in(result->header_block);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t v = line.find_first_not_of(' ', colon + 1);
    result->headers[name] = v == std::string::npos ? "" : line.substr(v);
  }
}

std::string BuiltPath(std::string_view relative) {
  const char* dir = getenv("ZARIX_BINARY_DIR");
  return std::string(dir ? dir : ".") + "/" + std::string(relative);
}

std::string TestEnv(const char* name) {
  const char* v = getenv(name);
  return v ? v : "";
}

std::vector<std::string> TracedFormLines(const std::string& trace_text) {
  std::vector<std::string> out;
  std::istringstream in(trace_text);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "nn.ss.zzz - " precedes every label.
    std::string label = line.size() >= 12 ? line.substr(12) : std::string();
    if (!inside) {
      inside = label == "Form Literal";
      continue;
    }
    if (label == "zarix_init") break;
    out.push_back(label);
  }
  return out;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

FixtureSite::FixtureSite(const std::string& program, const std::string& engine_library) {
  char tmpl[] = "/tmp/zarix_site_XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
  root_ = std::string(tmpl) + "/";
  for (const char* d : {"bin", "conf", "cgi", "tmp"}) fs::create_directories(root_ + d);
  program_ = bin() + fs::path(program).filename().string();
  fs::copy_file(program, program_);
  if (!engine_library.empty()) {
    fs::copy_file(engine_library, bin() + fs::path(engine_library).filename().string());
  }
}

FixtureSite::~FixtureSite() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void FixtureSite::WriteConfig(std::string_view rest, std::string_view extra_web) {
  std::string text =
      "[WEB]\nCGIPATH=" + cgi() + "\n" + std::string(extra_web) + "\n" + std::string(rest) + "\n";
  WriteFile("conf/zarix_server.ini", text);
}

void FixtureSite::WriteFile(std::string_view relative, std::string_view text) {
  fs::path p = root_ + std::string(relative);
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

CgiCall FixtureSite::Get(std::string_view query) const {
  CgiCall c;
  c.program = program_;
  c.env = {{"GATEWAY_INTERFACE", "CGI/1.1"},     {"REQUEST_METHOD", "GET"},
           {"QUERY_STRING", std::string(query)}, {"REMOTE_ADDR", "192.0.2.7"},
           {"HTTP_HOST", "catalogue.test"},      {"HTTP_USER_AGENT", "cgi-runner"},
           {"ZARIX_CONFIG_DIR", conf()},         {"TMPDIR", root_ + "tmp/"}};
  return c;
}

CgiCall FixtureSite::Post(std::string_view body, std::string_view content_type) const {
  CgiCall c = Get("");
  c.env[1].second = "POST";
  c.env.emplace_back("CONTENT_TYPE", std::string(content_type));
  c.env.emplace_back("CONTENT_LENGTH", std::to_string(body.size()));
  c.body = std::string(body);
  return c;
}

std::vector<std::string> FixtureSite::Files(std::string_view folder, std::string_view prefix,
                                            std::string_view suffix) const {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(root_ + std::string(folder), ec)) {
    std::string name = e.path().filename().string();
    if (name.size() >= prefix.size() + suffix.size() &&
        name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      out.push_back(name);
    }
  }
  return out;
}

}  // namespace zarix::testing
