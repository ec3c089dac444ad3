// Internals of the format language shared by the lexer, the compiler and the interpreter:
// tokens, the compiled tree and Program::Impl.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zarix64/format/format.h"
#include "zarix64/format/format_errors.h"

namespace zarix::format {

// Limits that keep every format finite; shared by compiler and interpreter.
inline constexpr int kMaxIncludeDepth = 16;    // nested "@" files
inline constexpr int kMaxIncludes = 256;       // "@" files per compilation
inline constexpr int kMaxRefDepth = 8;         // nested "ref"
inline constexpr int kMaxNesting = 64;         // parentheses, conditions, functions
inline constexpr size_t kMaxTokens = 1 << 20;  // tokens per compilation, includes counted

// A field selector: v<tag>^x[n..m]*k.k (d and n use tag and subfield only).
struct Selector {
  FieldTag tag = 0;
  char sub = 0;      // 0: whole field; '*': plain part or first subfield; else lower-case code
  int32_t from = 1;  // first occurrence, 1-based
  int32_t to = INT32_MAX;  // last occurrence, inclusive
  bool last = false;       // [LAST]
  int32_t skip = 0;        // *k
  int32_t keep = -1;       // .k, -1: no limit
};

enum class Tok : uint8_t {
  kEnd,
  kComma,
  kLParen,
  kRParen,
  kLBracket,
  kRBracket,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kHash,
  kPercent,
  kEq,
  kNe,
  kLt,
  kLe,
  kGt,
  kGe,
  kColon,
  kAssign,
  kNumber,
  kUncond,
  kCond,
  kRep,  // literals: '...', "...", |...|
  kField,
  kPresent,
  kAbsent,  // v, d, n selectors
  kWord,    // lower-cased word: keyword, function, variable, mode, xN, cN
  kUnifor,  // &unifor
};

struct Token {
  Tok kind = Tok::kEnd;
  int pos = 0;        // byte offset in the top-level text (of the "@" for included tokens)
  int file = -1;      // index into Lexed::files for included tokens, -1 for the top-level text
  int inner_pos = 0;  // byte offset inside that file
  double number = 0;
  std::string text;  // literal text or lower-cased word
  Selector sel;
};

enum class Op : uint8_t {
  // Elements: write to the output.
  kSeq,       // kids run in order
  kField,     // v selector with attached literals
  kPresence,  // d (a = 1) or n (a = 0) selector with attached literals
  kLiteral,   // unconditional text
  kMode,      // a = mode bits
  kSlash,
  kHash,
  kPercent,
  kSpaces,    // xN: a = N
  kColumn,    // cN: a = N
  kGroup,     // kids[0] body; tags: selectors that drive the iterations
  kIf,        // kids: condition, then, [else]
  kWriteNum,  // numeric kids[0] written in its shortest form
  kSetNum,    // e<a> := kids[0]
  kSetStr,    // s<a> := kids[0] (a kSeq)
  // Text values (also elements: they write their text).
  kText,     // constant text
  kSelText,  // a selector's value without literals
  kMfnPad,   // mfn(a)
  kFmt,      // f(kids[0], [kids[1]], [kids[2]])
  kMid,
  kLeft,
  kRight,
  kReplace,
  kUpper,
  kLower,
  kDate,
  kTime,
  kStrVar,   // s<a>
  kRef,      // kids: mfn, format; text = database ("" this one); a = 1 when a database is given
  kUnifor,   // kids[0]: format giving the helper's code
  kNumText,  // numeric kids[0] as text
  // Numbers.
  kNum,  // constant `number`
  kMfn,
  kIocc,
  kNocc,
  kVal,
  kSize,
  kNpost,
  kL,
  kInstr,
  kNumVar,  // e<a>
  kArith,   // kids[0] (ops[i-1]) kids[i] ...: ops are '+', '-', '*', '/'
  kNeg,
  // Conditions.
  kPresent,  // p(sel)
  kAbsent,   // a(sel)
  kAnd,
  kOr,
  kNot,
  kCmpNum,
  kCmpStr,  // a = comparison (Tok value)
};

enum class Type : uint8_t { kElement, kText, kNumber, kBool };

// Mode bits: kind (proper, heading, data) and upper-case flag.
inline constexpr int kModeProper = 0, kModeHeading = 1, kModeData = 2, kModeUpper = 4;

// A literal attached to a selector as prefix or suffix.
struct Attached {
  std::string text;
  bool repeatable = false;
  bool plus = false;  // |..|+v or v+|..|: omitted before the first / after the last occurrence
};

struct Node {
  Op op = Op::kSeq;
  int32_t a = 0;
  double number = 0;
  std::string text;
  Selector sel;
  std::vector<Attached> prefix, suffix;
  std::vector<FieldTag> tags;  // kGroup: tags whose occurrences drive it
  std::string ops;             // kArith operators
  std::vector<Node> kids;
};

}  // namespace zarix::format

struct zarix::format::Program::Impl {
  Node root;  // a kSeq
};
