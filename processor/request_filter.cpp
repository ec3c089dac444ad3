// The request filter format and its rewriting of request fields.
#include "processor/request_filter.h"

#include "engine/engine_api.h"

namespace zarix {

bool RequestFilter(RequestContext& ctx) {
  if (ctx.cgiflc.empty() || !ctx.engine || ctx.space2 == 0) return true;
  EngineApi& e = *ctx.engine;
  const int space = ctx.space2;
  bool passed = true;
  try {
    if (ctx.reader.reader_mfn == 0) {
      e.Zarixnewrec(space, 0);
    } else {
      e.ZarixRecord(space, 0, ctx.reader.reader_mfn);
    }
    for (const LogField& f : ctx.log_fields) e.Zarixfldadd(space, 0, f.tag, f.value, 0);
    std::string format = "@";
    format.append(ctx.cgiflc, 0, ctx.cgiflc.size() - 4);
    std::string text;
    if (e.Zarix_InitPFT(space, format) == 0 &&
        e.Zarix_Format(space, 0, 1, 1, 32000, "ZARIX64") >= 0) {
      text = e.Zarix_FormatResult(space);
    }
    if (ctx.reader.reader_mfn == 0) e.Zarixnewrec(space, 0);
    passed = !text.empty() && text[0] != '0';
    if (!passed) return false;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + start, end - start);
      start = end + 1;
      size_t eq = line.find('=');
      // The filter often prints request values: SetRequestParam keeps the gateway's fields.
      if (eq == std::string_view::npos) continue;
      ctx.SetRequestParam(line.substr(0, eq), SanitizeLogValue(line.substr(eq + 1)));
    }
  } catch (...) {
  }
  return passed;
}

}  // namespace zarix
