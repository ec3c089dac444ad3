// Binary resources of record fields: command 3 and the image links of formatted records.
#include "files/binary_resource.h"

#include <memory>

#include "engine/engine_api.h"
#include "frames/frame_text.h"
#include "frames/message_page.h"
#include "processor/request_context.h"
#include "processor/server_config.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  // Lower case is accepted too: reading it as -1 would corrupt the byte.
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr std::string_view kReadError = "Error read binary resourse";

}  // namespace

std::string DecodeBinaryResource(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '%' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
        HexDigit(value[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2])));
      i += 2;
    } else if (c == '&') {
      out += "\r\n";
    } else if (c == '+') {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

void InsertResourceLinks(std::string* text, Mfn mfn, std::string_view cgi_alias,
                         std::string_view dbname) {
  std::string& t = *text;
  size_t pos = 0;
  while ((pos = t.find("[[", pos)) != std::string::npos) {
    size_t d = pos + 2;
    while (d < t.size() && d - (pos + 2) < 4 && IsDigit(t[d])) ++d;
    if (t.compare(d, 2, "]]") != 0) {
      pos = d;
      continue;
    }
    std::string link = "<img src=\"";
    link += cgi_alias;
    link += "?C21COM=3&I21DBN=";
    link += dbname;
    link += "&P21DBN=";
    link += dbname;
    link += "&BINARY_RESOURCE_MFN=";
    link += std::to_string(mfn);
    link += "&BINARY_RESOURCE_OCC=";
    link.append(t, pos + 2, d - (pos + 2));
    link += "\">";
    t.replace(pos, d + 2 - pos, link);
    pos += link.size();
  }
}

void SendBinaryResource(RequestContext& ctx) {
  EngineApi& e = *ctx.engine;
  const int space = ctx.space1;
  DatabasePathSet paths;
  // A database name is a file name in the data folder, never a path.
  int status = IsSafeRelativeName(ctx.engine_database)
                   ? DatabasePaths(ctx.server_ini, ctx.engine_database, ctx.datapath, &paths)
                   : kParFileMissing;
  if (status == 0) status = e.Zarixinitmst(space, paths.master + ctx.engine_database, 3);
  const long long mfn = ParseWholeNumber(ctx.RequestParam("BINARY_RESOURCE_MFN", "0"), 0);
  if (status == 0 && mfn > 0) {
    status = mfn > 0x7fffffff ? -140 : e.ZarixRecord(space, 0, static_cast<int>(mfn));
    // A record waiting for indexing is there all the same.
    if (status == -602) status = 0;
  } else if (status == 0) {
    // Without a record the occurrence is looked up in an empty record.
    e.Zarixnewrec(space, 0);
  }
  if (status != 0) {
    ctx.page_text = BuildMessagePage(ctx.server_ini, ctx.database, kReadError);
    // The answer of command 3 keeps the handler's content type: the page is UTF-8.
    ctx.response.content_type = "text/html; charset=UTF-8";
    return;
  }
  long long occ = ParseWholeNumber(ctx.RequestParam("BINARY_RESOURCE_OCC", "1"), 1);
  if (occ < 1 || occ > 0x7fffffff) occ = 1;
  const int tag = static_cast<int>(ctx.server_ini.ReadInteger("MAIN", "BINARY_RESOURCE_TAG", 953));
  const int field = e.Zarixfieldn(space, 0, tag, static_cast<int>(occ));
  std::string bytes = field > 0 ? DecodeBinaryResource(e.Zarixfield(space, 0, field)) : "";
  ctx.page_text.clear();
  ctx.response.content.clear();
  ctx.response.content_type = "Image";
  ctx.response.content_stream = std::make_unique<MemoryContentStream>(std::move(bytes));
}

}  // namespace zarix
