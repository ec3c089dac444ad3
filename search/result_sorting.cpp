// Sorting and sorted printing of a result list through the engine.
#include "search/result_sorting.h"

#include <optional>

#include "util/html_escape.h"
#include "util/path.h"
#include "util/split_lines.h"

namespace zarix {

namespace {

constexpr int kFormatCapacity = 32000;
constexpr std::string_view kSortError = "<br>ERROR SORTING<br>";
// Separates the outputs of the keys when all key formats run as one program: a line of its own.
constexpr std::string_view kKeyMark = "<~ZARIX~SORT~KEY~>";
constexpr std::string_view kKeySeparator = "\r\n<~ZARIX~SORT~KEY~>\r\n";

bool ReadCounts(int rc) { return rc == 0 || rc == -602 || rc == -603; }


// Runs the key formats on the record on shelf 0. The engine holds one compiled format per
// space, so the keys are joined into one program (each key starting on a fresh line in the
// default mode) and its output is split again; a record whose output does not split cleanly,
// or a program that does not compile, falls back to compiling each key on its own.
class KeyFormatter {
 public:
  KeyFormatter(EngineApi& e, int space, const SortSpec& spec) : e_(e), space_(space), spec_(spec) {
    if (spec.keys.size() == 1) {
      joined_ = spec.keys[0].format;
    } else {
      for (size_t k = 0; k < spec.keys.size(); ++k) {
        if (k > 0) joined_ += ",#,'" + std::string(kKeyMark) + "',#,";
        joined_ += "mpl," + spec.keys[k].format;
      }
    }
  }

  // The outputs of the keys for the record on shelf 0, valid until the next call.
  const std::vector<std::string>& Outputs() {
    if (!joined_failed_ && (compiled_ || Compile())) {
      const int capacity = kFormatCapacity * static_cast<int>(spec_.keys.size());
      if (e_.Zarix_Format(space_, 0, 1, 1, capacity) >= 0 && Split(e_.Zarix_FormatResult(space_))) {
        return outputs_;
      }
    }
    compiled_ = false;
    outputs_.resize(spec_.keys.size());
    for (size_t k = 0; k < spec_.keys.size(); ++k) {
      outputs_[k].clear();
      if (e_.Zarix_InitPFT(space_, spec_.keys[k].format) == 0 &&
          e_.Zarix_Format(space_, 0, 1, 1, kFormatCapacity) >= 0) {
        outputs_[k] = e_.Zarix_FormatResult(space_);
      }
    }
    return outputs_;
  }

 private:
  bool Compile() {
    compiled_ = e_.Zarix_InitPFT(space_, joined_) == 0;
    joined_failed_ = !compiled_;
    return compiled_;
  }

  // Splits the joined output into outputs_ (reusing its strings); false when the number of
  // parts is not the number of keys.
  bool Split(std::string_view text) {
    const size_t n = spec_.keys.size();
    outputs_.resize(n);
    size_t start = 0;
    for (size_t k = 0; k < n; ++k) {
      const size_t p = k + 1 < n ? text.find(kKeySeparator, start) : std::string_view::npos;
      if (k + 1 < n && p == std::string_view::npos) return false;
      outputs_[k].assign(text.substr(start, p - start));
      if (p != std::string_view::npos) start = p + kKeySeparator.size();
    }
    // One more separator than keys: field text imitated it, so the parts are not the keys'.
    return n == 1 || text.find(kKeySeparator, start) == std::string_view::npos;
  }

  EngineApi& e_;
  int space_;
  const SortSpec& spec_;
  std::string joined_;
  bool compiled_ = false;
  bool joined_failed_ = false;
  std::vector<std::string> outputs_;
};

void AddFields(EngineApi& e, int space, const SortRequest& r) {
  for (const auto& [tag, value] : r.record_fields) e.Zarixfldadd(space, 0, tag, value);
}

void Print(EngineApi& e, int space, const SortSpec& spec, const std::vector<SortEntry>& entries,
           const SortRequest& r, std::string* text) {
  long long last = r.last;
  const long long last_entry = static_cast<long long>(entries.size()) - 1;
  if (r.print_all && last < last_entry) last = last_entry;
  std::u32string previous;
  bool before_first = true;
  for (long long i = r.first; i <= last; ++i) {
    if (i < 0 || i > last_entry) {
      *text += "PRINT SORT ERROR";
      return;
    }
    const SortEntry& entry = entries[static_cast<size_t>(i)];
    if (!ReadCounts(e.ZarixRecord(space, 0, entry.mfn))) {
      *text += "READ_ERROR";
      continue;
    }
    AddFields(e, space, r);
    bool compile_display = false;
    if (before_first) {
      before_first = false;
      if (e.Zarix_InitPFT(space, "&Unifor('S0')") == 0) e.Zarix_Format(space, 0, 1, 1, 1);
      compile_display = true;
    }
    if (spec.header_count > 0) {
      for (size_t k = 0; k < entry.values.size(); ++k) {
        if (!entry.values[k].empty()) {
          e.Zarixfldadd(space, 0, static_cast<int>(k + 1), entry.values[k]);
        }
      }
      for (size_t h = 1; h <= static_cast<size_t>(spec.header_count); ++h) {
        if (KeySegment(spec, entry.key, h) == KeySegment(spec, previous, h)) continue;
        if (e.Zarix_InitPFT(space, spec.header_formats[h - 1]) == 0 &&
            e.Zarix_Format(space, 0, 1, 1 | EngineApi::kFormatPageText, kFormatCapacity) >= 0) {
          *text += e.Zarix_FormatResult(space);
        }
        compile_display = true;
      }
      previous = entry.key;
    }
    if (compile_display) e.Zarix_InitPFT(space, r.display_format);
    if (e.Zarix_Format(space, 0, 1, 1 | EngineApi::kFormatPageText, kFormatCapacity) < 0) {
      *text += "FORMAT_ERROR";
      continue;
    }
    std::string out = e.Zarix_FormatResult(space);
    if (r.finish_entry) r.finish_entry(&out, entry.mfn, i);
    *text += out;
  }
}

}  // namespace

SortOutcome SortResultList(EngineApi& e, int space, const std::vector<Mfn>& results,
                           const SortRequest& r) {
  SortOutcome outcome;
  try {
    const std::vector<std::string> lines =
        FindSortSpec(r.spec_path, r.deposit, r.deposit_priority, r.dbname);
    if (lines.empty()) {
      // The page names the file, never the server's folders.
      outcome.text = "<br> FILE EXISTS " + HtmlEscape(BaseName(r.spec_path)) + "<br>";
      std::optional<std::string> bytes;
      if (FileExists(r.spec_path)) bytes = ReadFileBytes(r.spec_path);
      if (bytes) {
        outcome.text += "<br>" + std::to_string(SplitLines(*bytes).size());
      } else {
        outcome.text += kSortError;
      }
      return outcome;
    }
    const SortSpec spec = ParseSortSpec(lines);
    // Without keys every record would drop out of the list: keep its order instead.
    if (spec.keys.empty()) return outcome;

    std::vector<SortEntry> entries;
    entries.reserve(results.size());
    KeyFormatter keys(e, space, spec);
    const bool with_values = r.print && spec.header_count > 0;
    for (Mfn mfn : results) {
      if (!ReadCounts(e.ZarixRecord(space, 0, mfn))) continue;
      AddFields(e, space, r);
      AddRecordEntries(spec, keys.Outputs(), mfn, &entries, with_values);
    }
    SortEntries(&entries, r.ascending);
    outcome.sorted = true;
    outcome.mfns.reserve(entries.size());
    for (const SortEntry& entry : entries) outcome.mfns.push_back(entry.mfn);
    if (r.print) Print(e, space, spec, entries, r, &outcome.text);
  } catch (...) {
    outcome.text += kSortError;
  }
  return outcome;
}

}  // namespace zarix
