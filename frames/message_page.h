// One-line messages (errors, empty answers) as whole pages, through the frame "sempty.frm".
#pragma once

#include <string>
#include <string_view>

#include "util/ini_store.h"

namespace zarix {

// The frame [WEB] SearchEmpty (default "sempty.frm") in the default frames directory of
// `database`, with its first line reading "Пустой ответ" (any case) replaced by `message`; the
// lines are joined with CR LF, a final CR LF included, and no directive is processed. When the
// frame is missing or has no such line, a minimal UTF-8 page holding the message. Never fails.
std::string BuildMessagePage(const IniStore& server_ini, std::string_view database,
                             std::string_view message);

}  // namespace zarix
