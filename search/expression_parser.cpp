// Recursive-descent parser of search expressions into evaluation steps.
#include "search/expression_parser.h"

#include <optional>

namespace zarix {

bool IsDistanceOp(int op, int* distance, bool* ordered) {
  int d = 0;
  bool ord = false;
  if (op >= kOpOrderedDistance && op < kOpOrderedDistance + kMaxDistance) {
    d = op - kOpOrderedDistance + 1;
    ord = true;
  } else if (op >= kOpAnyOrderDistance && op < kOpAnyOrderDistance + kMaxDistance) {
    d = op - kOpAnyOrderDistance + 1;
  } else {
    return false;
  }
  if (distance != nullptr) *distance = d;
  if (ordered != nullptr) *ordered = ord;
  return true;
}

namespace {

enum class Tok { kEnd, kTerm, kOpen, kClose, kOp };

struct Token {
  Tok kind = Tok::kEnd;
  size_t pos = 0;    // 0-based offset of the token
  std::string text;  // kTerm: the operand as written
  int op = 0;        // kOp: operator code
};

struct SyntaxError {
  size_t pos;
  std::string message;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool EndsWord(char c) {
  return IsBlank(c) || c == '"' || c == '(' || c == ')' || c == '+' || c == '*' || c == '^';
}

constexpr std::string_view kRange = "[...]";

// Operator precedence levels: 0 "+", 1 "*" "^", 2 positional.
int LevelOf(int op) {
  if (op == kOpOr) return 0;
  if (op == kOpAnd || op == kOpNot) return 1;
  return 2;
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    SkipBlanks();
    Token t;
    t.pos = pos_;
    if (pos_ >= text_.size()) return t;
    const char c = text_[pos_];
    if (c == '(') {
      if (pos_ + 2 < text_.size() && text_[pos_ + 2] == ')') {
        const char m = text_[pos_ + 1];
        if (m == 'G' || m == 'g' || m == 'F' || m == 'f') {
          pos_ += 3;
          t.kind = Tok::kOp;
          t.op = (m == 'G' || m == 'g') ? kOpSameField : kOpSameOccurrence;
          return t;
        }
      }
      ++pos_;
      t.kind = Tok::kOpen;
      return t;
    }
    if (c == ')') {
      ++pos_;
      t.kind = Tok::kClose;
      return t;
    }
    if (c == '+' || c == '*' || c == '^') {
      ++pos_;
      t.kind = Tok::kOp;
      t.op = c == '+' ? kOpOr : c == '*' ? kOpAnd : kOpNot;
      return t;
    }
    if (c == '.' || c == '$') {
      size_t n = 0;
      while (pos_ < text_.size() && text_[pos_] == c) {
        ++pos_;
        ++n;
      }
      if (n > static_cast<size_t>(kMaxDistance)) {
        throw SyntaxError{t.pos, "distance above 10"};
      }
      t.kind = Tok::kOp;
      t.op = (c == '.' ? kOpOrderedDistance : kOpAnyOrderDistance) + static_cast<int>(n) - 1;
      return t;
    }
    if (c == '#') throw SyntaxError{t.pos, "\"#\" outside quotes"};
    t.kind = Tok::kTerm;
    t.text = ReadTerm();
    SkipBlanks();
    if (text_.substr(pos_, kRange.size()) == kRange) {
      pos_ += kRange.size();
      SkipBlanks();
      if (pos_ >= text_.size() || (EndsWord(text_[pos_]) && text_[pos_] != '"')) {
        throw SyntaxError{pos_, "range without upper term"};
      }
      t.text += kRange;
      t.text += ReadTerm();
    }
    return t;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // A quoted or unquoted term with its restriction, as written.
  std::string ReadTerm() {
    const size_t start = pos_;
    if (text_[pos_] == '"') {
      size_t close = text_.find('"', pos_ + 1);
      if (close == std::string_view::npos) throw SyntaxError{start, "unterminated quote"};
      pos_ = close + 1;
      if (text_.substr(pos_, 2) == "/(") ReadRestriction();
      return std::string(text_.substr(start, pos_ - start));
    }
    while (pos_ < text_.size() && !EndsWord(text_[pos_]) &&
           text_.substr(pos_, kRange.size()) != kRange) {
      if (text_.substr(pos_, 2) == "/(") {
        ReadRestriction();
      } else {
        ++pos_;
      }
    }
    if (pos_ == start) throw SyntaxError{start, "term expected"};
    return std::string(text_.substr(start, pos_ - start));
  }

  void ReadRestriction() {
    size_t close = text_.find(')', pos_ + 2);
    if (close == std::string_view::npos) throw SyntaxError{pos_, "unterminated field list"};
    pos_ = close + 1;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

// An operand of a step: a term as written, or the number of a step.
struct Node {
  std::string term;
  int step = 0;  // > 0: a reference
};

class Parser {
 public:
  Parser(std::string_view text, std::vector<SearchStep>* steps) : lexer_(text), steps_(steps) {
    Advance();
  }

  void ParseAll() {
    if (tok_.kind == Tok::kEnd) return;
    Node root = ParseLevel(0);
    if (tok_.kind != Tok::kEnd) {
      throw SyntaxError{tok_.pos,
                        tok_.kind == Tok::kClose ? "unbalanced \")\"" : "operator expected"};
    }
    if (root.step == 0) Emit(kOpOr, {root});
  }

 private:
  void Advance() { tok_ = lexer_.Next(); }

  Node ParseLevel(int level) {
    if (level > 2) return ParsePrimary();
    std::vector<Node> operands{ParseLevel(level + 1)};
    std::optional<int> chain_op;
    while (tok_.kind == Tok::kOp && LevelOf(tok_.op) == level) {
      const int op = tok_.op;
      Advance();
      if (chain_op && *chain_op != op) {
        Node made = Emit(*chain_op, operands);
        operands = {made};
      }
      chain_op = op;
      operands.push_back(ParseLevel(level + 1));
    }
    if (!chain_op) return operands.front();
    return Emit(*chain_op, operands);
  }

  Node ParsePrimary() {
    if (tok_.kind == Tok::kTerm) {
      Node n{tok_.text, 0};
      Advance();
      return n;
    }
    if (tok_.kind == Tok::kOpen) {
      const size_t open = tok_.pos;
      // Each level of parentheses costs a few stack frames: a request of nothing but "(" must
      // meet a syntax error, never the end of the stack.
      if (++depth_ > kMaxSearchNesting) throw SyntaxError{open, "parentheses nested too deeply"};
      Advance();
      if (tok_.kind == Tok::kClose) throw SyntaxError{tok_.pos, "empty parentheses"};
      Node inner = ParseLevel(0);
      if (tok_.kind != Tok::kClose) throw SyntaxError{open, "unbalanced \"(\""};
      Advance();
      --depth_;
      return inner;
    }
    if (tok_.kind == Tok::kEnd) throw SyntaxError{tok_.pos, "term expected at end"};
    throw SyntaxError{tok_.pos, "term expected"};
  }

  Node Emit(int op, const std::vector<Node>& operands) {
    SearchStep step;
    step.op = op;
    for (const Node& n : operands) {
      if (n.step > 0) {
        std::string ref(1, '#');
        ref += std::to_string(n.step);
        step.operands.push_back(std::move(ref));
      } else {
        step.operands.push_back(n.term);
      }
    }
    steps_->push_back(std::move(step));
    return Node{{}, static_cast<int>(steps_->size())};
  }

  Lexer lexer_;
  std::vector<SearchStep>* steps_;
  Token tok_;
  int depth_ = 0;
};

}  // namespace

int ParseSearchExpression(std::string_view expression, std::vector<SearchStep>* steps,
                          std::string* error) {
  steps->clear();
  try {
    Parser parser(expression, steps);
    parser.ParseAll();
  } catch (const SyntaxError& e) {
    steps->clear();
    if (error != nullptr) *error = std::to_string(e.pos + 1) + ": " + e.message;
    return -1;
  }
  return 0;
}

}  // namespace zarix
