// Field selection table: parsing and term extraction.
#include "zarix64/fst.h"

#include <algorithm>
#include <charconv>

#include "util/charset.h"

namespace zarix::db {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

bool ValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<uint8_t>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// Large enough for any record we store; indexing must never silently drop a long field.
constexpr size_t kIndexFormatCapacity = 4u << 20;

}  // namespace

StopWords ParseStopWords(std::string_view text, const Tables& tables) {
  std::string utf8 =
      ValidUtf8(text) ? std::string(text) : ConvertCharset(text, "WINDOWS-1251", "UTF-8");
  StopWords words;
  std::string_view rest = utf8;
  while (!rest.empty()) {
    const size_t nl = rest.find('\n');
    std::string_view line = Trim(rest.substr(0, nl));
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    if (!line.empty()) words.insert(tables.MakeKey(line));
  }
  return words;
}

void TermsFromOutput(std::string_view output, FieldTag tag, int technique, Mfn mfn,
                     const Tables& tables, const StopWords& stop_words,
                     std::vector<TermPosting>* out) {
  Occurrence occurrence = 0;
  std::vector<std::string_view> words;
  while (!output.empty()) {
    const size_t nl = output.find('\n');
    std::string_view line = Trim(output.substr(0, nl));
    output = nl == std::string_view::npos ? std::string_view() : output.substr(nl + 1);
    if (line.empty()) continue;
    ++occurrence;
    if (technique == 0) {
      out->emplace_back(tables.MakeKey(line), Posting{mfn, tag, occurrence, 0});
      continue;
    }
    std::string prefix;
    if (technique == 8) {
      const size_t eq = line.find('=');
      if (eq != std::string_view::npos) {
        prefix = tables.UpperCase(line.substr(0, eq + 1));
        line.remove_prefix(eq + 1);
      }
    }
    tables.SplitWords(line, &words);
    TermPos position = 0;
    for (std::string_view word : words) {
      ++position;
      std::string upper = tables.UpperCase(word);
      if (stop_words.count(upper) != 0) continue;
      out->emplace_back(std::string(CutUtf8(prefix + upper, kMaxTermBytes)),
                        Posting{mfn, tag, occurrence, position});
    }
  }
}

void SortTerms(std::vector<TermPosting>* terms) {
  std::sort(terms->begin(), terms->end());
  terms->erase(std::unique(terms->begin(), terms->end()), terms->end());
}

std::unique_ptr<FieldSelection> FieldSelection::Parse(std::string_view text,
                                                      format::IncludeResolver* resolver,
                                                      std::vector<std::string>* problems) {
  auto fst = std::make_unique<FieldSelection>();
  const auto problem = [&](int line_no, std::string_view message) {
    if (problems)
      problems->push_back("line " + std::to_string(line_no) + ": " + std::string(message));
  };
  int line_no = 0;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    ++line_no;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (line.empty() || line.front() == '*' || line.front() == '#') continue;

    Entry entry;
    const char* p = line.data();
    const char* end = line.data() + line.size();
    auto r1 = std::from_chars(p, end, entry.tag);
    if (r1.ec != std::errc() || r1.ptr == end || *r1.ptr != ' ') {
      problem(line_no, "expected \"tag technique format\"");
      continue;
    }
    auto r2 = std::from_chars(r1.ptr + 1, end, entry.technique);
    if (r2.ec != std::errc() || (r2.ptr != end && *r2.ptr != ' ')) {
      problem(line_no, "expected \"tag technique format\"");
      continue;
    }
    if (entry.technique != 0 && entry.technique != 4 && entry.technique != 8) {
      problem(line_no, "unknown technique " + std::to_string(entry.technique));
      continue;
    }
    entry.format = r2.ptr == end ? std::string() : std::string(r2.ptr + 1, end);
    format::CompileError error;
    entry.program = format::Compile(entry.format, resolver, &error);
    if (!entry.program) {
      problem(line_no, "format: " + error.message);
      continue;
    }
    fst->entries_.push_back(std::move(entry));
  }
  return fst;
}

void FieldSelection::Extract(const format::RecordView& record, const Tables& tables,
                             const StopWords& stop_words, format::DatabaseAccess* db,
                             std::vector<TermPosting>* out) const {
  out->clear();
  format::RunOptions options;
  options.capacity = kIndexFormatCapacity;
  options.mode = 1;
  options.db = db;
  std::string text;
  for (const Entry& entry : entries_) {
    text.clear();
    if (format::Run(*entry.program, record, options, &text) < 0) continue;
    TermsFromOutput(text, entry.tag, entry.technique, record.mfn(), tables, stop_words, out);
  }
  SortTerms(out);
}

}  // namespace zarix::db
