// Search evaluation: term operands, dictionary walks, set operators and positional checks.
#include "search/search_evaluation.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <tuple>
#include <utility>

#include "search/expression_parser.h"
#include "search/morphology_forms.h"
#include "util/unicode_upper.h"
#include "util/utf8.h"

namespace zarix {
namespace {

constexpr std::string_view kRange = "[...]";

std::string CutUtf8(std::string text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t cut = max_bytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

// The position of "[...]" outside double quotes, or npos.
size_t FindRange(std::string_view operand) {
  bool quoted = false;
  for (size_t i = 0; i < operand.size(); ++i) {
    if (operand[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && operand.substr(i, kRange.size()) == kRange) {
      return i;
    }
  }
  return std::string_view::npos;
}

std::vector<FieldTag> ParseTags(std::string_view list) {
  std::vector<FieldTag> tags;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view item = list.substr(start, end - start);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    long long v = 0;
    bool ok = !item.empty() && item.size() <= 9;
    for (size_t i = 0; ok && i < item.size(); ++i) {
      ok = item[i] >= '0' && item[i] <= '9';
      v = v * 10 + (item[i] - '0');
    }
    if (ok && v > 0) tags.push_back(static_cast<FieldTag>(v));
    start = end + 1;
  }
  std::sort(tags.begin(), tags.end());
  tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
  return tags;
}

// One bound of an operand: the term proper with its marks, and its restriction.
struct Bound {
  std::string text;
  char mark = 0;  // '$', '@' or 0
  std::vector<FieldTag> tags;
  bool has_tags = false;
};

Bound ParseBound(std::string_view s) {
  Bound b;
  std::string_view term = s;
  std::string_view rest;
  if (!s.empty() && s.front() == '"') {
    size_t close = s.find('"', 1);
    if (close == std::string_view::npos) {
      term = s.substr(1);
    } else {
      term = s.substr(1, close - 1);
      rest = s.substr(close + 1);
    }
  } else {
    size_t r = s.find("/(");
    if (r != std::string_view::npos) {
      term = s.substr(0, r);
      rest = s.substr(r);
    }
  }
  if (rest.substr(0, 2) == "/(") {
    std::string_view list = rest.substr(2);
    list = list.substr(0, list.find(')'));
    b.tags = ParseTags(list);
    b.has_tags = true;
  }
  if (!term.empty() && (term.back() == '$' || term.back() == '@')) {
    b.mark = term.back();
    term.remove_suffix(1);
  }
  b.text = CutUtf8(UpperUtf8(term), kMaxTermBytes);
  return b;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Compares by UTF-16 code units, as the dictionary's ranges are defined.
int CompareUtf16(std::string_view a, std::string_view b) {
  std::u16string ua = Utf8ToUnicode(a);
  std::u16string ub = Utf8ToUnicode(b);
  if (ua.empty() && !a.empty()) return a.compare(b);  // not UTF-8: bytes
  if (ub.empty() && !b.empty()) return a.compare(b);
  return ua.compare(ub);
}

bool PostingLess(const Posting& a, const Posting& b) {
  return std::tie(a.mfn, a.tag, a.occurrence, a.position) <
         std::tie(b.mfn, b.tag, b.occurrence, b.position);
}

// Reads the postings of the current term into the collectors. Returns 0 or a failure code.
int ReadPostings(SearchEnv& env, const std::vector<FieldTag>& tags, std::vector<Mfn>* mfns,
                 std::vector<Posting>* postings) {
  Posting p;
  for (;;) {
    const int r = env.index->NextPosting(&p);
    if (r < 0) return r;
    if (r == TermIndex::kEnd) return 0;
    if (env.max_mfn > 0 && p.mfn > env.max_mfn) return 0;
    if (!tags.empty() && !std::binary_search(tags.begin(), tags.end(), p.tag)) continue;
    if (mfns->empty() || mfns->back() != p.mfn) mfns->push_back(p.mfn);
    if (postings != nullptr) postings->push_back(p);
  }
}

// Walks the dictionary from `start`: a plain term is a walk of one term; a truncated term takes
// the terms beginning with it; a range the terms up to its upper bound.
int WalkTerms(SearchEnv& env, const TermOperand& t, std::vector<Mfn>* mfns,
              std::vector<Posting>* postings) {
  std::string term;
  int r = env.index->Find(t.text, &term);
  if (r < 0) return r;
  if (r == TermIndex::kEnd) return 0;
  if (r == TermIndex::kAfter && !t.truncated && !t.range) return 0;
  for (;;) {
    bool take;
    if (t.range) {
      take = CompareUtf16(term, t.upper) <= 0 || (t.upper_truncated && StartsWith(term, t.upper));
    } else if (t.truncated) {
      take = StartsWith(term, t.text);
    } else {
      take = term == t.text;
    }
    if (!take) return 0;
    r = ReadPostings(env, t.tags, mfns, postings);
    if (r < 0) return r;
    if (!t.truncated && !t.range) return 0;
    r = env.index->NextTerm(&term);
    if (r < 0) return r;
    if (r == TermIndex::kEnd) return 0;
  }
}


void SortUnique(std::vector<Mfn>* mfns) {
  std::sort(mfns->begin(), mfns->end());
  mfns->erase(std::unique(mfns->begin(), mfns->end()), mfns->end());
}

std::vector<Mfn> Intersect(const std::vector<Mfn>& a, const std::vector<Mfn>& b) {
  std::vector<Mfn> out;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

std::vector<Mfn> Unite(const std::vector<Mfn>& a, const std::vector<Mfn>& b) {
  std::vector<Mfn> out;
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

// The records of one operand, from the cache when allowed.
int OperandSet(SearchEnv& env, const StepOperand& operand, bool use_cache,
               std::vector<Mfn>* mfns) {
  mfns->clear();
  if (operand.ref != nullptr) {
    *mfns = *operand.ref;
    return 0;
  }
  use_cache = use_cache && env.cache != nullptr && env.max_mfn <= 0;
  if (use_cache) {
    if (const std::vector<Mfn>* hit = env.cache->Find(env.database, operand.term)) {
      *mfns = *hit;
      return 0;
    }
  }
  const int r = LookupTerm(env, ParseTermOperand(operand.term), mfns, nullptr);
  if (r < 0) {
    mfns->clear();
    return r;
  }
  if (use_cache) env.cache->Store(env.database, operand.term, *mfns);
  return 0;
}

// True when the postings of one record (one list per operand) satisfy the positional operator.
bool PositionsMatch(int op, const std::vector<std::vector<Posting>>& per_operand) {
  if (op == kOpSameField || op == kOpSameOccurrence) {
    // The (tag) or (tag, occurrence) places that every operand reaches.
    auto place = [op](const Posting& p) {
      return std::make_pair(p.tag, op == kOpSameOccurrence ? p.occurrence : 0);
    };
    std::set<std::pair<FieldTag, Occurrence>> common;
    for (const Posting& p : per_operand[0]) common.insert(place(p));
    for (size_t i = 1; i < per_operand.size() && !common.empty(); ++i) {
      std::set<std::pair<FieldTag, Occurrence>> next;
      for (const Posting& p : per_operand[i]) {
        if (common.count(place(p)) != 0) next.insert(place(p));
      }
      common = std::move(next);
    }
    return !common.empty();
  }
  int distance = 0;
  bool ordered = false;
  if (!IsDistanceOp(op, &distance, &ordered)) return true;
  // The words of operand i that a chain through operands 0..i can end on.
  std::vector<Posting> reach = per_operand[0];
  for (size_t i = 1; i < per_operand.size() && !reach.empty(); ++i) {
    std::vector<Posting> next;
    for (const Posting& p : per_operand[i]) {
      for (const Posting& q : reach) {
        if (p.tag != q.tag || p.occurrence != q.occurrence) continue;
        int d = p.position - q.position;
        if (!ordered && d < 0) d = -d;
        if (d >= 1 && d <= distance) {
          next.push_back(p);
          break;
        }
      }
    }
    reach = std::move(next);
  }
  return !reach.empty();
}

// AND of term operands with positions, then the positional test per record.
int EvaluatePositional(SearchEnv& env, const std::vector<StepOperand>& operands, int op,
                       std::vector<Mfn>* target) {
  std::vector<std::vector<Posting>> postings(operands.size());
  std::vector<Mfn> common;
  for (size_t i = 0; i < operands.size(); ++i) {
    std::vector<Mfn> mfns;
    const int r = LookupTerm(env, ParseTermOperand(operands[i].term), &mfns, &postings[i]);
    if (r < 0) return r;
    common = i == 0 ? std::move(mfns) : Intersect(common, mfns);
    if (common.empty()) return 0;
  }
  std::vector<size_t> cursor(operands.size(), 0);
  std::vector<std::vector<Posting>> per_operand(operands.size());
  for (Mfn mfn : common) {
    for (size_t i = 0; i < operands.size(); ++i) {
      const std::vector<Posting>& list = postings[i];
      size_t& c = cursor[i];
      while (c < list.size() && list[c].mfn < mfn) ++c;
      per_operand[i].clear();
      while (c < list.size() && list[c].mfn == mfn) per_operand[i].push_back(list[c++]);
    }
    if (PositionsMatch(op, per_operand)) target->push_back(mfn);
  }
  return 0;
}

}  // namespace

TermOperand ParseTermOperand(std::string_view operand) {
  TermOperand t;
  const size_t range = FindRange(operand);
  Bound lower = ParseBound(operand.substr(0, range));
  t.text = std::move(lower.text);
  t.tags = std::move(lower.tags);
  if (range != std::string_view::npos) {
    Bound upper = ParseBound(operand.substr(range + kRange.size()));
    t.range = true;
    t.truncated = lower.mark != 0;
    t.upper = std::move(upper.text);
    t.upper_truncated = upper.mark != 0;
    if (!lower.has_tags) t.tags = std::move(upper.tags);
  } else {
    t.truncated = lower.mark == '$';
    t.morphology = lower.mark == '@';
  }
  return t;
}

int LookupTerm(SearchEnv& env, const TermOperand& term, std::vector<Mfn>* mfns,
               std::vector<Posting>* postings) {
  mfns->clear();
  if (postings != nullptr) postings->clear();
  int r = 0;
  if (!term.morphology) {
    r = WalkTerms(env, term, mfns, postings);
  } else {
    std::vector<std::string> forms;
    if (env.morph_index != nullptr && env.morph_records != nullptr) {
      const size_t eq = term.text.find('=');
      const size_t prefix_len = eq == std::string::npos ? 0 : eq + 1;
      r = MorphologyForms(*env.morph_index, *env.morph_records, term.text.substr(prefix_len),
                          &forms);
      if (r < 0) return r;
      TermOperand exact = term;
      exact.morphology = false;
      for (const std::string& form : forms) {
        exact.text = CutUtf8(term.text.substr(0, prefix_len) + form, kMaxTermBytes);
        r = WalkTerms(env, exact, mfns, postings);
        if (r < 0) break;
      }
    }
    if (forms.empty() && r >= 0) {
      // No morphology database, or a word it does not know: the word as a stem.
      TermOperand truncated = term;
      truncated.morphology = false;
      truncated.truncated = true;
      r = WalkTerms(env, truncated, mfns, postings);
    }
    // Several terms were walked: bring the records and postings back into order.
    SortUnique(mfns);
    if (postings != nullptr) std::sort(postings->begin(), postings->end(), PostingLess);
  }
  if (term.truncated || term.range) {
    SortUnique(mfns);
    if (postings != nullptr) std::sort(postings->begin(), postings->end(), PostingLess);
  }
  if (r < 0) {
    mfns->clear();
    if (postings != nullptr) postings->clear();
    return r;
  }
  return 0;
}

int EvaluateStep(SearchEnv& env, const std::vector<StepOperand>& operands, int op,
                 std::vector<Mfn>* target) {
  target->clear();
  if (operands.empty()) return 0;
  const bool has_ref = std::any_of(operands.begin(), operands.end(),
                                   [](const StepOperand& o) { return o.ref != nullptr; });
  // Positions of a sub-expression are not known: positional operators then only intersect.
  if (op > kOpNot && has_ref) op = kOpAnd;
  if (op > kOpNot && operands.size() == 1) op = kOpAnd;

  if (op > kOpNot) {
    const int r = EvaluatePositional(env, operands, op, target);
    if (r < 0) target->clear();
    return r;
  }

  std::vector<Mfn> set;
  int r = 0;
  if (op == kOpOr) {
    for (const StepOperand& o : operands) {
      if ((r = OperandSet(env, o, true, &set)) < 0) break;
      *target = Unite(*target, set);
    }
  } else if (op == kOpAnd) {
    // References first: they cost nothing and may end the step before any term is read.
    std::vector<const StepOperand*> order;
    for (const StepOperand& o : operands) {
      if (o.ref != nullptr) order.push_back(&o);
    }
    for (const StepOperand& o : operands) {
      if (o.ref == nullptr) order.push_back(&o);
    }
    for (size_t i = 0; i < order.size(); ++i) {
      if ((r = OperandSet(env, *order[i], true, &set)) < 0) break;
      *target = i == 0 ? std::move(set) : Intersect(*target, set);
      if (target->empty()) break;
    }
  } else {
    r = OperandSet(env, operands[0], false, target);
    std::vector<Mfn> removed;
    for (size_t i = 1; r >= 0 && i < operands.size() && !target->empty(); ++i) {
      if ((r = OperandSet(env, operands[i], false, &set)) < 0) break;
      removed = Unite(removed, set);
    }
    if (r >= 0) {
      std::vector<Mfn> rest;
      std::set_difference(target->begin(), target->end(), removed.begin(), removed.end(),
                          std::back_inserter(rest));
      *target = std::move(rest);
    }
  }
  if (r < 0) target->clear();
  return r;
}

int RunSearch(SearchEnv& env, std::string_view expression, TIntList* result, bool reverse,
              std::string* error) {
  result->Clear();
  std::vector<SearchStep> steps;
  std::string parse_error;
  if (ParseSearchExpression(expression, &steps, &parse_error) != 0) {
    if (error != nullptr) *error = parse_error;
    return -1;
  }
  std::vector<std::vector<Mfn>> partial;
  partial.reserve(steps.size());
  std::vector<Mfn> final_set;
  for (size_t s = 0; s < steps.size(); ++s) {
    std::vector<StepOperand> operands;
    for (const std::string& line : steps[s].operands) {
      if (line.empty()) continue;
      if (line[0] == '#') {
        const std::string digits = line.substr(1);
        size_t n = 0;
        bool ok = !digits.empty() && digits.size() <= 9;
        for (size_t i = 0; ok && i < digits.size(); ++i) {
          ok = digits[i] >= '0' && digits[i] <= '9';
          n = n * 10 + static_cast<size_t>(digits[i] - '0');
        }
        if (ok && n >= 1 && n <= partial.size()) operands.push_back({{}, &partial[n - 1]});
        continue;
      }
      operands.push_back({line, nullptr});
    }
    const bool last = s + 1 == steps.size();
    std::vector<Mfn> target;
    const int r = EvaluateStep(env, operands, steps[s].op, &target);
    if (r < 0) {
      if (error != nullptr) *error = "step " + std::to_string(s + 1) + ": term lookup failed (" +
                                     std::to_string(r) + ")";
      return -1;
    }
    if (last) {
      final_set = std::move(target);
    } else {
      partial.push_back(std::move(target));
    }
  }
  if (reverse) std::reverse(final_set.begin(), final_set.end());
  for (Mfn m : final_set) result->Add(m);
  return 0;
}

}  // namespace zarix
