// Command execution: the record display of F and S, and the common ending.
#include "frames/command_executor.h"

#include <algorithm>

#include "engine/engine_api.h"
#include "files/binary_resource.h"
#include "frames/frame_text.h"
#include "frames/message_page.h"
#include "processor/request_context.h"
#include "util/html_escape.h"

namespace zarix {

namespace {

constexpr int kFormatCapacity = 32000;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool DirectAccessOn(const RequestContext& ctx) {
  return ctx.server_ini.ReadInteger("MAIN", "DirectAccess", 0) != 0;
}

// The frame named by S21FRAME: the lines before its <!RESULT> line go to *output, the lines
// after it to the page's direct-access tail. A missing (or unsafe) frame is ignored.
void DirectAccessFrame(RequestContext& ctx, PageState& page, std::string* output) {
  const std::string name = ctx.RequestParam("S21FRAME");
  if (!DirectAccessOn(ctx) || name.empty() || ctx.frame_list.empty()) return;
  if (!IsSafeRelativeName(name)) return;
  std::optional<FrameLines> lines = ReadFrameFile(ctx.frame_list[0] + name, ctx.frames_char_set);
  if (!lines) return;
  bool after = false;
  for (size_t i = 0; i < lines->size(); ++i) {
    std::string_view t = TrimFrameLine((*lines)[i]);
    if (i == 0 && StartsWith(t, kBom)) t = TrimFrameLine(t.substr(kBom.size()));
    if (!after && EqualsNoCase(t, "<!RESULT>")) {
      after = true;
      continue;
    }
    std::string& target = after ? page.direct_access_tail : *output;
    target += t;
    target += "\n\r";
  }
}

// The record format specification: "@" + database folder + "\" + S21FMT.
std::string RecordFormat(const RequestContext& ctx, const PageState& page) {
  std::string name = ctx.RequestParam("S21FMT", "fullwebr");
  if (name.empty()) name = ctx.engine_database;
  if (!IsSafeRelativeName(name)) return std::string();
  return "@" + page.database_folder + "\\" + name;
}

// The common ending: the working record on shelf 0 of space 1.
void PrepareWorkingRecord(RequestContext& ctx) {
  EngineApi& e = *ctx.engine;
  const int space = ctx.space1;
  e.Zarixnewrec(space, 0);
  AddReaderRecord(ctx);
  for (const LogField& field : ctx.log_fields) e.Zarixfldadd(space, 0, field.tag, field.value);
}

}  // namespace

void AddReaderRecord(RequestContext& ctx) {
  const int mfn = ctx.reader.reader_mfn;
  if (ctx.reader.reader_id.empty() || mfn <= 0 || ctx.space2 == 0) return;
  EngineApi& e = *ctx.engine;
  const int space = ctx.space1;
  e.Zarixchangemfn(space, 0, mfn);
  e.ZarixRecord(ctx.space2, 0, mfn);
  const int resource_tag =
      static_cast<int>(ctx.server_ini.ReadInteger("MAIN", "BINARY_RESOURCE_TAG", 953));
  const int n = e.Zarixnfields(ctx.space2, 0);
  for (int f = 1; f <= n; ++f) {
    const int tag = e.Zarixfldtag(ctx.space2, 0, f);
    if (tag != resource_tag) e.Zarixfldadd(space, 0, tag, e.Zarixfield(ctx.space2, 0, f));
  }
}

void DisplayFoundRecords(RequestContext& ctx, PageState& page, std::string* output) {
  page.direct_access_tail.clear();
  DirectAccessFrame(ctx, page, output);
  EngineApi& e = *ctx.engine;
  const int space = ctx.space1;

  if (page.results.empty() || page.last < page.first) {
    if (ctx.command == 'S' && !ctx.frame_list.empty()) {
      const std::string empty = ctx.server_ini.ReadString("WEB", "SearchEmpty", "sempty.frm");
      if (IsSafeRelativeName(empty)) {
        if (auto lines = ReadFrameFile(ctx.frame_list[0] + empty, ctx.frames_char_set)) {
          *output += JoinFrameLines(*lines);
        }
      }
    }
    return;
  }

  const std::string format = RecordFormat(ctx, page);
  if (format.empty()) {
    *output += "FORMAT NOT FIND";
    return;
  }
  // S21SRW (sorting of the result list) is applied here once sorting is part of the search.
  if (e.Zarix_InitPFT(space, format) != 0) {
    // The message names the format as the request did: escaped, it stays text on the page.
    *output += HtmlEscape(e.ZarixLastMessage(space));
    return;
  }
  const std::string cgi_alias =
      ctx.server_ini.ReadString("WEB", "CGI_ALIAS", "/cgi-bin/zarix64r/cgizarix64.exe");
  const bool trace = ctx.trace.enabled();
  const long long last =
      std::min<long long>(page.last, static_cast<long long>(page.results.size()) - 1);
  for (long long i = std::max<long long>(page.first, 0); i <= last; ++i) {
    const Mfn mfn = page.results[static_cast<size_t>(i)];
    e.ZarixRecord(space, 0, static_cast<int>(mfn));
    if (trace) {
      ctx.trace.Add("START FORMAT=" + format.substr(0, 100) + " MFN=" + std::to_string(mfn));
    }
    e.zarix_set_options(0, 0, 0);
    e.Zarix_Format(space, 0, 1, 1 | EngineApi::kFormatPageText, kFormatCapacity);
    if (trace) ctx.trace.Add("END FORMAT");
    std::string text = e.Zarix_FormatResult(space);
    if (text.empty()) continue;
    InsertResourceLinks(&text, mfn, cgi_alias, ctx.engine_database);
    ReplaceFirst(&text, "<--MFNCOUNT-->", std::to_string(i + 1));
    ReplaceFirst(&text, "<--MFN-->", std::to_string(mfn));
    // Highlighting of the search terms (unless S21COLORTERMS is "0") is applied here once it
    // is part of the search.
    *output += text;
  }
}

namespace {

constexpr size_t kMessageNoReader = 7;

// Import and record update need a reader; without one the branch answers with message 7. The
// work itself joins here with the record update.
void RecordUpdateBranch(RequestContext& ctx, PageState& page, std::string* output) {
  if (ctx.reader.reader_id.empty()) {
    *output += BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNoReader));
  }
}

}  // namespace

CommandBranch FindCommandBranch(char command) {
  switch (command) {
    case 'F':
    case 'S':
      return DisplayFoundRecords;
    case 'I':
    case 'R':
      return RecordUpdateBranch;
    default:
      return nullptr;
  }
}

void ExecuteCommand(RequestContext& ctx, PageState& page, std::string* output) {
  if (CommandBranch branch = FindCommandBranch(ctx.command)) branch(ctx, page, output);
  *output += page.direct_access_tail;
  PrepareWorkingRecord(ctx);
}

}  // namespace zarix
