// In-memory ini store shared by the request store and the server configuration.
#include "util/ini_store.h"

#include <cerrno>
#include <cstdlib>

#include "util/split_lines.h"

namespace zarix {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The key of a stored line: the text before its first "="; lines without "=" have no key.
bool LineKey(const std::string& line, std::string_view* key) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = std::string_view(line).substr(0, eq);
  return true;
}

// Index of the key's last line in `lines`, or -1.
long LastKeyLine(const std::vector<std::string>& lines, std::string_view key) {
  for (size_t i = lines.size(); i > 0; --i) {
    std::string_view k;
    if (LineKey(lines[i - 1], &k) && EqualsNoCase(k, key)) return static_cast<long>(i - 1);
  }
  return -1;
}

bool ParseInteger(std::string_view text, long long* out) {
  std::string s(Trim(text));
  if (s.empty()) return false;
  size_t start = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (start == s.size()) return false;
  for (size_t i = start; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  errno = 0;
  long long v = std::strtoll(s.c_str(), nullptr, 10);
  if (errno == ERANGE) return false;
  *out = v;
  return true;
}

}  // namespace

void IniStore::LoadLines(const std::vector<std::string>& lines) {
  sections_.clear();
  Section* current = nullptr;
  for (const std::string& raw : lines) {
    std::string_view line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      std::string_view name = Trim(line.substr(1, line.size() - 2));
      // A repeated section header continues the same section, so "last occurrence wins"
      // holds across both parts of the file.
      current = FindSection(name);
      if (current == nullptr) {
        sections_.push_back(Section{std::string(name), {}});
        current = &sections_.back();
      }
      continue;
    }
    if (current == nullptr) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      current->lines.emplace_back(line);
    } else {
      std::string stored(Trim(line.substr(0, eq)));
      stored += '=';
      stored += Trim(line.substr(eq + 1));
      current->lines.push_back(std::move(stored));
    }
  }
}

void IniStore::LoadText(std::string_view text) { LoadLines(SplitLines(text)); }

const IniStore::Section* IniStore::FindSection(std::string_view name) const {
  for (const Section& s : sections_) {
    if (EqualsNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

IniStore::Section* IniStore::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (EqualsNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

bool IniStore::HasSection(std::string_view section) const {
  return FindSection(section) != nullptr;
}

bool IniStore::HasKey(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  return s != nullptr && LastKeyLine(s->lines, key) >= 0;
}

std::string IniStore::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::string(def);
  long i = LastKeyLine(s->lines, key);
  if (i < 0) return std::string(def);
  const std::string& line = s->lines[static_cast<size_t>(i)];
  return line.substr(line.find('=') + 1);
}

long long IniStore::ReadInteger(std::string_view section, std::string_view key,
                                long long def) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return def;
  long i = LastKeyLine(s->lines, key);
  if (i < 0) return def;
  const std::string& line = s->lines[static_cast<size_t>(i)];
  long long v;
  return ParseInteger(std::string_view(line).substr(line.find('=') + 1), &v) ? v : def;
}

bool IniStore::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniStore::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back(Section{std::string(section), {}});
    s = &sections_.back();
  }
  std::string line(key);
  line += '=';
  line += value;
  long i = LastKeyLine(s->lines, key);
  if (i >= 0) {
    s->lines[static_cast<size_t>(i)] = std::move(line);
  } else {
    s->lines.push_back(std::move(line));
  }
}

void IniStore::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (s == nullptr) return;
  std::erase_if(s->lines, [key](const std::string& line) {
    std::string_view k;
    return LineKey(line, &k) && EqualsNoCase(k, key);
  });
}

std::vector<std::string> IniStore::SectionLines(std::string_view section) const {
  const Section* s = FindSection(section);
  return s == nullptr ? std::vector<std::string>{} : s->lines;
}

std::vector<std::string> IniStore::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  const Section* s = FindSection(section);
  if (s == nullptr) return keys;
  for (const std::string& line : s->lines) {
    std::string_view k;
    if (!LineKey(line, &k)) continue;
    bool seen = false;
    for (const std::string& have : keys) {
      if (EqualsNoCase(have, k)) {
        seen = true;
        break;
      }
    }
    if (!seen) keys.emplace_back(k);
  }
  return keys;
}

std::vector<std::string> IniStore::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::string IniStore::ToText() const {
  std::string out;
  for (const Section& s : sections_) {
    out += '[';
    out += s.name;
    out += "]\r\n";
    for (const std::string& line : s.lines) {
      out += line;
      out += "\r\n";
    }
  }
  return out;
}

}  // namespace zarix
