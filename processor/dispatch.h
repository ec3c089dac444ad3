// The command dispatch table: one line per command character.
//
// A handler reads the request context and leaves the page text (or a content stream on the
// response) for the common tail. Commands whose handler is not built answer with the
// unknown-command page.
#pragma once

#include "processor/request_context.h"

namespace zarix {

using CommandHandler = void (*)(RequestContext& ctx);

struct CommandEntry {
  char command;
  CommandHandler handler;  // nullptr: not built yet, the unknown-command page answers
  const char* what;
};

// The handler for `command`, or UnknownCommandPage.
CommandHandler FindCommandHandler(char command);

// The page for an unrecognised command: the text of CGIPATH + "\Error.html" followed by the
// command character (nothing for the zero character), or a fixed page when the file is missing.
void UnknownCommandPage(RequestContext& ctx);

}  // namespace zarix
