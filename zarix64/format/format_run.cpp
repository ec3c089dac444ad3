// The format interpreter: runs a compiled tree on a record.
//
// Output goes to a Sink that cuts at its capacity on a character boundary; texts needed as values
// (function arguments, comparisons, variables) are written to scratch sinks taken from a pool that
// lives as long as the thread, so a run allocates nothing once warmed up. Occurrences of a tag are
// found through a per-run index of (tag, field) pairs sorted by tag.
#include <algorithm>
#include <cmath>
#include <ctime>
#include <deque>

#include "zarix64/format/format.h"
#include "zarix64/format/format_internal.h"
#include "zarix64/format/format_text.h"

namespace zarix::format {
namespace {

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when s[i] is "^" followed by a letter or digit.
bool IsMark(std::string_view s, size_t i) {
  return s[i] == '^' && i + 1 < s.size() && IsAlnum(s[i + 1]);
}

// Offset of the first subfield mark at or after `from`, or s.size().
size_t NextMark(std::string_view s, size_t from) {
  for (;;) {
    size_t i = s.find('^', from);
    if (i == std::string_view::npos) return s.size();
    if (IsMark(s, i)) return i;
    from = i + 1;
  }
}

// The text of subfield `code` ('*': plain part, else the first subfield), or "".
std::string_view Subfield(std::string_view text, char code) {
  const size_t n = text.size();
  size_t i = 0;
  if (code == '*') {
    size_t end = NextMark(text, 0);
    if (end > 0) return text.substr(0, end);
    if (end >= n) return {};
    i = end;
  } else {
    for (;; ++i) {
      i = text.find('^', i);
      if (i == std::string_view::npos || i + 1 >= n) return {};
      if (IsAlnum(text[i + 1]) && Lower(text[i + 1]) == code) break;
    }
  }
  size_t start = i + 2;
  return text.substr(start, NextMark(text, start) - start);
}

// Copying text is the one cost that is not per element: it is charged to the run's step count,
// one step per kCopyUnit bytes, so that no format can spend unbounded time between two steps.
constexpr int kCopyUnitShift = 4;

// Where output goes. In page-text mode (RunOptions::page_text) every byte has a provenance:
// the format's literals, or data (anything from the record). The final sink escapes data as it
// arrives; a scratch sink (a value on its way into a function, a comparison or a variable) keeps
// its text raw and records the provenance byte by byte in `mask` ('\1' data, '\0' literal), so
// that a literal that passes through a variable or a function keeps its status.
struct Sink {
  Sink(std::string* b, size_t c) : buf(b), cap(c) {}

  std::string* buf;
  size_t cap;
  long* work = nullptr;  // the run's step counter
  bool full = false;
  bool page_text = false;       // the final sink of a page-text run
  std::string* mask = nullptr;  // a scratch sink of a page-text run
  std::string escaped;          // scratch of the final sink's escaping

  // Data: text from the record or computed from it.
  void Append(std::string_view s) { AppendRun(s, true); }
  void Append(char c) { Append(std::string_view(&c, 1)); }
  // The format's own text: written as it stands.
  void AppendLiteral(std::string_view s) { AppendRun(s, false); }
  // Text with its provenance `m` (as a scratch sink records it); an `m` of another length than
  // `s` (a value made outside page-text mode) counts as data throughout.
  void AppendMasked(std::string_view s, std::string_view m) {
    if (m.size() != s.size()) {
      Append(s);
      return;
    }
    size_t i = 0;
    while (i < s.size() && !full) {
      size_t j = i + 1;
      while (j < s.size() && m[j] == m[i]) ++j;
      AppendRun(s.substr(i, j - i), m[i] != '\0');
      i = j;
    }
  }

  void AppendRun(std::string_view s, bool data) {
    if (s.empty()) return;
    if (data && page_text) {
      escaped.clear();
      // At the start of the output the text before it is unknown (a frame may end in "<").
      EscapePageData(s, buf->empty() || buf->back() == '<', &escaped);
      s = escaped;
    }
    if (full) return;
    if (buf->size() + s.size() > cap) {
      size_t room = cap > buf->size() ? cap - buf->size() : 0;
      s = s.substr(0, Utf8CutPoint(s, room));
      full = true;
    }
    buf->append(s);
    if (mask != nullptr) mask->append(s.size(), data ? '\1' : '\0');
    if (work != nullptr) *work += static_cast<long>(s.size() >> kCopyUnitShift);
  }
  // After a direct change of `buf` (the "%" command trims it).
  void SyncMask() {
    if (mask != nullptr) mask->resize(buf->size(), '\1');
  }
  bool LineEmpty() const { return buf->empty() || buf->back() == '\n'; }
  // Characters of the current line; rare (cN only), so it is counted when asked, and charged.
  size_t Column() {
    size_t nl = buf->rfind('\n');
    std::string_view line(*buf);
    if (nl != std::string::npos) line.remove_prefix(nl + 1);
    if (work != nullptr) *work += static_cast<long>(line.size() >> kCopyUnitShift);
    return Utf8Length(line);
  }
};

// One record being formatted (the run's record, or one reached by "ref").
struct RecordCtx {
  const RecordView* rec = nullptr;
  std::vector<std::pair<FieldTag, int>>* index = nullptr;  // sorted by tag, then field
  int iocc = 0;                                            // current group occurrence, 0 outside

  void Build(const RecordView& r, std::vector<std::pair<FieldTag, int>>* idx) {
    rec = &r;
    index = idx;
    idx->clear();
    const int n = r.FieldCount();
    bool sorted = true;
    for (int i = 0; i < n; ++i) {
      FieldTag t = r.Tag(i);
      if (!idx->empty() && idx->back().first > t) sorted = false;
      idx->emplace_back(t, i);
    }
    if (!sorted) std::sort(idx->begin(), idx->end());  // (tag, field): occurrences keep their order
  }
  // Field indexes of `tag`'s occurrences: [*first, *first + count) in `index`.
  int Occurrences(FieldTag tag, const std::pair<FieldTag, int>** first) const {
    auto lo = std::lower_bound(index->begin(), index->end(), tag,
                               [](const auto& e, FieldTag t) { return e.first < t; });
    auto hi = std::upper_bound(lo, index->end(), tag,
                               [](FieldTag t, const auto& e) { return t < e.first; });
    *first = lo == index->end() ? nullptr : &*lo;
    return static_cast<int>(hi - lo);
  }
};

// Buffers kept per thread so that consecutive runs reuse their memory.
struct ThreadBuffers {
  std::deque<std::string> scratch;
  std::deque<std::string> masks;  // provenance of `scratch` in page-text runs
  std::deque<std::vector<std::pair<FieldTag, int>>> indexes;
  std::string value_a, value_b;
};

class Interp {
 public:
  Interp(const RunOptions& options, FormatVariables* vars, ThreadBuffers* tb)
      : opt_(options),
        vars_(vars),
        tb_(tb),
        scratch_cap_(std::max<size_t>(options.capacity, 65536)) {}

  int error() const { return error_; }
  long* steps() { return &steps_; }

  void RunRoot(const Node& root, const RecordView& record, Sink& out) {
    RecordCtx ctx;
    ctx.Build(record, Index(0));
    ctx_ = &ctx;
    Write(root, out);
  }

 private:
  // A scratch string for the duration of a scope (LIFO).
  class Scratch {
   public:
    explicit Scratch(Interp* in) : in_(in) {
      auto& pool = in_->tb_->scratch;
      auto& masks = in_->tb_->masks;
      if (in_->scratch_used_ == pool.size()) {
        pool.emplace_back();
        masks.emplace_back();
      }
      str_ = &pool[in_->scratch_used_];
      str_->clear();
      if (in_->opt_.page_text) {
        sink_.mask = &masks[in_->scratch_used_];
        sink_.mask->clear();
      }
      ++in_->scratch_used_;
      sink_.buf = str_;
      sink_.cap = in_->scratch_cap_;
      sink_.work = &in_->steps_;
    }
    ~Scratch() { --in_->scratch_used_; }
    std::string& str() { return *str_; }
    // The provenance of str() in page-text mode, else empty.
    std::string_view mask() const {
      return sink_.mask != nullptr ? std::string_view(*sink_.mask) : std::string_view();
    }
    Sink& sink() { return sink_; }

   private:
    Interp* in_;
    std::string* str_;
    Sink sink_{nullptr, 0};
  };

  // `m` cut like `s` was cut from its whole (`s` is a view into the value `whole`).
  static std::string_view MaskOf(std::string_view whole, std::string_view m, std::string_view s) {
    if (m.size() != whole.size()) return {};
    return m.substr(static_cast<size_t>(s.data() - whole.data()), s.size());
  }

  std::vector<std::pair<FieldTag, int>>* Index(size_t depth) {
    while (tb_->indexes.size() <= depth) tb_->indexes.emplace_back();
    return &tb_->indexes[depth];
  }

  bool Step() {
    if (error_ != 0) return false;
    if (++steps_ > opt_.max_steps) {
      error_ = kErrStepLimit;
      return false;
    }
    return true;
  }

  // The occurrence range [*lo, *hi] a selector picks; empty when *lo > *hi.
  int Range(const Selector& s, const std::pair<FieldTag, int>** first, int* lo, int* hi) const {
    int count = ctx_->Occurrences(s.tag, first);
    if (s.last) {
      *lo = *hi = count;
      if (count == 0) *lo = 1;
    } else {
      *lo = s.from;
      *hi = std::min(s.to, count);
    }
    return count;
  }

  // The value of one occurrence as the current mode shows it; "" when it outputs nothing. The view
  // may point into value_a/value_b, valid until the next call.
  std::string_view Value(const Selector& s, std::string_view text) {
    steps_ += static_cast<long>(text.size() >> kCopyUnitShift);
    std::string_view v = s.sub == 0 ? text : Subfield(text, s.sub);
    const int kind = mode_ & 3;
    if (kind != kModeProper && v.find('^') != std::string_view::npos) {
      std::string& t = tb_->value_a;
      t.clear();
      size_t i = 0;
      if (IsMark(v, 0)) i = 2;
      size_t run = i;
      for (; i < v.size(); ++i) {
        if (IsMark(v, i)) {
          t.append(v.substr(run, i - run));
          t.append(". ");
          run = i + 2;
          ++i;
        }
      }
      if (run < v.size()) t.append(v.substr(run));
      v = t;
    }
    if (s.skip > 0) v.remove_prefix(Utf8Offset(v, static_cast<size_t>(s.skip)));
    if (s.keep >= 0) v = v.substr(0, Utf8Offset(v, static_cast<size_t>(s.keep)));
    if (v.empty()) return v;
    const bool upper = (mode_ & kModeUpper) != 0;
    const bool dot = kind == kModeData && v.back() != '.' && v.back() != '?' && v.back() != '!';
    if (!upper && !dot) return v;
    // `v` may already live in value_a (heading and data modes).
    const std::string& a = tb_->value_a;
    bool in_a = v.data() >= a.data() && v.data() <= a.data() + a.size();
    std::string& u = in_a ? tb_->value_b : tb_->value_a;
    u.clear();
    if (upper)
      AppendUpper(v, &u);
    else
      u.append(v);
    if (dot) u.push_back('.');
    return u;
  }

  std::string_view OccValue(const Selector& s, const std::pair<FieldTag, int>* first, int occ) {
    return Value(s, ctx_->rec->Text(first[occ - 1].second));
  }

  // True when some occurrence in [lo, hi] outputs something.
  bool AnyOutput(const Selector& s, const std::pair<FieldTag, int>* first, int lo, int hi) {
    for (int o = std::max(lo, 1); o <= hi && Step(); ++o)
      if (!OccValue(s, first, o).empty()) return true;
    return false;
  }

  static bool HasPlus(const std::vector<Attached>& lits) {
    for (const Attached& a : lits)
      if (a.repeatable && a.plus) return true;
    return false;
  }

  // One occurrence with its literals; `cond_first` writes the conditional prefixes, `first` and
  // `last` drop the "+" repeatable ones. Conditional suffixes are the caller's.
  void WriteOccurrence(const Node& n, std::string_view value, bool cond_first, bool first,
                       bool last, Sink& out) {
    for (const Attached& a : n.prefix) {
      if (a.repeatable ? !(a.plus && first) : cond_first) out.AppendLiteral(a.text);
    }
    out.Append(value);
    for (const Attached& a : n.suffix) {
      if (a.repeatable && !(a.plus && last)) out.AppendLiteral(a.text);
    }
  }

  void WriteField(const Node& n, Sink& out) {
    const Selector& s = n.sel;
    const std::pair<FieldTag, int>* first;
    int lo, hi;
    Range(s, &first, &lo, &hi);
    if (lo > hi) return;
    if (ctx_->iocc > 0) {
      const int o = ctx_->iocc;
      if (o < lo || o > hi) return;
      // "+" looks at the field's other occurrences, the conditional literals only at this one.
      if (OccValue(s, first, o).empty()) return;
      bool is_first = HasPlus(n.prefix) && !AnyOutput(s, first, lo, o - 1);
      bool is_last = HasPlus(n.suffix) && !AnyOutput(s, first, o + 1, hi);
      std::string_view v = OccValue(s, first, o);
      WriteOccurrence(n, v, true, is_first, is_last, out);
      for (const Attached& a : n.suffix)
        if (!a.repeatable) out.AppendLiteral(a.text);
      return;
    }
    int last = hi;  // the last occurrence that outputs, for "v+|..|"
    if (HasPlus(n.suffix))
      while (last >= lo && Step() && OccValue(s, first, last).empty()) --last;
    bool any = false;
    for (int o = lo; o <= hi && Step(); ++o) {
      const bool is_last = o == last;
      std::string_view v = OccValue(s, first, o);
      if (v.empty()) continue;
      WriteOccurrence(n, v, !any, !any, is_last, out);
      any = true;
    }
    if (any)
      for (const Attached& a : n.suffix)
        if (!a.repeatable) out.AppendLiteral(a.text);
  }

  bool Present(const Selector& s) {
    const std::pair<FieldTag, int>* first;
    int lo, hi;
    Range(s, &first, &lo, &hi);
    if (ctx_->iocc > 0) {
      const int o = ctx_->iocc;
      return o >= lo && o <= hi && !OccValue(s, first, o).empty();
    }
    return AnyOutput(s, first, lo, hi);
  }

  void WriteSelText(const Selector& s, Sink& out) {
    const std::pair<FieldTag, int>* first;
    int lo, hi;
    Range(s, &first, &lo, &hi);
    if (ctx_->iocc > 0) lo = hi = (ctx_->iocc >= lo && ctx_->iocc <= hi) ? ctx_->iocc : 0;
    for (int o = std::max(lo, 1); o <= hi; ++o) out.Append(OccValue(s, first, o));
  }

  void WriteGroup(const Node& n, Sink& out) {
    int iterations = 0;
    for (FieldTag t : n.tags) {
      const std::pair<FieldTag, int>* first;
      iterations = std::max(iterations, ctx_->Occurrences(t, &first));
    }
    const int saved = ctx_->iocc;
    for (int i = 1; i <= iterations && Step(); ++i) {
      ctx_->iocc = i;
      Write(n.kids[0], out);
    }
    ctx_->iocc = saved;
  }

  void WriteRef(const Node& n, Sink& out) {
    double m = Num(n.kids[0]);
    if (opt_.db == nullptr || ref_depth_ >= kMaxRefDepth || error_ != 0) return;
    if (!(m >= 1 && m <= 2147483647.0)) return;
    bool missing = false;
    std::unique_ptr<RecordView> rec = opt_.db->ReadRecord(n.text, static_cast<Mfn>(m), &missing);
    if (missing) {
      error_ = kErrRefDatabase;
      return;
    }
    if (!rec) return;
    RecordCtx inner;
    ++ref_depth_;
    inner.Build(*rec, Index(static_cast<size_t>(ref_depth_)));
    RecordCtx* saved_ctx = ctx_;
    const int saved_mode = mode_;
    ctx_ = &inner;
    mode_ = kModeProper;
    Write(n.kids[1], out);
    ctx_ = saved_ctx;
    mode_ = saved_mode;
    --ref_depth_;
  }

  // Writes the text of a text node into `out`, evaluating `kid` into a scratch string first.
  std::string_view Eval(const Node& n, Scratch& s) {
    Write(n, s.sink());
    return s.str();
  }

  static size_t ToCount(double v) {
    if (!(v > 0)) return 0;
    if (v > 1e9) return 1'000'000'000;
    return static_cast<size_t>(v);
  }

  void WriteText(const Node& n, Sink& out) {
    switch (n.op) {
      case Op::kMfnPad: {
        std::string digits = std::to_string(ctx_->rec->mfn());
        for (size_t k = digits.size(); k < static_cast<size_t>(std::max(n.a, 0)); ++k)
          out.Append('0');
        out.Append(digits);
        return;
      }
      case Op::kFmt: {
        double v = Num(n.kids[0]);
        std::string text;
        if (n.kids.size() >= 3) {
          AppendFixed(v, static_cast<int>(std::clamp(Num(n.kids[2]), 0.0, 30.0)), &text);
        } else {
          AppendNumber(v, &text);
        }
        size_t width = n.kids.size() >= 2 ? std::min<size_t>(ToCount(Num(n.kids[1])), 1000) : 0;
        for (size_t k = text.size(); k < width; ++k) out.Append(' ');
        out.Append(text);
        return;
      }
      case Op::kMid:
      case Op::kLeft:
      case Op::kRight: {
        Scratch s(this);
        std::string_view v = Eval(n.kids[0], s);
        double a = Num(n.kids[1]);
        std::string_view part;
        if (n.op == Op::kLeft) {
          part = v.substr(0, Utf8Offset(v, ToCount(a)));
        } else if (n.op == Op::kRight) {
          size_t len = Utf8Length(v), k = ToCount(a);
          part = v.substr(Utf8Offset(v, k >= len ? 0 : len - k));
        } else {
          size_t start = a > 1 ? ToCount(a) - 1 : 0;
          std::string_view rest = v.substr(Utf8Offset(v, start));
          part = rest.substr(0, Utf8Offset(rest, ToCount(Num(n.kids[2]))));
        }
        out.AppendMasked(part, MaskOf(v, s.mask(), part));
        return;
      }
      case Op::kReplace: {
        Scratch s(this), f(this), t(this);
        std::string_view v = Eval(n.kids[0], s);
        std::string_view from = Eval(n.kids[1], f);
        std::string_view to = Eval(n.kids[2], t);
        const std::string_view vm = s.mask(), tm = t.mask();
        auto piece = [&](std::string_view p) { out.AppendMasked(p, MaskOf(v, vm, p)); };
        if (from.empty()) {
          piece(v);
          return;
        }
        size_t i = 0;
        for (size_t hit; !out.full && (hit = v.find(from, i)) != std::string_view::npos;
             i = hit + from.size()) {
          piece(v.substr(i, hit - i));
          out.AppendMasked(to, tm);
        }
        piece(v.substr(std::min(i, v.size())));
        return;
      }
      case Op::kUpper:
      case Op::kLower: {
        Scratch s(this), r(this);
        std::string_view v = Eval(n.kids[0], s);
        if (n.op == Op::kUpper)
          AppendUpper(v, &r.str());
        else
          AppendLower(v, &r.str());
        // Positions hold when the case change kept the length; otherwise it is all data.
        out.AppendMasked(r.str(), r.str().size() == v.size() ? s.mask() : std::string_view());
        return;
      }
      case Op::kDate:
      case Op::kTime: {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char buf[32];
        if (n.op == Op::kDate)
          std::snprintf(buf, sizeof buf, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                        tm.tm_mday);
        else
          std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
        out.Append(buf);
        return;
      }
      case Op::kStrVar:
        out.AppendMasked(vars_->s[n.a], vars_->s_mask[n.a]);
        return;
      case Op::kRef:
        WriteRef(n, out);
        return;
      case Op::kUnifor: {
        Scratch s(this);
        std::string_view code = Eval(n.kids[0], s);
        if (code.size() == 2 && Lower(code[0]) == 's' && code[1] == '0') vars_->Clear();
        return;
      }
      case Op::kNumText:
      case Op::kWriteNum: {
        std::string text;
        AppendNumber(Num(n.kids[0]), &text);
        out.Append(text);
        return;
      }
      default:
        return;
    }
  }

  void Write(const Node& n, Sink& out) {
    if (!Step()) return;
    switch (n.op) {
      case Op::kSeq:
        for (const Node& k : n.kids) {
          Write(k, out);
          if (error_ != 0) return;
        }
        return;
      case Op::kField:
        WriteField(n, out);
        return;
      case Op::kPresence: {
        if (Present(n.sel) != (n.a == 1)) return;
        for (const Attached& a : n.prefix) out.AppendLiteral(a.text);
        for (const Attached& a : n.suffix) out.AppendLiteral(a.text);
        return;
      }
      case Op::kText:
        out.AppendLiteral(n.text);
        return;
      case Op::kSelText:
        WriteSelText(n.sel, out);
        return;
      case Op::kMode:
        mode_ = n.a;
        return;
      case Op::kSlash:
        if (!out.LineEmpty()) out.AppendLiteral("\r\n");
        return;
      case Op::kHash:
        out.AppendLiteral("\r\n");
        return;
      case Op::kPercent: {
        std::string& b = *out.buf;
        while (b.size() >= 2 && b.compare(b.size() - 2, 2, "\r\n") == 0 &&
               (b.size() == 2 || (b.size() >= 4 && b.compare(b.size() - 4, 2, "\r\n") == 0)))
          b.resize(b.size() - 2);
        out.SyncMask();
        return;
      }
      case Op::kSpaces:
        for (int k = 0; k < n.a && !out.full; ++k) out.Append(' ');
        return;
      case Op::kColumn:
        for (size_t col = out.Column(); col + 1 < static_cast<size_t>(n.a) && !out.full; ++col)
          out.Append(' ');
        return;
      case Op::kGroup:
        WriteGroup(n, out);
        return;
      case Op::kIf: {
        bool c = Cond(n.kids[0]);
        if (error_ != 0) return;
        if (c)
          Write(n.kids[1], out);
        else if (n.kids.size() > 2)
          Write(n.kids[2], out);
        return;
      }
      case Op::kSetNum:
        vars_->e[n.a] = Num(n.kids[0]);
        return;
      case Op::kSetStr: {
        Scratch s(this);
        Write(n.kids[0], s.sink());
        vars_->s[n.a] = s.str();
        vars_->s_mask[n.a] = s.mask();
        return;
      }
      default:
        WriteText(n, out);
        return;
    }
  }

  double Num(const Node& n) {
    if (!Step()) return 0;
    switch (n.op) {
      case Op::kNum:
        return n.number;
      case Op::kMfn:
        return ctx_->rec->mfn();
      case Op::kIocc:
        return ctx_->iocc;
      case Op::kNocc: {
        const std::pair<FieldTag, int>* first;
        return ctx_->Occurrences(n.sel.tag, &first);
      }
      case Op::kVal: {
        Scratch s(this);
        return FirstNumber(Eval(n.kids[0], s));
      }
      case Op::kSize: {
        Scratch s(this);
        return static_cast<double>(Utf8Length(Eval(n.kids[0], s)));
      }
      case Op::kNpost:
      case Op::kL: {
        if (opt_.db == nullptr) return 0;
        Scratch s(this), u(this);
        AppendUpper(Eval(n.kids[0], s), &u.str());
        return n.op == Op::kNpost ? opt_.db->PostingCount(u.str()) : opt_.db->FirstPosting(u.str());
      }
      case Op::kInstr: {
        Scratch s(this), sub(this);
        std::string_view v = Eval(n.kids[0], s), w = Eval(n.kids[1], sub);
        if (w.empty()) return 0;
        size_t hit = v.find(w);
        return hit == std::string_view::npos
                   ? 0
                   : static_cast<double>(Utf8Length(v.substr(0, hit)) + 1);
      }
      case Op::kNumVar:
        return vars_->e[n.a];
      case Op::kNeg:
        return -Num(n.kids[0]);
      case Op::kArith: {
        double v = Num(n.kids[0]);
        for (size_t k = 1; k < n.kids.size(); ++k) {
          double r = Num(n.kids[k]);
          switch (n.ops[k - 1]) {
            case '+':
              v += r;
              break;
            case '-':
              v -= r;
              break;
            case '*':
              v *= r;
              break;
            default:
              v = r == 0 ? 0 : v / r;
              break;  // no division by zero, no infinities
          }
          if (!std::isfinite(v)) v = 0;
        }
        return v;
      }
      default:
        return 0;
    }
  }

  bool Cond(const Node& n) {
    if (!Step()) return false;
    switch (n.op) {
      case Op::kPresent:
        return Present(n.sel);
      case Op::kAbsent:
        return !Present(n.sel);
      case Op::kNot:
        return !Cond(n.kids[0]);
      case Op::kAnd:
        for (const Node& k : n.kids)
          if (!Cond(k)) return false;
        return true;
      case Op::kOr:
        for (const Node& k : n.kids)
          if (Cond(k)) return true;
        return false;
      case Op::kCmpNum:
        return Compare(n.a, Num(n.kids[0]), Num(n.kids[1]));
      case Op::kCmpStr: {
        Scratch l(this), r(this);
        std::string_view a = Eval(n.kids[0], l), b = Eval(n.kids[1], r);
        if (static_cast<Tok>(n.a) == Tok::kColon) {
          if (b.empty()) return true;
          Scratch ua(this), ub(this);
          AppendUpper(a, &ua.str());
          AppendUpper(b, &ub.str());
          return ua.str().find(ub.str()) != std::string::npos;
        }
        int c = a.compare(b);
        return Compare(n.a, c, 0);
      }
      default:
        return false;
    }
  }

  template <typename T>
  static bool Compare(int op, T a, T b) {
    switch (static_cast<Tok>(op)) {
      case Tok::kEq:
        return a == b;
      case Tok::kNe:
        return a != b;
      case Tok::kLt:
        return a < b;
      case Tok::kLe:
        return a <= b;
      case Tok::kGt:
        return a > b;
      case Tok::kGe:
        return a >= b;
      default:
        return false;
    }
  }

  const RunOptions& opt_;
  FormatVariables* vars_;
  ThreadBuffers* tb_;
  size_t scratch_cap_;
  size_t scratch_used_ = 0;
  RecordCtx* ctx_ = nullptr;
  int mode_ = kModeProper;
  int ref_depth_ = 0;
  long steps_ = 0;
  int error_ = 0;
};

// Mode 2: every line without blanks at its ends, empty lines dropped.
void TrimLines(std::string* out) {
  std::string result;
  result.reserve(out->size());
  std::string_view all(*out);
  size_t i = 0;
  while (i <= all.size()) {
    size_t nl = all.find('\n', i);
    if (nl == std::string_view::npos) nl = all.size();
    std::string_view line = all.substr(i, nl - i);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t a = line.find_first_not_of(" \t");
    if (a != std::string_view::npos) {
      size_t b = line.find_last_not_of(" \t");
      if (!result.empty()) result += "\r\n";
      result.append(line.substr(a, b - a + 1));
    }
    i = nl + 1;
  }
  out->swap(result);
}

}  // namespace

int Run(const Program& program, const RecordView& record, const RunOptions& options,
        std::string* out) {
  thread_local ThreadBuffers buffers;
  FormatVariables local;
  FormatVariables* vars = options.vars != nullptr ? options.vars : &local;
  out->clear();
  Sink sink{out, options.capacity};
  sink.page_text = options.page_text;
  Interp interp(options, vars, &buffers);
  sink.work = interp.steps();
  interp.RunRoot(program.impl().root, record, sink);
  if (interp.error() != 0) {
    *out = ErrorLine(interp.error());
    out->resize(Utf8CutPoint(*out, options.capacity));
    return interp.error();
  }
  if (options.mode == 2) {
    TrimLines(out);
    // A bare LF written by a literal comes back as CR LF: cut again.
    out->resize(Utf8CutPoint(*out, options.capacity));
  }
  return 0;
}

void EscapePageData(std::string_view data, bool after_lt, std::string* out) {
  for (char c : data) {
    switch (c) {
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append("&quot;");
        break;
      case '~':
        out->append("&#126;");
        break;
      case '!':
        out->append(after_lt ? "&#33;" : "!");
        break;
      case '?':
        out->append(after_lt ? "&#63;" : "?");
        break;
      case '-':
        out->append(after_lt ? "&#45;" : "-");
        break;
      default:
        out->push_back(c);
    }
    after_lt = false;
  }
}

std::string ErrorLine(const CompileError& error) {
  int code = error.code != 0 ? error.code : kErrNotCompiled;
  std::string line = "*** FORMAT ERROR ";
  line += std::to_string(code);
  line += ": ";
  line += error.message.empty() ? std::string(ErrorMessage(code)) : error.message;
  line += " ***";
  return line;
}

}  // namespace zarix::format
