// The command dispatch table.
#include "processor/dispatch.h"

#include "files/binary_resource.h"
#include "frames/result_pages.h"
#include "processor/export.h"
#include "records/record_update.h"
#include "util/path.h"

namespace zarix {

namespace {

// Sorted by command character.
constexpr CommandEntry kCommands[] = {
    {'2', nullptr, "page of an image or document file"},
    {'3', SendBinaryResource, "binary resource of a record field"},
    {'4', ExportRecords, "export as a page"},
    {'7', nullptr, "file page or full-text file of a record"},
    {'8', nullptr, "file download"},
    {'E', ExportRecords, "export as a file"},
    {'F', ShowResultPage, "record display in a chosen format"},
    {'G', nullptr, "full-text scan count"},
    {'I', ImportIsoCommand, "ISO import"},
    {'R', ShowResultPage, "record update"},
    {'S', ShowResultPage, "search results"},
    {'T', ShowResultPage, "dictionary"},
    {'Z', ShowResultPage, "orders"},
};

}  // namespace

CommandHandler FindCommandHandler(char command) {
  for (const CommandEntry& e : kCommands) {
    if (e.command == command) return e.handler ? e.handler : UnknownCommandPage;
  }
  return UnknownCommandPage;
}

void UnknownCommandPage(RequestContext& ctx) {
  if (std::optional<std::string> text = ReadFileBytes(ctx.cgi_path + "\\Error.html")) {
    ctx.page_text = *text;
    // A zero byte would end up in the page as a replacement character.
    if (ctx.command != '\0') ctx.page_text.push_back(ctx.command);
  } else {
    ctx.page_text = "<HTML><BODY>ERROR FILE NOT FOUND Error.html</BODY></HTML>";
  }
}

}  // namespace zarix
