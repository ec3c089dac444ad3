// Exclusive creation of the engine's configuration copy.
#include "processor/engine_ini_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <random>

#include "gateway/cgi_response.h"
#include "util/path.h"

namespace zarix {

namespace {

constexpr int kNames = 10000;
constexpr int kRandomDraws = 16;

std::mutex g_mu;
std::string g_current;

}  // namespace

std::string CreateEngineIniCopy(std::string_view folder, std::string_view text) {
  std::mt19937 rng(static_cast<unsigned>(
                       std::chrono::steady_clock::now().time_since_epoch().count()) ^
                   static_cast<unsigned>(getpid()) * 2654435761u);
  std::uniform_int_distribution<int> below(0, kNames - 1);
  // A few random draws; when they keep hitting taken names, walk on from the last draw so that
  // any free name of the 10000 is found.
  int number = below(rng);
  for (int attempt = 0; attempt < kNames + kRandomDraws; ++attempt) {
    if (attempt < kRandomDraws) {
      number = below(rng);
    } else {
      number = (number + 1) % kNames;
    }
    std::string path = std::string(folder) + "zarix_" + std::to_string(number) + ".ini";
    int fd = open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    bool ok = WriteAll(fd, text);
    ok = close(fd) == 0 && ok;
    if (!ok) {
      RemoveFile(path);
      return {};
    }
    std::lock_guard<std::mutex> lock(g_mu);
    g_current = path;
    return path;
  }
  return {};
}

void DeleteCurrentEngineIniCopy() {
  std::lock_guard<std::mutex> lock(g_mu);
  if (!g_current.empty()) RemoveFile(g_current);
  g_current.clear();
}

}  // namespace zarix
