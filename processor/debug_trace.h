// The request trace: timestamped lines ("nn.ss.zzz - label") kept when [MAIN] DEBUG is on, saved
// to a trace file at the end of the request (and always after a failure).
//
// Owned by the gateway action, filled by the request thread only. Not thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

class DebugTrace {
 public:
  DebugTrace() = default;

  void set_enabled(bool on) { enabled_ = on; }
  bool enabled() const { return enabled_; }

  // Appends "nn.ss.zzz - " + label when enabled.
  void Add(std::string_view label);
  // Appends a line as it is, ignoring `enabled` (used for the failure line of a trace that is
  // saved whether or not tracing is on).
  void AddAlways(std::string_view label);

  const std::vector<std::string>& lines() const { return lines_; }

  // Writes the lines (CR LF ended) to `path`; false on failure.
  bool Save(std::string_view path) const;

  // The current local time as "nn.ss.zzz" (minutes, seconds, milliseconds).
  static std::string TimeStamp();

 private:
  bool enabled_ = false;
  std::vector<std::string> lines_;
};

}  // namespace zarix
