// Finding and reading the sample records of data/.
#include "util/test_data.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zarix::testing {
namespace {

[[noreturn]] void Missing(const std::string& path) {
  throw std::runtime_error("test input missing or unreadable: " + path +
                           " (the sample records live in the project's data/ folder; "
                           "ZARIX_DATA_DIR names another one)");
}

}  // namespace

std::string TestDataDir() {
  const char* dir = std::getenv("ZARIX_DATA_DIR");
  std::string out = dir && *dir ? dir : ZARIX_DEFAULT_DATA_DIR;
  if (out.back() != '/') out += '/';
  return out;
}

std::string TestDataPath(std::string_view name) {
  const std::string path = TestDataDir() + std::string(name);
  if (!std::ifstream(path, std::ios::binary).good()) Missing(path);
  return path;
}

std::string TestData(std::string_view name) {
  const std::string path = TestDataDir() + std::string(name);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  if (!(in && bytes << in.rdbuf()) || bytes.str().empty()) Missing(path);
  return bytes.str();
}

}  // namespace zarix::testing
