// Sort specifications and sort keys.
#include "search/sort_keys.h"

#include <algorithm>

#include "util/ilf_library.h"
#include "util/path.h"
#include "util/split_lines.h"
#include "util/unicode_upper.h"
#include "util/utf8.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

// Lengths, modes and header counts of a specification file: nine digits at most.
constexpr long long kMaxSmall = 999999999;

constexpr std::string_view kHeaderNumber = "[HeaderNumber]";
constexpr std::string_view kKeyOptions = "[KeyOptions]";
constexpr std::string_view kHeaderFormat = "[HeaderFormat]";
// Longer keys are cut to this many characters: a specification cannot make every entry huge.
constexpr long long kMaxKeyLength = 4096;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsMarker(std::string_view line) {
  line = Trim(line);
  return line == kHeaderNumber || line == kKeyOptions || line == kHeaderFormat;
}

std::vector<std::string> LinesOf(const std::string& path) {
  if (!FileExists(path)) return {};
  std::optional<std::string> bytes = ReadFileBytes(path);
  return bytes ? SplitLines(*bytes) : std::vector<std::string>();
}

// A line cut or padded with blanks to `length` characters.
std::u32string CutPad(std::string_view line, long long length) {
  std::u32string out;
  size_t pos = 0;
  while (pos < line.size() && static_cast<long long>(out.size()) < length) {
    char32_t cp = 0;
    if (!DecodeUtf8Char(line, &pos, &cp)) {
      cp = 0xFFFD;
      ++pos;
    }
    out += cp;
  }
  if (static_cast<long long>(out.size()) < length) out.append(length - out.size(), U' ');
  return out;
}

std::string TrimmedUtf8(std::u32string_view value) {
  while (!value.empty() && value.front() == U' ') value.remove_prefix(1);
  while (!value.empty() && value.back() == U' ') value.remove_suffix(1);
  std::string out;
  for (char32_t cp : value) AppendUtf8(cp, &out);
  return out;
}

// The key in sort order: upper case, subfield marks blanked, and code points ranked so that
// comparing them compares their UTF-16 units (U+E000..U+FFFF after the supplementary planes).
void FinishKey(std::u32string* key) {
  for (char32_t& cp : *key) {
    if (cp < 0x80) {
      if (cp >= U'a' && cp <= U'z') cp -= 0x20;
    } else {
      cp = UnicodeUpperChar(cp);
    }
  }
  for (size_t i = 0; i < key->size(); ++i) {
    if ((*key)[i] != U'^') continue;
    (*key)[i] = U' ';
    if (i + 1 < key->size()) (*key)[++i] = U' ';
  }
  for (char32_t& cp : *key) {
    if (cp >= 0xE000 && cp <= 0xFFFF) cp += 0x110000;
  }
}

}  // namespace

SortSpec ParseSortSpec(const std::vector<std::string>& lines) {
  SortSpec spec;
  const size_t n = lines.size();
  for (size_t i = 0; i < n; ++i) {
    const std::string_view line = Trim(lines[i]);
    if (line == kHeaderNumber && i + 1 < n) {
      spec.header_count = ParseWholeNumber(lines[i + 1], 0, -kMaxSmall, kMaxSmall);
    } else if (line == kHeaderFormat) {
      for (size_t j = i + 1; j < n && !IsMarker(lines[j]); ++j) {
        spec.header_formats.push_back(lines[j]);
      }
    } else if (line == kKeyOptions) {
      // Three lines per key up to the end of the file; a last key without a line after it
      // still counts.
      const size_t count = (n - i - 1) / 3;
      for (size_t k = 0; k < count; ++k) {
        SortKey key;
        key.length = std::clamp<long long>(
            ParseWholeNumber(lines[i + 1 + 3 * k], 0, -kMaxSmall, kMaxSmall), 0, kMaxKeyLength);
        key.all_lines = ParseWholeNumber(lines[i + 2 + 3 * k], 0, -kMaxSmall, kMaxSmall) != 0;
        key.format = lines[i + 3 + 3 * k];
        spec.keys.push_back(std::move(key));
      }
      break;
    }
  }
  spec.header_count = std::clamp<long long>(
      spec.header_count, 0,
      static_cast<long long>(std::min(spec.keys.size(), spec.header_formats.size())));
  return spec;
}

std::vector<std::string> FindSortSpec(std::string_view path, std::string_view deposit,
                                      long long deposit_priority, std::string_view dbname) {
  const std::string file = BaseName(path);
  if (!deposit.empty()) {
    std::string_view base = deposit;
    const bool separator = base.back() == '\\' || base.back() == '/';
    if (separator) base.remove_suffix(1);
    std::vector<std::string> lines =
        LinesOf(std::string(base) + "_USER" + (separator ? "\\" : "") + file);
    if (!lines.empty()) return lines;
  }
  const std::string in_deposit = std::string(deposit) + file;
  const std::string as_given(path);
  const std::string* order[] = {&as_given, &in_deposit};
  if (deposit_priority != 0) std::swap(order[0], order[1]);
  for (const std::string* candidate : order) {
    if (candidate == &in_deposit && deposit.empty()) continue;
    std::vector<std::string> lines = LinesOf(*candidate);
    if (!lines.empty()) return lines;
  }
  const size_t dot = file.find('.');
  const std::string member = file.substr(0, dot);
  const std::string rest = dot == std::string::npos ? std::string() : file.substr(dot + 1);
  TLib lib;
  std::string text;
  if (lib.Open(DirName(path) + std::string(dbname) + "_" + rest + ".ILF") == kLibOk &&
      lib.Read(member, &text) == kLibOk) {
    return SplitLines(text);
  }
  return {};
}

void AddRecordEntries(const SortSpec& spec, const std::vector<std::string>& outputs, Mfn mfn,
                      std::vector<SortEntry>* entries, bool with_values) {
  struct Combination {
    std::u32string key;
    std::vector<std::string> values;
  };
  std::vector<Combination> combos;
  std::vector<std::string_view> lines;
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    const SortKey& key = spec.keys[k];
    const std::string_view output = k < outputs.size() ? outputs[k] : std::string_view();
    lines.clear();
    if (output.empty()) {
      lines.push_back("");  // padded to a blank value below, which key 1 keeps too
    } else {
      lines = SplitLineViews(output);
      if (!key.all_lines && lines.size() > 1) lines.resize(1);
      if (k == 0) std::erase_if(lines, [](std::string_view l) { return l.empty(); });
    }
    if (k == 0) {
      for (std::string_view line : lines) {
        if (combos.size() >= kMaxEntriesPerRecord) break;
        Combination& c = combos.emplace_back();
        c.key = CutPad(line, key.length);
        if (with_values) c.values.push_back(TrimmedUtf8(c.key));
      }
      continue;
    }
    if (lines.size() == 1) {
      // One value (the usual case): every combination grows in place.
      const std::u32string v = CutPad(lines[0], key.length);
      for (Combination& c : combos) {
        c.key += v;
        if (with_values) c.values.push_back(TrimmedUtf8(v));
      }
      continue;
    }
    std::vector<Combination> next;
    for (std::string_view line : lines) {
      const std::u32string v = CutPad(line, key.length);
      const std::string value = with_values ? TrimmedUtf8(v) : std::string();
      for (const Combination& c : combos) {
        if (next.size() >= kMaxEntriesPerRecord) break;
        Combination joined = c;
        joined.key += v;
        if (with_values) joined.values.push_back(value);
        next.push_back(std::move(joined));
      }
    }
    combos.swap(next);
  }
  for (Combination& c : combos) {
    FinishKey(&c.key);
    entries->push_back({std::move(c.key), std::move(c.values), mfn});
  }
}

void SortEntries(std::vector<SortEntry>* entries, bool ascending) {
  // Sorting positions and moving each entry once is cheaper than moving entries while merging.
  std::vector<uint32_t> order(entries->size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  const std::vector<SortEntry>& e = *entries;
  if (ascending) {
    std::stable_sort(order.begin(), order.end(),
                     [&e](uint32_t a, uint32_t b) { return e[a].key < e[b].key; });
  } else {
    std::stable_sort(order.begin(), order.end(),
                     [&e](uint32_t a, uint32_t b) { return e[b].key < e[a].key; });
  }
  std::vector<SortEntry> sorted;
  sorted.reserve(entries->size());
  for (uint32_t i : order) sorted.push_back(std::move((*entries)[i]));
  entries->swap(sorted);
}

std::u32string_view KeySegment(const SortSpec& spec, std::u32string_view key, size_t level) {
  if (level == 0 || level > spec.keys.size()) return {};
  size_t offset = 0;
  for (size_t k = 0; k + 1 < level; ++k) offset += static_cast<size_t>(spec.keys[k].length);
  if (offset >= key.size()) return {};
  return key.substr(offset, static_cast<size_t>(spec.keys[level - 1].length));
}

}  // namespace zarix
