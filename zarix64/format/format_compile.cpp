// The format compiler: tokens to a tree (Program::Impl).
//
// Elements of one sequence are read first; then conditional and repeatable literals are attached
// to the neighbouring field selector (prefix when directly before one, else suffix of the one
// directly before them), so the interpreter never looks at neighbours. Expressions use one
// grammar for conditions, numbers and texts, and each node carries its type, so "(" can open a
// parenthesised condition or a parenthesised number without backtracking.
#include <algorithm>
#include <cmath>

#include "zarix64/format/format.h"
#include "zarix64/format/format_internal.h"
#include "zarix64/format/format_lexer.h"

namespace zarix::format {
namespace {

const char* TokName(Tok t) {
  switch (t) {
    case Tok::kEnd:
      return "end of format";
    case Tok::kComma:
      return ",";
    case Tok::kLParen:
      return "(";
    case Tok::kRParen:
      return ")";
    case Tok::kLBracket:
      return "[";
    case Tok::kRBracket:
      return "]";
    case Tok::kPlus:
      return "+";
    case Tok::kMinus:
      return "-";
    case Tok::kStar:
      return "*";
    case Tok::kSlash:
      return "/";
    case Tok::kHash:
      return "#";
    case Tok::kPercent:
      return "%";
    case Tok::kEq:
      return "=";
    case Tok::kNe:
      return "<>";
    case Tok::kLt:
      return "<";
    case Tok::kLe:
      return "<=";
    case Tok::kGt:
      return ">";
    case Tok::kGe:
      return ">=";
    case Tok::kColon:
      return ":";
    case Tok::kAssign:
      return ":=";
    case Tok::kNumber:
      return "number";
    case Tok::kUncond:
      return "'literal'";
    case Tok::kCond:
      return "\"literal\"";
    case Tok::kRep:
      return "|literal|";
    case Tok::kField:
      return "field selector";
    case Tok::kPresent:
      return "d selector";
    case Tok::kAbsent:
      return "n selector";
    case Tok::kWord:
      return "word";
    case Tok::kUnifor:
      return "&unifor";
  }
  return "?";
}

bool IsComparison(Tok t) {
  return t == Tok::kEq || t == Tok::kNe || t == Tok::kLt || t == Tok::kLe || t == Tok::kGt ||
         t == Tok::kGe || t == Tok::kColon;
}

// e1..e9 / s1..s9 (and e0 / s0): the index, or -1.
int VarIndex(const std::string& word, char kind) {
  if (word.size() == 2 && word[0] == kind && word[1] >= '0' && word[1] <= '9') return word[1] - '0';
  return -1;
}

// xN / cN: N, or -1.
int SpacingCount(const std::string& word, char kind) {
  if (word.size() < 2 || word[0] != kind) return -1;
  long v = 0;
  for (size_t i = 1; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return -1;
    v = std::min(v * 10 + (word[i] - '0'), 100000L);
  }
  return static_cast<int>(v);
}

int ModeBits(const std::string& w) {
  if (w.size() != 3 || w[0] != 'm') return -1;
  int kind = w[1] == 'p' ? kModeProper : w[1] == 'h' ? kModeHeading : w[1] == 'd' ? kModeData : -1;
  if (kind < 0) return -1;
  if (w[2] == 'l') return kind;
  if (w[2] == 'u') return kind | kModeUpper;
  return -1;
}

void CollectTags(const Node& n, std::vector<FieldTag>* tags) {
  switch (n.op) {
    case Op::kField:
    case Op::kPresence:
    case Op::kSelText:
    case Op::kPresent:
    case Op::kAbsent:
      if (std::find(tags->begin(), tags->end(), n.sel.tag) == tags->end())
        tags->push_back(n.sel.tag);
      break;
    case Op::kRef:
      CollectTags(n.kids[0], tags);  // the format runs on another record
      return;
    default:
      break;
  }
  for (const Node& k : n.kids) CollectTags(k, tags);
}

class Parser {
 public:
  Parser(const Lexed& lexed, CompileError* error) : lx_(lexed), error_(error) {}

  bool ParseProgram(Node* root) {
    root->op = Op::kSeq;
    if (!ParseSeq(root)) return false;
    if (Peek().kind != Tok::kEnd) return Fail(Peek(), kErrSyntax, Describe(Peek()));
    return true;
  }

 private:
  struct Item {
    enum Kind { kNode, kLit, kPlus } kind;
    Node node;
    Attached lit;
    size_t tok;  // token index, for errors
  };

  class Nest {
   public:
    explicit Nest(Parser* p) : p_(p) { ++p_->depth_; }
    ~Nest() { --p_->depth_; }
    bool Ok() const { return p_->depth_ <= kMaxNesting; }

   private:
    Parser* p_;
  };

  const Token& Peek(size_t k = 0) const {
    size_t i = std::min(pos_ + k, lx_.tokens.size() - 1);
    return lx_.tokens[i];
  }
  const Token& Next() {
    const Token& t = lx_.tokens[pos_];
    if (pos_ + 1 < lx_.tokens.size()) ++pos_;
    return t;
  }
  bool IsWord(const char* w, size_t k = 0) const {
    return Peek(k).kind == Tok::kWord && Peek(k).text == w;
  }
  static std::string Describe(const Token& t) {
    if (t.kind == Tok::kWord) return t.text;
    return TokName(t.kind);
  }

  bool Fail(const Token& t, int code, std::string_view detail = {}) {
    SetError(lx_, t, code, error_, detail);
    return false;
  }
  bool Expect(Tok kind, int code) {
    if (Peek().kind != kind) return Fail(Peek(), code, Describe(Peek()));
    Next();
    return true;
  }
  bool ExpectParen() { return Expect(Tok::kRParen, kErrMissingParen); }
  bool TooDeep() { return Fail(Peek(), kErrTooDeep); }

  // Elements up to ")", "then", "else", "fi" or the end (not consumed).
  bool ParseSeq(Node* seq) {
    Nest nest(this);
    if (!nest.Ok()) return TooDeep();
    seq->op = Op::kSeq;
    std::vector<Item> items;
    for (;;) {
      const Token& t = Peek();
      if (t.kind == Tok::kEnd || t.kind == Tok::kRParen) break;
      if (t.kind == Tok::kWord && (t.text == "then" || t.text == "else" || t.text == "fi")) break;
      if (t.kind == Tok::kComma) {
        Next();
        continue;
      }
      if (t.kind == Tok::kCond || t.kind == Tok::kRep) {
        Item it{Item::kLit, {}, {t.text, t.kind == Tok::kRep, false}, pos_};
        items.push_back(std::move(it));
        Next();
        continue;
      }
      if (t.kind == Tok::kPlus) {
        items.push_back(Item{Item::kPlus, {}, {}, pos_});
        Next();
        continue;
      }
      Item it{Item::kNode, {}, {}, pos_};
      if (!ParseElement(&it.node)) return false;
      items.push_back(std::move(it));
    }
    return Attach(&items, seq);
  }

  static bool IsSelector(const Item& it) {
    return it.kind == Item::kNode && (it.node.op == Op::kField || it.node.op == Op::kPresence);
  }

  bool Attach(std::vector<Item>* items, Node* seq) {
    std::vector<Item>& v = *items;
    const size_t n = v.size();
    std::vector<char> is_sel(n);
    for (size_t k = 0; k < n; ++k) is_sel[k] = IsSelector(v[k]);
    size_t i = 0;
    while (i < n) {
      if (v[i].kind == Item::kNode) {
        seq->kids.push_back(std::move(v[i].node));
        ++i;
        continue;
      }
      size_t s = i;
      while (i < n && v[i].kind != Item::kNode) ++i;
      size_t e = i;  // run [s, e) of literals and "+"
      bool prefix = e < n && is_sel[e];
      bool suffix = !prefix && s > 0 && is_sel[s - 1];
      std::vector<Attached> run;
      for (size_t k = s; k < e; ++k) {
        if (v[k].kind == Item::kLit) {
          run.push_back(std::move(v[k].lit));
          continue;
        }
        // "+" stands next to its selector: "|..|+v" ends a prefix run, "v+|..|" starts a suffix.
        bool ok = false;
        if (prefix && k == e - 1 && k > s && v[k - 1].kind == Item::kLit) {
          run.back().plus = true;
          ok = true;
        } else if (suffix && k == s && k + 1 < e && v[k + 1].kind == Item::kLit) {
          v[k + 1].lit.plus = true;
          ok = true;
        }
        if (!ok) return Fail(lx_.tokens[v[k].tok], kErrSyntax, "+");
      }
      // A literal next to no selector depends on nothing: it outputs nothing.
      std::vector<Attached>* dst = nullptr;
      if (prefix) dst = &v[e].node.prefix;
      if (suffix) dst = &seq->kids.back().suffix;
      if (dst != nullptr)
        dst->insert(dst->end(), std::make_move_iterator(run.begin()),
                    std::make_move_iterator(run.end()));
    }
    return true;
  }

  bool ParseElement(Node* out) {
    const Token& t = Peek();
    switch (t.kind) {
      case Tok::kField:
        out->op = Op::kField;
        out->sel = t.sel;
        Next();
        return true;
      case Tok::kPresent:
      case Tok::kAbsent:
        out->op = Op::kPresence;
        out->a = t.kind == Tok::kPresent ? 1 : 0;
        out->sel = t.sel;
        Next();
        return true;
      case Tok::kUncond:
        out->op = Op::kText;
        out->text = t.text;
        Next();
        return true;
      case Tok::kSlash:
        out->op = Op::kSlash, Next();
        return true;
      case Tok::kHash:
        out->op = Op::kHash, Next();
        return true;
      case Tok::kPercent:
        out->op = Op::kPercent, Next();
        return true;
      case Tok::kLParen:
        return ParseGroup(out);
      case Tok::kWord: {
        const std::string& w = t.text;
        if (w == "if") return ParseIf(out);
        int m = ModeBits(w);
        if (m >= 0) {
          out->op = Op::kMode;
          out->a = m;
          Next();
          return true;
        }
        int count = SpacingCount(w, 'x');
        if (count >= 0) {
          out->op = Op::kSpaces;
          out->a = count;
          Next();
          return true;
        }
        count = SpacingCount(w, 'c');
        if (count >= 0) {
          out->op = Op::kColumn;
          out->a = count;
          Next();
          return true;
        }
        if (Peek(1).kind == Tok::kAssign) return ParseAssign(out);
        break;
      }
      case Tok::kUnifor:
        break;
      default:
        return Fail(t, kErrSyntax, Describe(t));
    }
    Type type;
    if (!ParsePrimary(out, &type)) return false;
    if (type == Type::kBool) return Fail(t, kErrTextExpected, Describe(t));
    if (type == Type::kNumber) Wrap(out, Op::kWriteNum);
    return true;
  }

  static void Wrap(Node* n, Op op) {
    Node inner = std::move(*n);
    *n = Node();
    n->op = op;
    n->kids.push_back(std::move(inner));
  }

  bool ParseGroup(Node* out) {
    const Token& open = Next();
    if (group_depth_ > 0) return Fail(open, kErrGroupInGroup);
    ++group_depth_;
    out->op = Op::kGroup;
    out->kids.emplace_back();
    bool ok = ParseSeq(&out->kids[0]);
    --group_depth_;
    if (!ok || !ExpectParen()) return false;
    CollectTags(out->kids[0], &out->tags);
    return true;
  }

  bool ParseIf(Node* out) {
    const Token& if_tok = Next();
    out->op = Op::kIf;
    out->kids.resize(2);
    Type type;
    if (!ParseOr(&out->kids[0], &type)) return false;
    if (type != Type::kBool) return Fail(if_tok, kErrConditionExpected);
    if (!IsWord("then")) return Fail(Peek(), kErrMissingThen, Describe(Peek()));
    Next();
    if (!ParseSeq(&out->kids[1])) return false;
    if (IsWord("else")) {
      Next();
      out->kids.emplace_back();
      if (!ParseSeq(&out->kids[2])) return false;
    }
    if (!IsWord("fi")) return Fail(if_tok, kErrMissingFi);
    Next();
    return true;
  }

  bool ParseAssign(Node* out) {
    const Token& t = Next();
    Next();  // ":="
    int e = VarIndex(t.text, 'e');
    int s = VarIndex(t.text, 's');
    if (e >= 0) {
      out->op = Op::kSetNum;
      out->a = e;
      out->kids.emplace_back();
      Type type;
      if (!ParseOr(&out->kids[0], &type)) return false;
      return ExpectNum(t, type);
    }
    if (s >= 0) {
      out->op = Op::kSetStr;
      out->a = s;
      out->kids.emplace_back();
      if (!Expect(Tok::kLParen, kErrSyntax)) return false;
      if (!ParseSeq(&out->kids[0])) return false;
      return ExpectParen();
    }
    return Fail(t, kErrSyntax, ":=");
  }

  bool ExpectNum(const Token& at, Type type) {
    if (type != Type::kNumber) return Fail(at, kErrNumberExpected);
    return true;
  }
  bool ExpectText(const Token& at, Node* n, Type type) {
    if (type == Type::kBool) return Fail(at, kErrTextExpected);
    if (type == Type::kNumber) Wrap(n, Op::kNumText);
    return true;
  }

  // ---- Expressions: or < and < not < comparison < + - < * / < unary < primary.

  // An "or" chain of "and" chains of "not" terms; every link must be a condition.
  bool ParseLogic(Node* out, Type* type, bool is_or) {
    const char* word = is_or ? "or" : "and";
    const Token& first = Peek();
    if (!(is_or ? ParseAnd(out, type) : ParseNot(out, type))) return false;
    if (!IsWord(word)) return true;
    if (*type != Type::kBool) return Fail(first, kErrConditionExpected);
    Wrap(out, is_or ? Op::kOr : Op::kAnd);
    while (IsWord(word)) {
      const Token& t = Next();
      Node rhs;
      Type rt;
      if (!(is_or ? ParseAnd(&rhs, &rt) : ParseNot(&rhs, &rt))) return false;
      if (rt != Type::kBool) return Fail(t, kErrConditionExpected);
      out->kids.push_back(std::move(rhs));
    }
    return true;
  }
  bool ParseOr(Node* out, Type* type) {
    Nest nest(this);
    if (!nest.Ok()) return TooDeep();
    return ParseLogic(out, type, true);
  }
  bool ParseAnd(Node* out, Type* type) { return ParseLogic(out, type, false); }

  bool ParseNot(Node* out, Type* type) {
    if (!IsWord("not")) return ParseCmp(out, type);
    Nest nest(this);
    if (!nest.Ok()) return TooDeep();
    const Token& t = Next();
    if (!ParseNot(out, type)) return false;
    if (*type != Type::kBool) return Fail(t, kErrConditionExpected);
    Wrap(out, Op::kNot);
    return true;
  }

  bool ParseCmp(Node* out, Type* type) {
    const Token& first = Peek();
    if (!ParseAdd(out, type)) return false;
    if (!IsComparison(Peek().kind)) return true;
    const Token& op = Next();
    Node rhs;
    Type rt;
    if (!ParseAdd(&rhs, &rt)) return false;
    if (*type == Type::kBool) return Fail(first, kErrTextExpected);
    if (rt == Type::kBool) return Fail(op, kErrTextExpected);
    bool numeric = *type == Type::kNumber && rt == Type::kNumber && op.kind != Tok::kColon;
    if (!numeric) {
      ExpectText(first, out, *type);
      ExpectText(op, &rhs, rt);
    }
    Node lhs = std::move(*out);
    *out = Node();
    out->op = numeric ? Op::kCmpNum : Op::kCmpStr;
    out->a = static_cast<int>(op.kind);
    out->kids.push_back(std::move(lhs));
    out->kids.push_back(std::move(rhs));
    *type = Type::kBool;
    return true;
  }

  bool ParseArith(Node* out, Type* type, bool additive) {
    if (!(additive ? ParseArith(out, type, false) : ParseUnary(out, type))) return false;
    auto is_op = [&](Tok k) {
      return additive ? (k == Tok::kPlus || k == Tok::kMinus)
                      : (k == Tok::kStar || k == Tok::kSlash);
    };
    // "/" and "+" also are elements of a format: only a number before them makes them operators.
    if (*type != Type::kNumber || !is_op(Peek().kind)) return true;
    Wrap(out, Op::kArith);
    while (is_op(Peek().kind)) {
      const Token& op = Next();
      Node rhs;
      Type rt;
      if (!(additive ? ParseArith(&rhs, &rt, false) : ParseUnary(&rhs, &rt))) return false;
      if (rt != Type::kNumber) return Fail(op, kErrNumberExpected);
      out->ops += TokName(op.kind)[0];
      out->kids.push_back(std::move(rhs));
    }
    return true;
  }
  bool ParseAdd(Node* out, Type* type) { return ParseArith(out, type, true); }

  bool ParseUnary(Node* out, Type* type) {
    if (Peek().kind != Tok::kMinus && Peek().kind != Tok::kPlus) return ParsePrimary(out, type);
    Nest nest(this);
    if (!nest.Ok()) return TooDeep();
    const Token& t = Next();
    if (!ParseUnary(out, type)) return false;
    if (*type != Type::kNumber) return Fail(t, kErrNumberExpected);
    if (t.kind == Tok::kMinus) Wrap(out, Op::kNeg);
    return true;
  }

  // "(" args ")" where each arg is parsed by ParseOr and must have the given type.
  bool ParseArgs(Node* out, std::initializer_list<Type> types, size_t required) {
    if (!Expect(Tok::kLParen, kErrSyntax)) return false;
    size_t i = 0;
    for (Type want : types) {
      if (i > 0) {
        if (i >= required && Peek().kind == Tok::kRParen) break;
        if (!Expect(Tok::kComma, kErrSyntax)) return false;
      }
      const Token& at = Peek();
      Node arg;
      Type got;
      if (!ParseOr(&arg, &got)) return false;
      if (want == Type::kNumber && !ExpectNum(at, got)) return false;
      if (want == Type::kText && !ExpectText(at, &arg, got)) return false;
      out->kids.push_back(std::move(arg));
      ++i;
    }
    return ExpectParen();
  }

  bool ParseFormatArg(Node* out) {
    out->kids.emplace_back();
    return ParseSeq(&out->kids.back());
  }

  bool ParseSelectorArg(Node* out, bool allow_presence) {
    if (!Expect(Tok::kLParen, kErrSyntax)) return false;
    const Token& t = Peek();
    if (t.kind != Tok::kField &&
        !(allow_presence && (t.kind == Tok::kPresent || t.kind == Tok::kAbsent)))
      return Fail(t, kErrBadSelector, Describe(t));
    out->sel = t.sel;
    Next();
    return ExpectParen();
  }

  bool ParsePrimary(Node* out, Type* type) {
    const Token& t = Peek();
    *type = Type::kText;
    switch (t.kind) {
      case Tok::kNumber:
        out->op = Op::kNum;
        out->number = t.number;
        *type = Type::kNumber;
        Next();
        return true;
      case Tok::kUncond:
        out->op = Op::kText;
        out->text = t.text;
        Next();
        return true;
      case Tok::kField:
        out->op = Op::kSelText;
        out->sel = t.sel;
        Next();
        return true;
      case Tok::kLParen: {
        Next();
        if (!ParseOr(out, type)) return false;
        return ExpectParen();
      }
      case Tok::kUnifor:
        Next();
        out->op = Op::kUnifor;
        if (!Expect(Tok::kLParen, kErrSyntax) || !ParseFormatArg(out)) return false;
        return ExpectParen();
      case Tok::kWord:
        return ParseWord(out, type);
      default:
        return Fail(t, kErrSyntax, Describe(t));
    }
  }

  bool ParseWord(Node* out, Type* type) {
    const Token& t = Next();
    const std::string& w = t.text;
    using T = Type;
    if (int e = VarIndex(w, 'e'); e >= 0) {
      out->op = Op::kNumVar;
      out->a = e;
      *type = T::kNumber;
      return true;
    }
    if (int s = VarIndex(w, 's'); s >= 0) {
      out->op = Op::kStrVar;
      out->a = s;
      return true;
    }
    if (w == "mfn") {
      if (Peek().kind != Tok::kLParen) {
        out->op = Op::kMfn;
        *type = T::kNumber;
        return true;
      }
      Next();
      if (Peek().kind != Tok::kNumber) return Fail(Peek(), kErrNumberExpected);
      out->op = Op::kMfnPad;
      out->a = static_cast<int>(std::min(Next().number, 32.0));
      return ExpectParen();
    }
    if (w == "iocc") {
      out->op = Op::kIocc;
      *type = T::kNumber;
      return true;
    }
    if (w == "nocc") {
      out->op = Op::kNocc;
      *type = T::kNumber;
      return ParseSelectorArg(out, true);
    }
    if (w == "p" || w == "a") {
      out->op = w == "p" ? Op::kPresent : Op::kAbsent;
      *type = T::kBool;
      return ParseSelectorArg(out, false);
    }
    struct Fn {
      const char* name;
      Op op;
      T result;
      std::initializer_list<T> args;
      size_t required;
    };
    static const Fn kFns[] = {
        {"val", Op::kVal, T::kNumber, {T::kText}, 1},
        {"size", Op::kSize, T::kNumber, {T::kText}, 1},
        {"npost", Op::kNpost, T::kNumber, {T::kText}, 1},
        {"l", Op::kL, T::kNumber, {T::kText}, 1},
        {"instr", Op::kInstr, T::kNumber, {T::kText, T::kText}, 2},
        {"f", Op::kFmt, T::kText, {T::kNumber, T::kNumber, T::kNumber}, 1},
        {"mid", Op::kMid, T::kText, {T::kText, T::kNumber, T::kNumber}, 3},
        {"left", Op::kLeft, T::kText, {T::kText, T::kNumber}, 2},
        {"right", Op::kRight, T::kText, {T::kText, T::kNumber}, 2},
        {"replace", Op::kReplace, T::kText, {T::kText, T::kText, T::kText}, 3},
        {"upper", Op::kUpper, T::kText, {T::kText}, 1},
        {"lower", Op::kLower, T::kText, {T::kText}, 1},
    };
    for (const Fn& fn : kFns) {
      if (w != fn.name) continue;
      out->op = fn.op;
      *type = fn.result;
      return ParseArgs(out, fn.args, fn.required);
    }
    if (w == "s") {
      out->op = Op::kSeq;
      if (!Expect(Tok::kLParen, kErrSyntax)) return false;
      Node inner;
      if (!ParseSeq(&inner)) return false;
      *out = std::move(inner);
      return ExpectParen();
    }
    if (w == "date") {
      out->op = Op::kDate;
      if (Peek().kind != Tok::kLParen) return true;
      Next();
      if (!IsWord("time")) return Fail(Peek(), kErrSyntax, Describe(Peek()));
      Next();
      out->op = Op::kTime;
      return ExpectParen();
    }
    if (w == "ref") return ParseRef(t, out);
    if (w == "if" || w == "then" || w == "else" || w == "fi" || w == "and" || w == "or" ||
        w == "not")
      return Fail(t, kErrSyntax, w);
    return Fail(t, kErrUnknownFunction, w);
  }

  bool ParseRef(const Token& t, Node* out) {
    if (ref_depth_ >= kMaxRefDepth) return Fail(t, kErrRefDepth);
    out->op = Op::kRef;
    if (!Expect(Tok::kLParen, kErrSyntax)) return false;
    if (Peek().kind == Tok::kLBracket) {
      Next();
      if (Peek().kind != Tok::kUncond) return Fail(Peek(), kErrSyntax, Describe(Peek()));
      out->text = Next().text;
      out->a = 1;
      if (!Expect(Tok::kRBracket, kErrSyntax)) return false;
    }
    const Token& at = Peek();
    out->kids.emplace_back();
    Type type;
    if (!ParseOr(&out->kids[0], &type) || !ExpectNum(at, type)) return false;
    if (!Expect(Tok::kComma, kErrSyntax)) return false;
    int saved_group = group_depth_;
    group_depth_ = 0;  // the format runs on another record: its groups are its own
    ++ref_depth_;
    bool ok = ParseFormatArg(out);
    --ref_depth_;
    group_depth_ = saved_group;
    return ok && ExpectParen();
  }

  const Lexed& lx_;
  CompileError* error_;
  size_t pos_ = 0;
  int depth_ = 0;
  int group_depth_ = 0;
  int ref_depth_ = 0;
};

}  // namespace

Program::Program(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Program::~Program() = default;

std::unique_ptr<Program> Compile(std::string_view text, IncludeResolver* resolver,
                                 CompileError* error) {
  CompileError local;
  CompileError* err = error != nullptr ? error : &local;
  *err = CompileError();
  Lexed lexed;
  if (!Lex(text, resolver, &lexed, err)) return nullptr;
  auto impl = std::make_unique<Program::Impl>();
  Parser parser(lexed, err);
  if (!parser.ParseProgram(&impl->root)) return nullptr;
  return std::make_unique<Program>(std::move(impl));
}

}  // namespace zarix::format
