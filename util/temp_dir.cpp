// The self-removing temporary folder of the tests.
#include "util/temp_dir.h"

#include <stdlib.h>

#include <filesystem>

namespace zarix::testing {

TempDir::TempDir(std::string_view prefix) {
  std::string tmpl = (std::filesystem::temp_directory_path() / prefix).string() + "XXXXXX";
  if (mkdtemp(tmpl.data())) path_ = tmpl + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace zarix::testing
