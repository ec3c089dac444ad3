// The format language's lexer. Words are lower-cased (keywords and functions are case-insensitive);
// field selectors are read whole, with their subfield, occurrence range, offset and length, so that
// "*" and "." after a tag never reach the expression parser.
#include "zarix64/format/format_lexer.h"

#include <charconv>
#include <cstdint>

#include "util/path.h"

namespace zarix::format {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAlnum(char c) { return IsDigit(c) || IsAlpha(c); }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Characters that end an include name (besides blanks and control characters).
bool EndsIncludeName(char c) {
  return c == ',' || c == '\'' || c == '"' || c == '|' || c == '(' || c == ')' || c == '#' ||
         c == '%';
}

class Lexer {
 public:
  Lexer(IncludeResolver* resolver, Lexed* out, CompileError* error)
      : resolver_(resolver), out_(out), error_(error) {}

  // Lexes `text` found in file `file` (-1: top level) located in `dir`. `at_pos` is the top-level
  // position that stands for every token of an included file.
  bool Run(std::string_view text, int file, std::string_view dir, int depth, int at_pos) {
    text_ = text;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
      char c = text[i];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        ++i;
        continue;
      }
      if (out_->tokens.size() >= kMaxTokens) return Fail(file, at_pos, i, kErrTooLarge);
      Token t;
      t.file = file;
      t.pos = file < 0 ? static_cast<int>(i) : at_pos;
      t.inner_pos = static_cast<int>(i);
      size_t start = i;
      switch (c) {
        case '/':
          if (i + 1 < n && text[i + 1] == '*') {
            size_t end = text.find("*/", i + 2);
            if (end == std::string_view::npos) return Fail(file, at_pos, i, kErrUnclosedComment);
            i = end + 2;
            continue;
          }
          t.kind = Tok::kSlash, ++i;
          break;
        case ',':
          t.kind = Tok::kComma, ++i;
          break;
        case '(':
          t.kind = Tok::kLParen, ++i;
          break;
        case ')':
          t.kind = Tok::kRParen, ++i;
          break;
        case '[':
          t.kind = Tok::kLBracket, ++i;
          break;
        case ']':
          t.kind = Tok::kRBracket, ++i;
          break;
        case '+':
          t.kind = Tok::kPlus, ++i;
          break;
        case '-':
          t.kind = Tok::kMinus, ++i;
          break;
        case '*':
          t.kind = Tok::kStar, ++i;
          break;
        case '#':
          t.kind = Tok::kHash, ++i;
          break;
        case '%':
          t.kind = Tok::kPercent, ++i;
          break;
        case '=':
          t.kind = Tok::kEq, ++i;
          break;
        case '<':
          ++i;
          if (i < n && text[i] == '>')
            t.kind = Tok::kNe, ++i;
          else if (i < n && text[i] == '=')
            t.kind = Tok::kLe, ++i;
          else
            t.kind = Tok::kLt;
          break;
        case '>':
          ++i;
          if (i < n && text[i] == '=')
            t.kind = Tok::kGe, ++i;
          else
            t.kind = Tok::kGt;
          break;
        case ':':
          ++i;
          if (i < n && text[i] == '=')
            t.kind = Tok::kAssign, ++i;
          else
            t.kind = Tok::kColon;
          break;
        case '\'':
        case '"':
        case '|': {
          t.kind = c == '\'' ? Tok::kUncond : c == '"' ? Tok::kCond : Tok::kRep;
          ++i;
          for (;;) {
            if (i >= n) return Fail(file, at_pos, start, kErrUnclosedLiteral);
            if (text[i] == c) {
              if (i + 1 < n && text[i + 1] == c) {  // doubled delimiter writes it once
                t.text += c;
                i += 2;
                continue;
              }
              ++i;
              break;
            }
            size_t next = text.find(c, i);
            if (next == std::string_view::npos) next = n;
            t.text.append(text.substr(i, next - i));
            i = next;
          }
          break;
        }
        case '&': {
          ++i;
          size_t w = i;
          while (i < n && IsAlnum(text[i])) ++i;
          std::string word;
          for (size_t k = w; k < i; ++k) word += Lower(text[k]);
          if (word != "unifor") return Fail(file, at_pos, start, kErrUnknownFunction);
          t.kind = Tok::kUnifor;
          break;
        }
        case '@': {
          ++i;
          size_t w = i;
          while (i<n&& static_cast<unsigned char>(text[i])> ' ' && !EndsIncludeName(text[i]) &&
                 !(text[i] == '/' && i + 1 < n && text[i + 1] == '*'))
            ++i;
          if (i == w) return Fail(file, at_pos, start, kErrSyntax);
          if (!Include(text.substr(w, i - w), file, dir, depth,
                       file < 0 ? static_cast<int>(start) : at_pos, start))
            return false;
          text_ = text;
          continue;
        }
        default:
          if (IsDigit(c)) {
            while (i < n && IsDigit(text[i])) ++i;
            if (i + 1 < n && text[i] == '.' && IsDigit(text[i + 1])) {
              ++i;
              while (i < n && IsDigit(text[i])) ++i;
            }
            t.kind = Tok::kNumber;
            auto [p, ec] = std::from_chars(text.data() + start, text.data() + i, t.number);
            if (ec != std::errc()) t.number = 0;
          } else if (IsAlpha(c)) {
            while (i < n && IsAlnum(text[i])) ++i;
            for (size_t k = start; k < i; ++k) t.text += Lower(text[k]);
            char first = t.text[0];
            bool tagged = (first == 'v' || first == 'd' || first == 'n') && t.text.size() > 1;
            for (size_t k = 1; tagged && k < t.text.size(); ++k) tagged = IsDigit(t.text[k]);
            if (tagged) {
              t.kind = first == 'v' ? Tok::kField : first == 'd' ? Tok::kPresent : Tok::kAbsent;
              if (!ReadSelector(&i, &t)) return Fail(file, at_pos, start, kErrBadSelector);
              t.text.clear();
            } else {
              t.kind = Tok::kWord;
            }
          } else {
            return Fail(file, at_pos, i, kErrUnexpectedChar);
          }
      }
      out_->tokens.push_back(std::move(t));
    }
    return true;
  }

 private:
  // Reads a whole number at *i; false when there is none or it is too large.
  bool ReadInt(size_t* i, int32_t* value) {
    size_t s = *i;
    int64_t v = 0;
    while (*i < text_.size() && IsDigit(text_[*i])) {
      v = v * 10 + (text_[*i] - '0');
      if (v > 99'999'999) return false;
      ++*i;
    }
    *value = static_cast<int32_t>(v);
    return *i > s;
  }

  // The parts after v<tag>: ^x, [..], *k, .k, in this order, each optional.
  bool ReadSelector(size_t* i, Token* t) {
    Selector& s = t->sel;
    int64_t tag = 0;
    for (size_t k = 1; k < t->text.size(); ++k) {
      tag = tag * 10 + (t->text[k] - '0');
      if (tag > 99999) return false;
    }
    if (tag < 1) return false;
    s.tag = static_cast<FieldTag>(tag);
    const size_t n = text_.size();
    if (*i < n && text_[*i] == '^') {
      if (*i + 1 >= n || !(IsAlnum(text_[*i + 1]) || text_[*i + 1] == '*')) return false;
      s.sub = Lower(text_[*i + 1]);
      *i += 2;
    }
    if (t->kind != Tok::kField) return true;
    if (*i < n && text_[*i] == '[') {
      ++*i;
      if (*i + 4 <= n && Lower(text_[*i]) == 'l' && Lower(text_[*i + 1]) == 'a' &&
          Lower(text_[*i + 2]) == 's' && Lower(text_[*i + 3]) == 't') {
        s.last = true;
        *i += 4;
      } else {
        if (!ReadInt(i, &s.from) || s.from < 1) return false;
        s.to = s.from;
        if (*i + 1 < n && text_[*i] == '.' && text_[*i + 1] == '.') {
          *i += 2;
          s.to = INT32_MAX;
          if (*i < n && IsDigit(text_[*i]) && (!ReadInt(i, &s.to) || s.to < s.from)) return false;
        }
      }
      if (*i >= n || text_[*i] != ']') return false;
      ++*i;
    }
    if (*i + 1 < n && text_[*i] == '*' && IsDigit(text_[*i + 1])) {
      ++*i;
      if (!ReadInt(i, &s.skip)) return false;
    }
    if (*i + 1 < n && text_[*i] == '.' && IsDigit(text_[*i + 1])) {
      ++*i;
      if (!ReadInt(i, &s.keep)) return false;
    }
    return true;
  }

  bool Include(std::string_view name, int file, std::string_view dir, int depth, int at_pos,
               size_t name_pos) {
    if (depth >= kMaxIncludeDepth || ++includes_ > kMaxIncludes)
      return Fail(file, at_pos, name_pos, kErrIncludeDepth);
    std::string path;
    std::optional<std::string> body;
    if (resolver_ != nullptr) body = resolver_->Resolve(name, dir, &path);
    if (!body) return Fail(file, at_pos, name_pos, kErrIncludeNotFound, BaseName(name));
    out_->files.push_back(path);
    int index = static_cast<int>(out_->files.size()) - 1;
    std::string inner_dir = DirName(path);
    std::string_view saved = text_;
    bool ok = Run(*body, index, inner_dir, depth + 1, at_pos);
    text_ = saved;
    return ok;
  }

  bool Fail(int file, int at_pos, size_t inner, int code, std::string_view detail = {}) {
    Token t;
    t.file = file;
    t.pos = file < 0 ? static_cast<int>(inner) : at_pos;
    t.inner_pos = static_cast<int>(inner);
    SetError(*out_, t, code, error_, detail);
    return false;
  }

  IncludeResolver* resolver_;
  Lexed* out_;
  CompileError* error_;
  std::string_view text_;
  int includes_ = 0;
};

}  // namespace

void SetError(const Lexed& lexed, const Token& token, int code, CompileError* error,
              std::string_view detail) {
  if (error == nullptr) return;
  error->code = code;
  error->position = token.pos;
  std::string m = std::to_string(token.pos);
  m += ": ";
  if (token.file >= 0 && token.file < static_cast<int>(lexed.files.size())) {
    m += BaseName(lexed.files[token.file]);  // messages reach web pages: no server folders
    m += ":";
    m += std::to_string(token.inner_pos);
    m += ": ";
  }
  m += ErrorMessage(code);
  if (!detail.empty()) {
    m += " (";
    m += detail.substr(0, 200);
    m += ")";
  }
  error->message = std::move(m);
}

bool Lex(std::string_view text, IncludeResolver* resolver, Lexed* out, CompileError* error) {
  Lexer lexer(resolver, out, error);
  if (!lexer.Run(text, -1, "", 0, 0)) return false;
  Token end;
  end.kind = Tok::kEnd;
  end.pos = static_cast<int>(text.size());
  end.inner_pos = end.pos;
  out->tokens.push_back(end);
  return true;
}

}  // namespace zarix::format
