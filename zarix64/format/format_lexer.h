// The format language's lexer: text to tokens, with "@name" includes spliced in at compile time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "zarix64/format/format_internal.h"

namespace zarix::format {

struct Lexed {
  std::vector<Token> tokens;       // ends with one Tok::kEnd
  std::vector<std::string> files;  // paths of the included files, by Token::file
};

// Splits `text` into tokens. `resolver` (may be null) finds "@name" files, whose tokens replace
// the "@name". Returns false and fills *error on the first error.
bool Lex(std::string_view text, IncludeResolver* resolver, Lexed* out, CompileError* error);

// Fills *error with `code` at the place of `token`: "position: message", where an included
// token's position also names the file and the offset inside it.
void SetError(const Lexed& lexed, const Token& token, int code, CompileError* error,
              std::string_view detail = {});

}  // namespace zarix::format
