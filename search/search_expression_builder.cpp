// GetSearchString: the search form into an expression and highlight terms.
#include "search/search_expression_builder.h"

#include <algorithm>

#include "search/expression_parser.h"
#include "search/stemmer.h"
#include "search/word_split.h"
#include "util/value_cleanup.h"
#include "util/whole_number.h"

namespace zarix {
namespace {

constexpr size_t kMaxSearchTextBytes = 251;
constexpr std::string_view kGroupFields[] = {"S21LOG", "S21P01", "S21P02", "S21P03", "S21P04",
                                             "S21P05", "S21STR", "S21P06", "S21P07"};

size_t Utf8Length(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

std::string CutUtf8(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  size_t cut = max_bytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t start = 0;
  for (size_t at; (at = text.find(from, start)) != std::string_view::npos;) {
    out.append(text.substr(start, at - start));
    out.append(to);
    start = at + from.size();
  }
  out.append(text.substr(start));
  return out;
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) {
      return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    };
    return lower(x) < lower(y);
  });
}

// True when `expression` has a "+" outside quotes and parentheses: ANDing it with more terms
// then needs parentheses, as "*" binds tighter than "+".
bool HasTopLevelOr(std::string_view expression) {
  bool quoted = false;
  int depth = 0;
  for (char c : expression) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted) {
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (c == '+' && depth == 0) return true;
    }
  }
  return false;
}

std::string GroupOperator(std::string_view log) {
  switch (log.empty() ? '\0' : log.front()) {
    case '0':
      return "+";
    case '2':
      return " . ";
    case '3':
      return "^";
    default:
      // "1", and values that name no operator: terms written side by side would not parse.
      return "*";
  }
}

// A word of StringToWords_new2 without its phrase quotes: inside a term they would end it.
std::string Unquoted(std::string word) {
  if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
    return word.substr(1, word.size() - 2);
  }
  return word;
}

class Builder {
 public:
  Builder(const SearchFormContext& c, SearchString* out) : c_(c), out_(out) {}

  void Run() {
    Trace("Start GetSearchString()");
    const std::string raw_all = Param("S21All");
    const long long global_log = ParseWholeNumber(Param("S21LOG", "1"), 1);
    join_ = global_log == 0 ? "+(" : global_log == 3 ? "^(" : "*(";
    Trace("result=" + raw_all);

    std::string base;
    if (!raw_all.empty()) {
      base = ReplaceAll(raw_all, "<.>", "\"");
      const std::string terms = Param("S21AllTrm");
      if (!terms.empty()) {
        std::vector<std::string> items;
        size_t start = 0;
        for (size_t bar; (bar = terms.find('|', start)) != std::string::npos; start = bar + 1) {
          items.push_back(terms.substr(start, bar - start));
        }
        if (start < terms.size()) items.push_back(terms.substr(start));
        out_->highlight_terms = std::move(items);
      } else {
        Trace("Start UnpackSearchExpression()");
        out_->highlight_terms = UnpackSearchTerms(base);
      }
    }

    Trace("Start WebIni.ReadSectionValues(Form Literal)");
    std::vector<std::string> lines = FormLines();
    std::string key;
    SearchGroup group;
    bool open = false;
    for (const std::string& line : lines) {
      const size_t s21 = line.find("S21");
      std::string line_key = line.substr(0, s21);
      if (open && line_key != key) {
        AddGroup(group);
        group = SearchGroup();
      }
      key = std::move(line_key);
      open = true;
      const std::string field = line.substr(s21, 6);
      const size_t eq = line.find('=');
      const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
      Store(field, value, &group);
    }
    if (open) AddGroup(group);

    out_->term_text.clear();
    for (const std::string& t : out_->highlight_terms) out_->term_text += t + "|";

    std::string result = expression_;
    if (result.empty()) {
      result = base;
    } else if (!base.empty()) {
      result = (HasTopLevelOr(base) ? "(" + base + ")" : base) + "*" + result;
    }

    c_.fields->Remove("S21All");
    c_.fields->Remove("S21AllTrm");
    out_->expression = SanitizeLogValue(result);
    if (!out_->expression.empty()) {
      c_.fields->Set("S21All", EncodeWireQuotes(out_->expression));
    }
    if (!out_->term_text.empty()) c_.fields->Set("S21AllTrm", out_->term_text);
    Trace("End GetSearchString()");
  }

 private:
  std::string Param(std::string_view name, std::string_view def = {}) const {
    return c_.fields->Param(name, def);
  }
  void Trace(const std::string& label) const {
    if (c_.trace) c_.trace(label);
  }

  // The request's lines that belong to search groups, sorted without regard to case.
  std::vector<std::string> FormLines() const {
    std::vector<std::string> lines = c_.fields->FieldLines();
    std::erase_if(lines, [](const std::string& line) {
      return std::none_of(std::begin(kGroupFields), std::end(kGroupFields),
                          [&](std::string_view f) { return line.find(f) != std::string::npos; });
    });
    std::stable_sort(lines.begin(), lines.end(), LessNoCase);
    return lines;
  }

  static void Store(const std::string& field, const std::string& value, SearchGroup* g) {
    if (field == "S21LOG") g->log = value;
    if (field == "S21P01") g->p01 = value;
    if (field == "S21P02") g->p02 = value;
    if (field == "S21P03") g->p03 = value;
    if (field == "S21P04") g->p04 = value;
    if (field == "S21P06") g->p06 = value;
    if (field == "S21P07") g->p07 = value;
    if (field == "S21STR" && g->str.empty()) g->str = value;
  }

  void AddGroup(SearchGroup g) {
    if (g.log == "4") {
      if (Param("FT_REQUEST").empty()) {
        g.p01 = "4";
      } else {
        g.log = "1";
      }
    }
    long long kind = ParseWholeNumber(g.p01, 0);
    if (g.log == "5" && (!g.p06.empty() || !g.p07.empty())) {
      auto mark = [&](const std::string& end) {
        return g.p02 == "1" || kind == 3 || end.empty() ? "$" : "";
      };
      expression_ += expression_.empty() ? "\"" : "*\"";
      expression_ += g.p03 + g.p06 + mark(g.p06) + "\"[...]\"" + g.p03 + g.p07 + mark(g.p07) + "\"";
    }
    if (g.str.empty()) return;
    std::string text = CutUtf8(g.str, kMaxSearchTextBytes);

    if (kind == 0 && g.p03 == "A=" && !HasCommaBlankAfterSecondChar(text)) {
      // An author without ", " (no "surname, initials" form): his name's words in field 700.
      g.p03 = "K=";
      g.p04 = "700";
      g.p01 = "1";
      kind = 1;
      g.log = "1";
      g.p02 = "0";
    }

    std::vector<std::string> terms;
    switch (kind) {
      case 0: {
        std::string t = ReplaceAll(text, "\"", "");
        if (!t.empty()) terms.push_back(t);
        break;
      }
      case 1:
      case 3:
      case 6: {
        std::vector<NumberedWord> words;
        const bool traced = kind != 6;
        if (traced) Trace("Start StringToWords_new2()");
        StringToWords_new2(text, *c_.tables, &words);
        if (traced) Trace("End StringToWords_new2()");
        for (NumberedWord& w : words) {
          std::string word = Unquoted(std::move(w.text));
          if (kind == 6) {
            if (!word.empty()) terms.push_back(std::move(word));
            break;
          }
          if (kind == 3 && !c_.morphology) word = StemUtf8(word);
          if (static_cast<long long>(Utf8Length(word)) > c_.min_color_count) {
            terms.push_back(std::move(word));
          }
        }
        break;
      }
      case 2: {
        std::string t = text.substr(0, text.find(' '));
        if (!t.empty()) terms.push_back(t);
        break;
      }
      case 4:
        c_.fields->Set("FT_REQUEST", g.str);
        c_.fields->Set("FT_PREFIX", g.p03);
        break;
      default:
        break;
    }
    if (terms.empty()) return;

    const bool truncate = g.p02 == "1" || kind == 3;
    const std::string mark = !truncate ? "" : (c_.morphology && g.p03 == "K=") ? "@" : "$";
    const std::string op = GroupOperator(g.log);
    expression_ += expression_.empty() ? "(" : join_;
    for (size_t i = 0; i < terms.size(); ++i) {
      std::vector<NumberedWord> words;
      StringToWords(terms[i], false, *c_.tables, &words);
      for (const NumberedWord& w : words) {
        if (static_cast<long long>(Utf8Length(w.text)) > c_.min_color_count) {
          out_->highlight_terms.push_back(g.p03 + w.text);
        }
      }
      expression_ += "\"" + g.p03 + terms[i] + mark;
      expression_ += g.p04.empty() ? std::string("\"") : "\"/(" + g.p04 + ")";
      if (i + 1 < terms.size()) expression_ += op;
    }
    expression_ += ")";
  }

  static bool HasCommaBlankAfterSecondChar(std::string_view text) {
    size_t start = 0;
    for (int chars = 0; chars < 2 && start < text.size(); ++chars) {
      ++start;
      while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
        ++start;
      }
    }
    return text.find(", ", start) != std::string_view::npos;
  }

  const SearchFormContext& c_;
  SearchString* out_;
  std::string join_;
  std::string expression_;
};

}  // namespace

SearchString GetSearchString(const SearchFormContext& context) {
  SearchString out;
  if (context.fields == nullptr) return out;
  static const AlphabetTables kPlainTables;
  SearchFormContext c = context;
  if (c.tables == nullptr) c.tables = &kPlainTables;
  try {
    Builder(c, &out).Run();
  } catch (...) {
    if (context.trace) context.trace("ERROR GetSearchString");
  }
  return out;
}

std::string DecodeWireQuotes(std::string_view text) {
  std::string out(text);
  while (out.find("<.>") != std::string::npos) out = ReplaceAll(out, "<.>", "\"");
  return out;
}

std::string EncodeWireQuotes(std::string_view text) { return ReplaceAll(text, "\"", "<.>"); }

std::vector<std::string> UnpackSearchTerms(std::string_view expression) {
  std::vector<std::string> terms;
  std::vector<SearchStep> steps;
  if (ParseSearchExpression(expression, &steps) != 0) return terms;
  for (const SearchStep& step : steps) {
    for (const std::string& line : step.operands) {
      if (line.empty() || line[0] == '#') continue;
      if (line.find("[...]") != std::string::npos && line.find('"') != 0) continue;
      std::string_view term = line;
      if (term.front() == '"') {
        const size_t close = term.find('"', 1);
        const std::string_view after = close == std::string_view::npos ? "" : term.substr(close);
        if (after.find("[...]") != std::string_view::npos) continue;  // a range
        term = term.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      } else {
        term = term.substr(0, term.find("/("));
      }
      std::string clean = SanitizeLogValue(term);
      clean = clean.substr(0, clean.find('$'));
      if (!clean.empty() && clean.back() == '@') clean.pop_back();
      if (!clean.empty()) terms.push_back(std::move(clean));
    }
  }
  return terms;
}

}  // namespace zarix
