// Machine-wide named locks between the processes of concurrent requests.
//
// A lock is an exclusive `flock` on the file `folder` + `name` (the folder is a plain prefix, as
// every configured folder). The kernel drops the lock when the holder's descriptor closes, also
// when the process dies, so a crashed request never blocks the others. A timed wait polls.
//
// Not thread-safe per object; any number of objects and processes may use the same name.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

class NamedLock {
 public:
  NamedLock() = default;
  ~NamedLock() { Release(); }
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // Waits up to `wait_ms` milliseconds (0: one try) for the lock. False when the lock file
  // cannot be opened or another holder kept the lock for the whole wait.
  bool Acquire(std::string_view folder, std::string_view name, int wait_ms);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace zarix
