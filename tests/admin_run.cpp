// Child processes for the whole-program tests of zarix-admin.
#include "tests/admin_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "util/path.h"

namespace zarix::testing {
namespace {

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int out_fd,
            int err_fd) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  dup2(out_fd, 1);
  dup2(err_fd, 2);
  int devnull = open("/dev/null", O_RDONLY);
  dup2(devnull, 0);
  for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

}  // namespace

int Wait(pid_t pid) {
  int st = 0;
  while (waitpid(pid, &st, 0) < 0) {
  }
  if (WIFEXITED(st)) return WEXITSTATUS(st);
  if (WIFSIGNALED(st)) return 128 + WTERMSIG(st);
  return -1;
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  char out_name[] = "/tmp/admin_run_outXXXXXX";
  char err_name[] = "/tmp/admin_run_errXXXXXX";
  int out_fd = mkstemp(out_name);
  int err_fd = mkstemp(err_name);
  RunResult r;
  r.status = Wait(Spawn(argv, env, out_fd, err_fd));
  close(out_fd);
  close(err_fd);
  r.out = ReadFileBytes(out_name).value_or("");
  r.err = ReadFileBytes(err_name).value_or("");
  unlink(out_name);
  unlink(err_name);
  return r;
}

pid_t Start(const std::vector<std::string>& argv, const std::string& out_path) {
  int fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = Spawn(argv, {}, fd, fd);
  close(fd);
  return pid;
}

std::string AdminBinary() {
  const char* p = std::getenv("ZARIX_ADMIN");
  return p ? p : "zarix-admin";
}

}  // namespace zarix::testing
