// A temporary folder for tests, removed with everything in it at the end.
//
// Test support only (built with the tests, never shipped): unit tests of several subsystems and
// the whole-program tests all work in folders of their own under the system temp folder.
#pragma once

#include <string>
#include <string_view>

namespace zarix::testing {

// Makes a fresh folder "<system temp folder>/<prefix>XXXXXX" (unique) at construction and removes
// it with all its contents at destruction. When the folder cannot be made, path() is empty.
class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "zarix-test-");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder with a trailing "/", or empty.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace zarix::testing
