// Request trace lines and their file.
#include "processor/debug_trace.h"

#include <sys/time.h>

#include <cstdio>
#include <ctime>

#include "util/path.h"

namespace zarix {

std::string DebugTrace::TimeStamp() {
  timeval tv;
  gettimeofday(&tv, nullptr);
  tm local;
  localtime_r(&tv.tv_sec, &local);
  char buf[16];
  snprintf(buf, sizeof buf, "%02d.%02d.%03d", local.tm_min, local.tm_sec,
           static_cast<int>(tv.tv_usec / 1000));
  return buf;
}

void DebugTrace::Add(std::string_view label) {
  if (enabled_) AddAlways(label);
}

void DebugTrace::AddAlways(std::string_view label) {
  lines_.push_back(TimeStamp() + " - " + std::string(label));
}

bool DebugTrace::Save(std::string_view path) const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  return WriteFileBytes(path, text);
}

}  // namespace zarix
