// The record-modification language.
#include "records/modification_script.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "engine/engine_api.h"
#include "processor/server_config.h"
#include "util/code_page.h"
#include "util/path.h"

namespace zarix {

namespace {

constexpr int kFormatCapacity = 32000;
// Spaces of other databases a script may hold at once (record blocks, DEFFLD, UNDOR).
constexpr size_t kMaxOpenedSpaces = 100;
// Nesting of IF, REPEAT and record blocks.
constexpr size_t kMaxNesting = 1000;

const std::map<std::string, int, std::less<>>& StatementLines() {
  static const std::map<std::string, int, std::less<>> kLines = {
      {"ADD", 5},    {"REP", 5},    {"CHA", 5},    {"CHAC", 5},   {"DEL", 5},   {"DELR", 5},
      {"NEWMFN", 2}, {"NEWREC", 2}, {"CORREC", 4}, {"UNDOR", 2},  {"END", 1},   {"IF", 2},
      {"FI", 1},     {"ALL", 1},    {"EMPTY", 1},  {"REPEAT", 1}, {"UNTIL", 2}, {"DEFFLD", 2},
      {"PUTFLD", 2}, {"GETFLD", 2}, {"PUTLOG", 2},
  };
  return kLines;
}

int LinesOf(std::string_view keyword) {
  auto it = StatementLines().find(keyword);
  return it == StatementLines().end() ? 1 : it->second;
}

std::optional<long long> Decimal(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::vector<std::string> OutputLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
  return lines;
}

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
  if (what.empty()) return text;
  size_t at = 0;
  while ((at = text.find(what, at)) != std::string::npos) {
    text.replace(at, what.size(), with);
    at += with.size();
  }
  return text;
}

std::string ReplaceAllNoCase(const std::string& text, const std::string& what,
                             const std::string& with) {
  if (what.empty()) return text;
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string hay = lower(text), needle = lower(what);
  std::string out;
  size_t from = 0, at;
  while ((at = hay.find(needle, from)) != std::string::npos) {
    out.append(text, from, at - from);
    out += with;
    from = at + what.size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

// The text of subfield `code` in `value` ("^" + code + text up to the next "^"), its start and
// end; npos when absent.
struct SubfieldSpan {
  size_t begin = std::string::npos;  // at the "^"
  size_t end = std::string::npos;
};
SubfieldSpan FindSubfield(const std::string& value, char code) {
  const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(code)));
  for (size_t i = 0; i + 1 < value.size(); ++i) {
    if (value[i] == '^' && std::tolower(static_cast<unsigned char>(value[i + 1])) == lc) {
      size_t end = value.find('^', i + 2);
      return {i, end == std::string::npos ? value.size() : end};
    }
  }
  return {};
}

std::string SetSubfield(const std::string& value, char code, const std::string& text) {
  SubfieldSpan s = FindSubfield(value, code);
  if (s.begin == std::string::npos) {
    return text.empty() ? value : value + "^" + code + text;
  }
  std::string out = value.substr(0, s.begin);
  if (!text.empty()) out += std::string("^") + code + text;
  out += value.substr(s.end);
  return out;
}

class Interpreter {
 public:
  Interpreter(EngineApi& e, int space, int shelf, const ScriptDatabases& dbs,
              std::vector<OpenedSpace>* handed)
      : e_(e), dbs_(dbs), handed_(handed) {
    main_ = {space, shelf};
  }

  std::string Run(const TPList& statements) {
    if (statements.Count() == 0) {
      Error("PARAM_ERROR", "");
      return Finish(0);
    }
    if (statements.Count() > kMaxScriptLines) {
      Error("PARAM_ERROR", "LINES");
      return Finish(0);
    }
    LoadLines(statements);
    size_t i = first_;
    long long steps = 0;
    while (i < lines_.size() && errors_.empty()) {
      if (++steps > kMaxScriptSteps) {
        Error("FORMAT_ERROR", "REPEAT_UNTIL");
        break;
      }
      i = Execute(i);
    }
    return Finish(i);
  }

 private:
  struct Target {
    int space = 0;
    int shelf = 0;
  };
  struct Block {
    bool correc = false;
    size_t body = 0;                            // first line of the block's statements
    std::vector<int> spaces;                    // CORREC: one space per record found, in order
    std::vector<std::pair<int, int>> postings;  // CORREC: tag and occurrence of each record
    size_t current = 0;
    int space = 0;  // the record acted on: shelf 0 of this space
  };

  void LoadLines(const TPList& statements) {
    const char* first = statements.GetString(0);
    std::string head = first ? first : "";
    const bool utf8 = !head.empty() && head[0] == '!';
    if (utf8) head.erase(0, 1);
    while (!head.empty() && (head.back() == ' ' || head.back() == '\t')) head.pop_back();
    long long n = 0;
    if (!head.empty() && head[0] == '-') {
      n = 0;  // a negative count counts as none
    } else if (std::optional<long long> v = Decimal(head)) {
      n = *v;
    }
    lines_.push_back(head);
    for (int k = 1; k < statements.Count(); ++k) {
      std::string line = statements.GetString(k);
      if (!line.empty() && line[0] == '!' && !utf8) {
        line.erase(0, 1);
      } else if (!utf8) {
        line = AnsiToUtf8(line);
      }
      lines_.push_back(std::move(line));
    }
    first_ =
        static_cast<size_t>(std::min<long long>(2 * n + 1, static_cast<long long>(lines_.size())));
  }

  std::string Arg(size_t at) const { return at < lines_.size() ? lines_[at] : std::string(); }

  void Error(std::string_view code, std::string_view detail) {
    errors_ += std::string(code) + "=" + std::string(detail) + "@@@";
  }

  std::string Finish(size_t at) {
    std::string result;
    if (!errors_.empty()) errors_ += "IND_ERROR=" + std::to_string(at) + "@@@";
    if (!protocol_.empty()) result = protocol_ + "#";
    result += errors_;
    for (int s : scratch_) e_.Zarixclose(s);
    for (const Opened& o : opened_) {
      if (o.changed) {
        handed_->push_back({o.space, o.database});
      } else {
        e_.Zarixclose(o.space);
      }
    }
    return result;
  }

  // The record the field statements change.
  Target Current() const {
    if (!blocks_.empty()) return {blocks_.back().space, 0};
    return main_;
  }
  void MarkChanged() {
    const Target t = Current();
    for (Opened& o : opened_) {
      if (o.space == t.space) o.changed = true;
    }
  }

  // Runs a format on the record `on`; nullopt after recording a FORMAT_ERROR.
  std::optional<std::string> Format(const std::string& format, Target on, size_t shown) {
    work_ += 1 + e_.Zarixnfields(on.space, on.shelf);
    if (work_ > kMaxScriptWork) {
      Error("FORMAT_ERROR", "REPEAT_UNTIL");
      return std::nullopt;
    }
    int rc = e_.Zarix_InitPFT(on.space, format);
    if (rc == 0) rc = e_.Zarix_Format(on.space, on.shelf, 1, 1, kFormatCapacity, "format32");
    if (rc < 0) {
      Error("FORMAT_ERROR", std::to_string(rc) + "-" + format.substr(0, shown) + "...");
      return std::nullopt;
    }
    return e_.Zarix_FormatResult(on.space);
  }

  // Formats read the script's record, also inside a record block: the block's record is what
  // the script builds or corrects from it.
  std::optional<std::string> FormatHere(const std::string& format, size_t shown) {
    return Format(format, main_, shown);
  }

  std::optional<bool> Condition(const std::string& format) {
    std::optional<std::string> out = FormatHere(format, 50);
    if (!out) return std::nullopt;
    std::vector<std::string> lines = OutputLines(*out);
    return !lines.empty() && lines[0] == "1";
  }

  // Opens database `name` ("*": the script's own) in a new space; 0 after recording an error.
  // *opened_name (may be null) gets the database's engine name.
  int OpenDatabase(std::string name, std::string_view memory_detail,
                   std::string* opened_name = nullptr) {
    if (opened_.size() + scratch_.size() >= kMaxOpenedSpaces) {
      Error("MEMORY_ERROR", memory_detail);
      return 0;
    }
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "*") name = dbs_.database;
    int rc = -1;
    DatabasePathSet paths;
    int space = 0;
    if (!name.empty() && IsSafeRelativeName(name)) {
      rc = DatabasePaths(name, dbs_.datapath, dbs_.syspath, &paths);
      if (rc == 0) {
        space = e_.Zarixinit();
        rc = space == 0 ? -1 : e_.Zarixinitmst(space, paths.master + name, 5);
        if (rc == 0) rc = e_.Zarixinitterm(space, paths.inverted + name);
        if (rc == 0) e_.ZarixInitInvContext(space, paths.parameter, "", 0, "", "");
      }
    }
    if (rc != 0) {
      if (space != 0) e_.Zarixclose(space);
      Error("DBN_ERROR", std::to_string(rc) + "=" + name);
      return 0;
    }
    if (opened_name) *opened_name = name;
    return space;
  }

  std::string FirstLine(const std::string& text) {
    std::vector<std::string> lines = OutputLines(text);
    return lines.empty() ? std::string() : lines[0];
  }

  // Index after the statement at `i`.
  size_t Next(size_t i) const { return i + static_cast<size_t>(LinesOf(lines_[i])); }

  // From the statement after `i`, the index after the matching `close` (blocks of `open` nest).
  size_t SkipBlock(size_t i, std::initializer_list<std::string_view> opens,
                   std::string_view close) {
    int depth = 0;
    for (size_t k = Next(i); k < lines_.size(); k = Next(k)) {
      const std::string& w = lines_[k];
      if (std::find(opens.begin(), opens.end(), w) != opens.end()) {
        ++depth;
      } else if (w == close) {
        if (depth == 0) return Next(k);
        --depth;
      }
    }
    return lines_.size();
  }

  std::string Placeholders(std::string line) const {
    std::string tag = "0", occ = "0";
    for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) {
      if (it->correc && it->current < it->postings.size()) {
        tag = std::to_string(it->postings[it->current].first);
        occ = std::to_string(it->postings[it->current].second);
        break;
      }
    }
    return ReplaceAll(ReplaceAll(std::move(line), "v***", tag), "&&&", occ);
  }

  // The occurrences an occurrence argument selects (from 1); nullopt after a REP_ERROR.
  std::optional<std::vector<int>> Select(const std::string& arg, int n) {
    std::vector<int> occ;
    if (arg.empty() || arg == "*" || arg == " ") {
      for (int k = 1; k <= n; ++k) occ.push_back(k);
      return occ;
    }
    if (arg == "F") {
      if (n >= 1) occ.push_back(1);
      return occ;
    }
    if (arg == "L") {
      if (n >= 1) occ.push_back(n);
      return occ;
    }
    if (arg.size() > 1 && arg[0] == 'L' && arg[1] == '-') {
      std::string k = arg.substr(2);
      size_t blanks = 0;
      while (blanks < k.size() && blanks < 3 && k[blanks] == ' ') ++blanks;
      k.erase(0, blanks);
      std::optional<long long> v = Decimal(k);
      if (!v) {
        Error("REP_ERROR", arg.substr(2));
        return std::nullopt;
      }
      if (n >= 1) occ.push_back(static_cast<int>(std::max<long long>(1, n - *v)));
      return occ;
    }
    if (std::optional<long long> m = Decimal(arg)) {
      if (*m >= 1 && *m <= n) occ.push_back(static_cast<int>(*m));
      return occ;
    }
    Error("REP_ERROR", arg);
    return std::nullopt;
  }

  // ADD, REP, CHA, CHAC, DEL.
  void FieldStatement(const std::string& keyword, size_t i) {
    const std::string field = Placeholders(Arg(i + 1));
    const std::string occ_arg = Placeholders(Arg(i + 2));
    const std::string f1 = Placeholders(Arg(i + 3));
    const std::string f2 = Placeholders(Arg(i + 4));
    const size_t caret = field.find('^');
    std::optional<long long> tag_value = Decimal(field.substr(0, caret));
    if (!tag_value || *tag_value < 1) {
      Error("MET_ERROR", field);
      return;
    }
    const int tag = static_cast<int>(*tag_value);
    const char code = caret != std::string::npos && caret + 1 < field.size() ? field[caret + 1] : 0;
    const Target t = Current();
    const int n = e_.Zarixnocc(t.space, t.shelf, tag);
    std::optional<std::string> out = FormatHere(f1, 100);
    if (!out) return;
    std::vector<std::string> values = OutputLines(*out);
    if (keyword == "ADD") {
      std::optional<long long> number = Decimal(occ_arg);
      if (code == 0 || n == 0 || occ_arg.empty() || (number && *number > n)) {
        for (const std::string& v : values) {
          if (v.empty()) continue;
          e_.Zarixfldadd(t.space, t.shelf, tag, code ? std::string("^") + code + v : v);
          MarkChanged();
          if (code) break;
        }
        return;
      }
      std::optional<std::vector<int>> occ = Select(occ_arg, n);
      if (!occ || values.empty() || values[0].empty()) return;
      for (int k : *occ) {
        const int index = e_.Zarixfieldn(t.space, t.shelf, tag, k);
        if (index <= 0) continue;
        e_.Zarixfldrep(t.space, t.shelf, index,
                       SetSubfield(e_.Zarixfield(t.space, t.shelf, index), code, values[0]));
        MarkChanged();
      }
      return;
    }
    std::optional<std::vector<int>> occ = Select(occ_arg, n);
    if (!occ) return;
    // Field indexes are taken before anything changes: DEL and an emptied REP remove fields,
    // and every decision refers to the occurrences as they were.
    std::vector<std::pair<int, int>> targets;  // (position among the selected, field index)
    for (size_t k = 0; k < occ->size(); ++k) {
      targets.emplace_back(static_cast<int>(k), e_.Zarixfieldn(t.space, t.shelf, tag, (*occ)[k]));
    }
    std::optional<std::string> second;
    if (keyword == "CHA" || keyword == "CHAC") {
      second = FormatHere(f2, 100);
      if (!second) return;
    }
    // Back to front, so that removing a field does not move the ones still to do.
    for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
      const int index = it->second;
      if (index <= 0) continue;
      const std::string old = e_.Zarixfield(t.space, t.shelf, index);
      std::string now = old;
      if (keyword == "DEL") {
        const size_t k = static_cast<size_t>(it->first);
        if (k < values.size() && values[k] == "1") now.clear();
      } else if (keyword == "REP") {
        const std::string text = values.size() == targets.size()
                                     ? values[static_cast<size_t>(it->first)]
                                     : (values.empty() ? std::string() : values[0]);
        now = code ? SetSubfield(old, code, text) : text;
      } else {
        const std::string from = values.empty() ? std::string() : values[0];
        const std::string to = FirstLine(*second);
        auto change = [&](const std::string& s) {
          return keyword == "CHAC" ? ReplaceAllNoCase(s, from, to) : ReplaceAll(s, from, to);
        };
        if (code) {
          SubfieldSpan s = FindSubfield(old, code);
          if (s.begin != std::string::npos) {
            now = SetSubfield(old, code, change(old.substr(s.begin + 2, s.end - s.begin - 2)));
          }
        } else {
          now = change(old);
        }
      }
      if (now != old) {
        e_.Zarixfldrep(t.space, t.shelf, index, now);
        MarkChanged();
      }
    }
  }

  // Copies every field of (from) to (to).
  void CopyFields(Target from, Target to) {
    const int n = e_.Zarixnfields(from.space, from.shelf);
    for (int k = 1; k <= n; ++k) {
      e_.Zarixfldadd(to.space, to.shelf, e_.Zarixfldtag(from.space, from.shelf, k),
                     e_.Zarixfield(from.space, from.shelf, k), k);
    }
  }

  // Reads record `mfn` of `space` into shelf 0; false after a RECREAD_ERROR.
  bool ReadRecord(int space, int mfn) {
    const int rc = e_.ZarixRecord(space, 0, mfn);
    if (rc != 0 && rc != -602 && rc != -603) {
      Error("RECREAD_ERROR", std::to_string(rc) + "=" + std::to_string(mfn));
      return false;
    }
    return true;
  }

  size_t OpenCorrec(size_t i) {
    std::optional<std::string> name = FormatHere(Arg(i + 1), 100);
    if (!name) return i;
    std::optional<std::string> key = FormatHere(Arg(i + 2), 100);
    if (!key) return i;
    std::string database;
    const int space = OpenDatabase(FirstLine(*name), "CORREC", &database);
    if (space == 0) return i;
    Block b;
    b.correc = true;
    b.body = Next(i);
    // Each record found gets its own space, so that every changed record can be written.
    std::vector<std::pair<int, std::pair<int, int>>> found;  // MFN, (tag, occurrence)
    std::set<int> seen;
    std::string term = FirstLine(*key);
    if (!term.empty() && e_.Zarixfind(space, term) == 0) {
      while (e_.Zarixnxtpost(space) == 0) {
        const int mfn = e_.Zarixposting(space, 1);
        if (mfn > 0 && seen.insert(mfn).second) {
          found.push_back({mfn, {e_.Zarixposting(space, 2), e_.Zarixposting(space, 3)}});
        }
      }
    }
    if (found.empty()) {
      e_.Zarixclose(space);
      return SkipBlock(i, {"NEWMFN", "CORREC"}, "END");
    }
    for (size_t k = 0; k < found.size(); ++k) {
      const int s = k == 0 ? space : OpenDatabase(FirstLine(*name), "CORREC");
      if (s == 0) {
        for (int o : b.spaces) e_.Zarixclose(o);
        return i;
      }
      if (!ReadRecord(s, found[k].first)) {
        e_.Zarixclose(s);
        for (int o : b.spaces) e_.Zarixclose(o);
        return i;
      }
      b.spaces.push_back(s);
      b.postings.push_back(found[k].second);
    }
    b.space = b.spaces[0];
    for (int s : b.spaces) opened_.push_back({s, database, false});
    blocks_.push_back(std::move(b));
    return blocks_.back().body;
  }

  size_t Execute(size_t i) {
    const std::string& w = lines_[i];
    if (w == "ADD" || w == "REP" || w == "CHA" || w == "CHAC" || w == "DEL") {
      FieldStatement(w, i);
    } else if (w == "DELR") {
      const Target t = Current();
      e_.Zarixrecdel(t.space, t.shelf);
      MarkChanged();
    } else if (w == "IF") {
      std::optional<bool> c = Condition(Arg(i + 1));
      if (!c) return i;
      if (!*c) return SkipBlock(i, {"IF"}, "FI");
    } else if (w == "REPEAT") {
      if (loops_.size() >= kMaxNesting) {
        Error("FORMAT_ERROR", "REPEAT_UNTIL");
        return i;
      }
      loops_.push_back(Next(i));
    } else if (w == "UNTIL") {
      if (loops_.empty()) {
        Error("FORMAT_ERROR", "REPEAT_UNTIL");
        return i;
      }
      std::optional<bool> c = Condition(Arg(i + 1));
      if (!c) return i;
      if (*c) return loops_.back();
      loops_.pop_back();
    } else if (w == "PUTLOG") {
      std::optional<std::string> out = FormatHere(Arg(i + 1), 100);
      if (!out) return i;
      for (const std::string& line : OutputLines(*out)) protocol_ += "GBL_PROTOCOL=" + line + "@@@";
    } else if (w == "EMPTY") {
      // Only a record built by the script may be emptied, never the one being written.
      if (blocks_.empty()) {
        Error("GBL_ERROR", "EMPTY");
        return i;
      }
      e_.Zarixfldempty(blocks_.back().space, 0);
      MarkChanged();
    } else if (w == "NEWMFN") {
      if (blocks_.size() >= kMaxNesting) {
        Error("MEMORY_ERROR", "NEWMFN");
        return i;
      }
      std::optional<std::string> name = FormatHere(Arg(i + 1), 100);
      if (!name) return i;
      std::string database;
      const int space = OpenDatabase(FirstLine(*name), "NEWMFN", &database);
      if (space == 0) return i;
      e_.Zarixnewrec(space, 0);
      opened_.push_back({space, database, true});
      Block b;
      b.body = Next(i);
      b.space = space;
      blocks_.push_back(std::move(b));
    } else if (w == "CORREC") {
      if (blocks_.size() >= kMaxNesting) {
        Error("MEMORY_ERROR", "CORREC");
        return i;
      }
      return OpenCorrec(i);
    } else if (w == "END") {
      if (blocks_.empty()) return Next(i);
      Block& b = blocks_.back();
      if (b.correc && b.current + 1 < b.spaces.size()) {
        ++b.current;
        b.space = b.spaces[b.current];
        return b.body;
      }
      blocks_.pop_back();
    } else if (w == "ALL") {
      if (!blocks_.empty()) {
        const Target from =
            blocks_.size() > 1 ? Target{blocks_[blocks_.size() - 2].space, 0} : main_;
        CopyFields(from, Current());
        MarkChanged();
      }
    } else if (w == "NEWREC") {
      const Target t = Current();
      if (blocks_.empty()) {
        Error("NEWREC_ERROR", Arg(i + 1));
        return i;
      }
      e_.Zarixnewrec(t.space, t.shelf);
      MarkChanged();
    } else if (w == "UNDOR") {
      std::optional<std::string> out = FormatHere(Arg(i + 1), 100);
      if (!out) return i;
      std::optional<long long> mfn = Decimal(FirstLine(*out));
      const int space = OpenDatabase("*", "UNDOR");
      if (space == 0) return i;
      if (!mfn || !ReadRecord(space, static_cast<int>(*mfn))) {
        if (!mfn) Error("RECREAD_ERROR", FirstLine(*out));
        e_.Zarixclose(space);
        return i;
      }
      const Target t = Current();
      e_.Zarixfldempty(t.space, t.shelf);
      CopyFields({space, 0}, t);
      e_.Zarixclose(space);
      MarkChanged();
    } else if (w == "DEFFLD") {
      std::optional<std::string> out = FormatHere(Arg(i + 1), 100);
      if (!out) return i;
      const std::string name = FirstLine(*out);
      const int space = OpenDatabase(name.empty() ? "*" : name, "DEFFLD");
      if (space == 0) return i;
      e_.Zarixnewrec(space, 0);
      scratch_.push_back(space);
      fields_space_ = space;
    } else if (w == "PUTFLD") {
      // Lines "tag#text" become occurrences of the DEFFLD record.
      std::optional<std::string> out = FormatHere(Arg(i + 1), 100);
      if (!out) return i;
      if (fields_space_ == 0) {
        Error("NEWREC_ERROR", "DEFFLD");
        return i;
      }
      for (const std::string& line : OutputLines(*out)) {
        const size_t hash = line.find('#');
        std::optional<long long> tag = Decimal(line.substr(0, hash));
        if (!tag || *tag < 1 || hash == std::string::npos || hash + 1 >= line.size()) continue;
        e_.Zarixfldadd(fields_space_, 0, static_cast<int>(*tag), line.substr(hash + 1));
      }
    } else if (w == "GETFLD") {
      // Output lines name tags whose occurrences of the DEFFLD record are copied here.
      std::optional<std::string> out = FormatHere(Arg(i + 1), 100);
      if (!out) return i;
      if (fields_space_ == 0) {
        Error("NEWREC_ERROR", "DEFFLD");
        return i;
      }
      const Target t = Current();
      for (const std::string& line : OutputLines(*out)) {
        std::optional<long long> tag = Decimal(line);
        if (!tag || *tag < 1) continue;
        const int n = e_.Zarixnocc(fields_space_, 0, static_cast<int>(*tag));
        for (int k = 1; k <= n; ++k) {
          const int index = e_.Zarixfieldn(fields_space_, 0, static_cast<int>(*tag), k);
          e_.Zarixfldadd(t.space, t.shelf, static_cast<int>(*tag),
                         e_.Zarixfield(fields_space_, 0, index));
          MarkChanged();
        }
      }
    }
    if (errors_.empty() && e_.Zarixnfields(Current().space, Current().shelf) > kMaxScriptFields) {
      Error("MEMORY_ERROR", "FIELDS");
    }
    if (!errors_.empty()) return i;
    return Next(i);
  }

  EngineApi& e_;
  const ScriptDatabases& dbs_;
  std::vector<OpenedSpace>* handed_;
  Target main_;
  std::vector<std::string> lines_;
  size_t first_ = 1;
  std::string errors_;
  std::string protocol_;
  std::vector<size_t> loops_;
  std::vector<Block> blocks_;
  struct Opened {
    int space = 0;
    std::string database;
    bool changed = false;
  };
  std::vector<Opened> opened_;  // spaces of record blocks, in the order opened
  std::vector<int> scratch_;    // DEFFLD spaces, never handed back
  int fields_space_ = 0;
  long long work_ = 0;
};

}  // namespace

std::string RunModificationScript(EngineApi& engine, int space, int shelf,
                                  const ScriptDatabases& databases, const TPList& statements,
                                  std::vector<OpenedSpace>* opened_spaces) {
  Interpreter interpreter(engine, space, shelf, databases, opened_spaces);
  return interpreter.Run(statements);
}

}  // namespace zarix
