// The export commands "E" and "4".
#include "processor/export.h"

#include <memory>

#include "engine/engine_api.h"
#include "frames/message_page.h"
#include "frames/result_pages.h"
#include "processor/export_writer.h"
#include "processor/request_context.h"
#include "processor/server_config.h"
#include "records/access_rules.h"
#include "search/result_sorting.h"
#include "util/code_page.h"
#include "util/html_escape.h"
#include "util/path.h"
#include "util/split_lines.h"
#include "util/unicode_upper.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

constexpr size_t kMessageNotAllowed = 11;
constexpr size_t kMessageNothingFound = 12;
constexpr int kReadNotIndexed = -602;
constexpr int kSourceShelf = 0;
constexpr int kFormatCapacity = 1 << 20;

bool ReadOk(int rc) { return rc == 0 || rc == kReadNotIndexed; }

bool OpenExportDatabase(RequestContext& ctx, DatabasePathSet* paths) {
  EngineApi& e = *ctx.engine;
  if (ctx.engine_database.empty() || !IsSafeRelativeName(ctx.engine_database)) return false;
  if (DatabasePaths(ctx.server_ini, ctx.engine_database, ctx.datapath, paths) != 0) return false;
  if (e.Zarixinitmst(ctx.space1, paths->master + ctx.engine_database, 5) != 0) return false;
  if (e.Zarixinitterm(ctx.space1, paths->inverted + ctx.engine_database) != 0) return false;
  e.ZarixInitInvContext(ctx.space1, paths->parameter, "", 0, ctx.actabpath, "");
  return true;
}

std::vector<Mfn> FoundRecords(RequestContext& ctx) {
  std::vector<Mfn> found;
  const std::string expression = UpperUtf8(ctx.search_expression);
  if (!expression.empty()) {
    found = FindRecords(ctx, expression);
  } else if (const long long mfn = ParseWholeNumber(ctx.RequestParam("EXP21MFN", "0"), 0);
             mfn > 0) {
    found.push_back(static_cast<Mfn>(mfn));
  }
  return found;
}

// S21SCAN: keeps the records for which the selection format answers with ones.
void ScanFilter(RequestContext& ctx, const DatabasePathSet& paths, const std::string& name,
                std::vector<Mfn>* list) {
  EngineApi& e = *ctx.engine;
  if (!IsSafeRelativeName(name) ||
      e.Zarix_InitPFT(ctx.space1, "@" + paths.parameter + "\\" + name) != 0) {
    list->clear();
    return;
  }
  std::vector<Mfn> kept;
  for (Mfn mfn : *list) {
    if (!ReadOk(e.ZarixRecord(ctx.space1, kSourceShelf, static_cast<int>(mfn)))) continue;
    if (e.Zarix_Format(ctx.space1, kSourceShelf, 1, 2, kFormatCapacity) < 0) continue;
    if (FilterKeeps(e.Zarix_FormatResult(ctx.space1))) kept.push_back(mfn);
  }
  list->swap(kept);
}

void NothingFound(RequestContext& ctx) {
  std::string frames = ctx.server_ini.ReadString(ctx.database, "DEFAULT_FRAMES");
  if (frames.empty()) frames = ctx.server_ini.ReadString("WEB", "FRAMES", ctx.cgi_path);
  const std::string name = ctx.server_ini.ReadString("WEB", "SearchEmpty", "sempty.frm");
  if (IsSafeRelativeName(name)) {
    if (std::optional<std::string> text = ReadFileBytes(frames + name)) {
      ctx.page_text += *text;
      return;
    }
  }
  ctx.page_text = BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNothingFound));
}

// The fields of the record on `shelf`, in record order.
std::vector<ExportField> ShelfFields(EngineApi& e, int space, int shelf) {
  std::vector<ExportField> fields;
  const int n = e.Zarixnfields(space, shelf);
  fields.reserve(n > 0 ? n : 0);
  for (int i = 1; i <= n; ++i)
    fields.push_back({e.Zarixfldtag(space, shelf, i), e.Zarixfield(space, shelf, i)});
  return fields;
}

// The record of the source shelf rebuilt through the table (formats compiled in `space` in turn).
std::vector<ExportField> SelectFields(EngineApi& e, int space,
                                      const std::vector<FieldSelectionEntry>& table) {
  std::vector<ExportField> out;
  const FieldSelectionEntry* copy_rest = nullptr;
  for (const FieldSelectionEntry& entry : table) {
    if (entry.tag == 0) {
      if (!copy_rest) copy_rest = &entry;
      continue;
    }
    if (entry.tag < 0 || e.Zarix_InitPFT(space, entry.format) != 0) continue;
    if (e.Zarix_Format(space, kSourceShelf, 1, 2, kFormatCapacity) < 0) continue;
    for (std::string& line : SplitLines(e.Zarix_FormatResult(space))) {
      if (!line.empty()) out.push_back({entry.tag, std::move(line)});
    }
  }
  if (copy_rest && e.Zarix_InitPFT(space, copy_rest->format) == 0 &&
      e.Zarix_Format(space, kSourceShelf, 1, 2, kFormatCapacity) >= 0 &&
      e.Zarix_FormatResult(space).starts_with("*")) {
    for (ExportField& f : ShelfFields(e, space, kSourceShelf)) {
      bool listed = false;
      for (const FieldSelectionEntry& entry : table) listed = listed || entry.tag == f.tag;
      if (!listed) out.push_back(std::move(f));
    }
  }
  return out;
}

}  // namespace

std::vector<FieldSelectionEntry> ParseFieldSelection(std::string_view text) {
  std::vector<FieldSelectionEntry> table;
  for (const std::string& line : SplitLines(text)) {
    const size_t a = line.find(' ');
    if (a == std::string::npos || a == 0) continue;
    const long long tag = ParseWholeNumber(std::string_view(line).substr(0, a), -1);
    if (tag < 0) continue;
    const size_t b = line.find(' ', a + 1);
    if (b == std::string::npos) continue;
    table.push_back({static_cast<int>(tag), line.substr(b + 1)});
  }
  return table;
}

void ExportRecords(RequestContext& ctx) {
  EngineApi& e = *ctx.engine;
  auto refuse = [&] {
    ctx.page_text = BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNotAllowed));
  };
  // A reader whose key, surname or address check failed keeps an identifier but no key: only
  // the key says the reader is identified.
  if (ctx.reader.reader_key.empty()) return refuse();
  DatabasePathSet paths;
  if (!OpenExportDatabase(ctx, &paths)) return refuse();
  if (ctx.command == '4' && ExportAllowed(ctx.server_ini, ctx.engine_database,
                                          ctx.reader.reader_key, ctx.RequestParam("URLTag")) != 0) {
    return refuse();
  }

  std::vector<Mfn> list = FoundRecords(ctx);
  const std::string scan = ctx.RequestParam("S21SCAN");
  if (!scan.empty()) ScanFilter(ctx, paths, scan, &list);
  if (list.empty()) return NothingFound(ctx);
  // Sorting comes before the range, as on the result pages, so that consecutive ranges of one
  // sorted export neither repeat nor skip records.
  const std::string srw = ctx.RequestParam("S21SRW");
  if (!srw.empty() && IsSafeRelativeName(srw) &&
      ctx.server_ini.ReadInteger("WEB", "MAX_SORT_COUNT", 1000) >
          static_cast<long long>(list.size())) {
    SortRequest sort;
    sort.spec_path = paths.parameter + "\\" + srw + ".srw";
    sort.deposit = ctx.deposit_path;
    sort.deposit_priority = ctx.deposit_priority;
    sort.dbname = ctx.engine_database;
    sort.ascending = ctx.RequestParam("S21SRD", "UP") == "UP";
    for (const LogField& f : ctx.log_fields) sort.record_fields.emplace_back(f.tag, f.value);
    SortOutcome sorted = SortResultList(e, ctx.space1, list, sort);
    if (sorted.sorted) list = std::move(sorted.mfns);
  }

  const PageBounds range =
      ComputePageBounds(list.size(), ctx.RequestParam("S21STN", "1"),
                        ctx.RequestParam("S21CNR", "20"), ctx.max_format_in_packet);
  const std::string fmt = ctx.RequestParam("EXP21FMT", "TEXT");
  ctx.export_format = fmt == "TEXT" ? 0 : 1;
  const ExportCodePage code_page = ParseExportCodePage(ctx.RequestParam("EXP21CODE", "UTF-8"));

  const std::string fst = UpperUtf8(
      ctx.RequestParam("EXP21FST", ctx.server_ini.ReadString("MAIN", "DEFAULT_EXPORT_FST")));
  bool marc_mode = false;
  std::vector<FieldSelectionEntry> table;
  if (!fst.empty()) {
    const std::string marker = UpperUtf8(ctx.prmarcformat);
    marc_mode = !marker.empty() && fst.find(marker) != std::string::npos;
    if (IsSafeRelativeName(fst)) {
      if (std::optional<std::string> text = ReadFileBytes(paths.parameter + "\\" + fst + ".fst")) {
        table = ParseFieldSelection(*text);
      }
    }
  }

  ExportWriter writer(code_page, marc_mode, ctx.export_format == 1);
  std::string out;
  long long written = 0;
  long long left_out = 0;
  for (long long i = range.first; i <= range.last; ++i) {
    if (!ReadOk(e.ZarixRecord(ctx.space1, kSourceShelf, static_cast<int>(list[i])))) continue;
    std::vector<ExportField> fields = table.empty() ? ShelfFields(e, ctx.space1, kSourceShelf)
                                                    : SelectFields(e, ctx.space1, table);
    if (writer.Append(fields, &out) == ExportWriter::kWritten) {
      ++written;
    } else {
      ++left_out;
    }
  }
  ctx.response.AddCustomHeader("X-Export-Records", std::to_string(written));
  ctx.response.AddCustomHeader("X-Export-Left-Out", std::to_string(left_out));
  ctx.response.AddCustomHeader("X-Export-Lost-Characters",
                               std::to_string(writer.lost_characters()));
  if (left_out > 0) ctx.trace.Add("EXPORT left out " + std::to_string(left_out));
  // On the page the export is text for the browser: record data never becomes markup there.
  ctx.page_text += ctx.command == '4' ? HtmlEscape(out) : out;
  switch (code_page) {
    case ExportCodePage::kDos:
      ctx.export_char_set = OemCodePage();
      break;
    case ExportCodePage::kWin:
      ctx.export_char_set = AnsiCodePage();
      break;
    case ExportCodePage::kUtf8:
      ctx.export_char_set = "UTF-8";
      break;
  }
}

}  // namespace zarix
