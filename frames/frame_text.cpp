// Frame text helpers.
#include "frames/frame_text.h"

#include "util/charset.h"
#include "util/path.h"
#include "util/split_lines.h"

namespace zarix {

FrameLines SplitFrameLines(std::string_view text) { return SplitLines(text); }

std::string JoinFrameLines(const FrameLines& lines) {
  size_t size = 0;
  for (const std::string& l : lines) size += l.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& l : lines) {
    text += l;
    text += "\r\n";
  }
  return text;
}

std::string_view TrimFrameLine(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

namespace {
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
}  // namespace

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

bool ReplaceFirst(std::string* line, std::string_view what, std::string_view with) {
  size_t pos = line->find(what);
  if (pos == std::string::npos) return false;
  line->replace(pos, what.size(), with);
  return true;
}

void ReplaceAll(std::string* line, std::string_view what, std::string_view with) {
  size_t pos = 0;
  while ((pos = line->find(what, pos)) != std::string::npos) {
    line->replace(pos, what.size(), with);
    pos += with.size();
  }
}

std::optional<FrameLines> ReadFrameFile(const std::string& path, std::string_view frames_char_set) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  if (EqualsNoCase(frames_char_set, "WINDOWS-1251")) {
    return SplitFrameLines(ConvertCharset(*bytes, "WINDOWS-1251", "UTF-8"));
  }
  return SplitFrameLines(*bytes);
}

std::string FindInFolders(const std::vector<std::string>& dirs, std::string_view name,
                          std::string* last_tried) {
  if (!IsSafeRelativeName(name)) {
    if (last_tried) *last_tried = std::string(name);
    return std::string();
  }
  for (const std::string& dir : dirs) {
    std::string path = dir + std::string(name);
    if (last_tried) *last_tried = path;
    if (FileExists(path)) return dir;
  }
  return std::string();
}

}  // namespace zarix
