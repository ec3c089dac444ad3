// Field-selection tables.
#include "records/field_selection.h"

#include <set>
#include <string>
#include <vector>

#include "engine/engine_api.h"

namespace zarix {

namespace {

constexpr int kFormatCapacity = 32000;

struct Entry {
  long long tag = -1;
  std::string format;
};

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
  return lines;
}

// "tag technique format"; a line whose tag is not a number gives tag -1.
Entry ParseEntry(const std::string& line) {
  Entry e;
  const size_t first = line.find(' ');
  const std::string tag = line.substr(0, first);
  if (tag.empty() || tag.size() > 9 || tag.find_first_not_of("0123456789") != std::string::npos) {
    return e;
  }
  e.tag = std::stoll(tag);
  if (first == std::string::npos) return e;
  const size_t second = line.find(' ', first + 1);
  if (second != std::string::npos) e.format = line.substr(second + 1);
  return e;
}

bool RunFormat(EngineApi& engine, int space, int shelf, const std::string& format,
               std::string* out) {
  if (format.empty() || engine.Zarix_InitPFT(space, format) != 0) return false;
  if (engine.Zarix_Format(space, shelf, 1, 1, kFormatCapacity) < 0) return false;
  *out = engine.Zarix_FormatResult(space);
  return true;
}

}  // namespace

void ApplyFieldSelection(EngineApi& engine, int space, int source, int target,
                         std::string_view table) {
  engine.Zarixfldempty(space, target);
  std::vector<Entry> entries;
  for (const std::string& line : Lines(table)) entries.push_back(ParseEntry(line));
  std::set<long long> tags;
  const Entry* copy_rest = nullptr;
  for (const Entry& entry : entries) {
    if (entry.tag == 0 && !copy_rest) copy_rest = &entry;
    if (entry.tag < 1) continue;
    tags.insert(entry.tag);
    std::string output;
    if (!RunFormat(engine, space, source, entry.format, &output)) continue;
    for (const std::string& value : Lines(output)) {
      if (!value.empty()) engine.Zarixfldadd(space, target, static_cast<int>(entry.tag), value);
    }
  }
  std::string output;
  if (copy_rest && RunFormat(engine, space, source, copy_rest->format, &output) &&
      !output.empty() && output[0] == '*') {
    const int n = engine.Zarixnfields(space, source);
    for (int i = 1; i <= n; ++i) {
      const int tag = engine.Zarixfldtag(space, source, i);
      if (tags.count(tag) == 0)
        engine.Zarixfldadd(space, target, tag, engine.Zarixfield(space, source, i));
    }
  }
}

}  // namespace zarix
