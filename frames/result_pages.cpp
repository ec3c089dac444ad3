// The result page of the frame-driven commands.
#include "frames/result_pages.h"

#include <algorithm>
#include <memory>

#include "engine/engine_api.h"
#include "frames/frame_processor.h"
#include "frames/frame_text.h"
#include "frames/message_page.h"
#include "processor/request_context.h"
#include "processor/server_config.h"
#include "search/engine_term_index.h"
#include "search/search_evaluation.h"
#include "util/html_escape.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

// Numbers of the request that name MFNs, positions and counts: an int, else the default.
constexpr long long kMaxInt = 2147483647;

constexpr size_t kMessageNoReader = 7;
constexpr size_t kMessageNoDatabase = 11;
constexpr int kReadNotIndexed = -602;


// Record deletion on request: the withdrawal of an order. Honoured only for an order page of
// an identified reader and only for a record that is an order of that reader (its reader field,
// [Request] RQSTTAGREADER, holds the reader's identifier), so that no request can delete
// catalogue records or other readers' orders.
void DeleteRequestedRecord(RequestContext& ctx) {
  const long long mfn = ParseWholeNumber(ctx.RequestParam("RQST21MFN"), 0, -kMaxInt, kMaxInt);
  if (mfn <= 0 || ctx.command != 'Z' || ctx.reader.reader_key.empty()) return;
  EngineApi& e = *ctx.engine;
  const int rc = e.ZarixRecord(ctx.space1, 0, static_cast<int>(mfn));
  if (rc != 0 && rc != kReadNotIndexed) return;
  const int reader_tag =
      static_cast<int>(ctx.server_ini.ReadInteger("Request", "RQSTTAGREADER", 30));
  const int field = e.Zarixfieldn(ctx.space1, 0, reader_tag, 1);
  if (field <= 0 || e.Zarixfield(ctx.space1, 0, field) != ctx.reader.reader_id) return;
  e.Zarixrecdel(ctx.space1, 0);
  e.ZarixRecUpdateTime(ctx.space1, 0, 0, 1, 0);
}

}  // namespace

bool OpenDatabase(RequestContext& ctx, PageState& page) {
  EngineApi& e = *ctx.engine;
  DatabasePathSet paths;
  if (ctx.engine_database.empty() || !IsSafeRelativeName(ctx.engine_database)) return false;
  if (DatabasePaths(ctx.server_ini, ctx.engine_database, ctx.datapath, &paths) != 0) return false;
  page.database_folder = paths.parameter;
  if (e.Zarixinitmst(ctx.space1, paths.master + ctx.engine_database, 5) != 0) return false;
  if (e.Zarixinitterm(ctx.space1, paths.inverted + ctx.engine_database) != 0) return false;
  e.ZarixInitInvContext(ctx.space1, paths.parameter, "", 0, ctx.actabpath, "");
  return true;
}

std::vector<Mfn> FindRecords(RequestContext& ctx, std::string_view expression) {
  EngineApi& e = *ctx.engine;
  EngineTermIndex index(e, ctx.space1);
  std::unique_ptr<EngineTermIndex> morph_index;
  std::unique_ptr<EngineRecordSource> morph_records;
  SearchEnv env;
  env.index = &index;
  env.database = ctx.engine_database;
  if (ctx.morphology && ctx.morph_space != 0) {
    morph_index = std::make_unique<EngineTermIndex>(e, ctx.morph_space);
    morph_records = std::make_unique<EngineRecordSource>(e, ctx.morph_space);
    env.morph_index = morph_index.get();
    env.morph_records = morph_records.get();
  }
  TIntList found;
  std::string error;
  if (RunSearch(env, expression, &found, ctx.up_down_search_result != 0, &error) != 0) {
    ctx.trace.Add("SEARCH ERROR " + error);
  }
  return std::vector<Mfn>(found.Items().begin(), found.Items().end());
}

namespace {

// S21SCAN: a format run on every record; the records it answers "1" for stay.
void SequentialFilter(RequestContext& ctx, const PageState& page, const std::string& name,
                      std::vector<Mfn>* results) {
  EngineApi& e = *ctx.engine;
  const int space = ctx.space1;
  if (!IsSafeRelativeName(name) ||
      e.Zarix_InitPFT(space, "@" + page.database_folder + "\\" + name) != 0) {
    results->clear();
    return;
  }
  std::vector<Mfn> kept;
  for (Mfn mfn : *results) {
    const int rc = e.ZarixRecord(space, 0, static_cast<int>(mfn));
    if (rc != 0 && rc != kReadNotIndexed) continue;
    for (const LogField& f : ctx.log_fields) e.Zarixfldadd(space, 0, f.tag, f.value);
    if (e.Zarix_Format(space, 0, 1, 2, 32000) < 0) continue;
    if (FilterKeeps(e.Zarix_FormatResult(space))) kept.push_back(mfn);
  }
  results->swap(kept);
}

void AddCounts(RequestContext& ctx, PageState& page) {
  page.placeholders.emplace_back("<--TOTALRECS-->", static_cast<long long>(page.results.size()));
  page.placeholders.emplace_back("<--BEGINRECS-->", page.first + 1);
  page.placeholders.emplace_back("<--ENDRECS-->", page.last + 1);
  const long long tag = ctx.server_ini.ReadInteger("PARAMETRS", "SearchResultTag", 0);
  if (tag > 0) {
    ctx.log_fields.push_back({std::to_string(page.results.size()), static_cast<int>(tag)});
  }
  const long long cells_tag = ctx.server_ini.ReadInteger("PARAMETRS", "SearchResultCells", 0);
  if (cells_tag > 0) {
    for (std::string& value : ResultCellValues(page.result_cells)) {
      ctx.log_fields.push_back({std::move(value), static_cast<int>(cells_tag)});
    }
  }
}

// The working record before the frames: the request-log fields, then the reader's record.
void PrepareFrameRecord(RequestContext& ctx) {
  EngineApi& e = *ctx.engine;
  const int space = ctx.space1;
  e.Zarixnewrec(space, 0);
  for (const LogField& f : ctx.log_fields) e.Zarixfldadd(space, 0, f.tag, f.value);
  AddReaderRecord(ctx);
}

void WalkFrames(RequestContext& ctx, PageState& page) {
  const std::string default_frames = DefaultFramesDir(ctx.server_ini, ctx.database);
  const bool trace = ctx.trace.enabled();
  for (size_t k = 1; k < ctx.frame_list.size(); ++k) {
    const std::string& name = ctx.frame_list[k];
    if (EqualsNoCase(name, "RESULT")) {
      ExecuteCommand(ctx, page, &ctx.page_text);
      FrameLines lines = SplitFrameLines(ctx.page_text);
      ProcessFrame(ctx, page, &lines);
      ctx.page_text = JoinFrameLines(lines);
      continue;
    }
    const std::string dir =
        FindInFolders({ctx.frame_list[0], page.database_folder, default_frames}, name);
    std::optional<FrameLines> lines;
    if (!dir.empty()) lines = ReadFrameFile(dir + name, ctx.frames_char_set);
    if (!lines) {
      // The page names the frame; the folders tried go to the trace, never to the reader.
      ctx.page_text += "<br>FILE NOT EXISTS " + HtmlEscape(name);
      if (trace) ctx.trace.Add("FILE NOT EXISTS " + dir + name);
      continue;
    }
    if (trace) ctx.trace.Add("START EXECUTE COMMANDS");
    ProcessFrame(ctx, page, &*lines);
    if (trace) ctx.trace.Add("END EXECUTE COMMANDS");
    ctx.page_text += JoinFrameLines(*lines);
  }
}

}  // namespace

PageBounds ComputePageBounds(size_t size, std::string_view stn, std::string_view cnr,
                             long long max_in_packet) {
  PageBounds b;
  b.first = ParseWholeNumber(stn, 1, -kMaxInt, kMaxInt) - 1;
  if (b.first < 0) b.first = 0;
  long long count = ParseWholeNumber(cnr, 20, -kMaxInt, kMaxInt);
  if (count > max_in_packet) count = max_in_packet;
  if (count < 0) count = 0;
  b.last = b.first + count - 1;
  if (b.last > static_cast<long long>(size) - 1) b.last = static_cast<long long>(size) - 1;
  return b;
}

bool ApplySelection(std::string_view sel_type, std::string_view check_index,
                    std::vector<Mfn>* results, PageBounds* bounds) {
  if (sel_type.empty()) sel_type = "1";
  if (sel_type != "2" && sel_type != "3") return false;
  std::vector<std::string> selection;
  if (!check_index.empty()) {
    size_t start = 0;
    for (;;) {
      size_t comma = check_index.find(',', start);
      selection.emplace_back(check_index.substr(start, comma - start));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    std::sort(selection.begin(), selection.end());
  }
  if (sel_type == "2") {
    results->clear();
    for (const std::string& s : selection) {
      const long long v = ParseWholeNumber(s, 0, -kMaxInt, kMaxInt);
      if (v > 0) results->push_back(static_cast<Mfn>(v));
    }
    std::sort(results->begin(), results->end());
    bounds->first = 0;
    bounds->last = static_cast<long long>(results->size()) - 1;
    return true;
  }
  std::erase_if(*results, [&](Mfn mfn) {
    return std::binary_search(selection.begin(), selection.end(), std::to_string(mfn));
  });
  if (bounds->last > static_cast<long long>(results->size()) - 1) {
    bounds->last = static_cast<long long>(results->size()) - 1;
  }
  return false;
}

std::vector<std::string> ResultCellValues(const std::vector<ResultCell>& cells) {
  std::vector<std::string> values;
  for (const ResultCell& cell : cells) {
    const size_t eq = cell.line.find('=');
    const std::string name = eq == std::string::npos ? std::string() : cell.line.substr(0, eq);
    const std::string text = eq == std::string::npos ? cell.line : cell.line.substr(eq + 1);
    values.push_back("^a" + text + "^b" + name + "^c" + std::to_string(cell.count));
  }
  return values;
}

bool FilterKeeps(std::string_view output) {
  if (output == "1") return true;
  if (output.size() < 2) return false;
  return output.substr(0, output.size() - 1).find_first_not_of('1') == std::string_view::npos;
}

void ShowResultPage(RequestContext& ctx) {
  PageState page;
  if (ctx.command == 'Z' && ctx.reader.reader_key.empty()) {
    ctx.page_text = BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNoReader));
    return;
  }
  if (!OpenDatabase(ctx, page)) {
    ctx.page_text = BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNoDatabase));
    return;
  }
  EngineApi& e = *ctx.engine;

  const bool full_text = !ctx.full_text.request.empty() || ctx.full_text.near_mfn > 0;
  if (!ctx.search_expression.empty() || ctx.RequestParam("S21SCAN_FULL", "0") != "0" || full_text) {
    DeleteRequestedRecord(ctx);
    page.searched = true;
    if (full_text) {
      // The full-text search builds the list here once it is part of the search.
    } else if (!ctx.search_expression.empty()) {
      page.results = FindRecords(ctx, ctx.search_expression);
    } else {
      const int max_mfn = e.Zarixmaxmfn(ctx.space1);
      for (int mfn = 1; mfn < max_mfn; ++mfn) page.results.push_back(mfn);
    }
    const std::string scan = ctx.RequestParam("S21SCAN");
    if (!scan.empty()) SequentialFilter(ctx, page, scan, &page.results);

    PageBounds b = ComputePageBounds(page.results.size(), ctx.RequestParam("S21STN", "1"),
                                     ctx.RequestParam("S21CNR", "20"), ctx.max_format_in_packet);
    page.first = b.first;
    page.last = b.last;
    AddCounts(ctx, page);
  }

  const long long single = ParseWholeNumber(ctx.RequestParam("Z21MFN"), 0, -kMaxInt, kMaxInt);
  if (single > 0) {
    page.results.push_back(static_cast<Mfn>(single));
    page.first = 0;
    page.last = 0;
    // The counts go in a second time; on a line the first set still wins.
    AddCounts(ctx, page);
  }

  PageBounds bounds{page.first, page.last};
  if (ApplySelection(ctx.RequestParam("SEL_TYPE", "1"), ctx.RequestParam("CHECKINDEX"),
                     &page.results, &bounds) ||
      bounds.last != page.last) {
    page.first = bounds.first;
    page.last = bounds.last;
  }

  PrepareFrameRecord(ctx);
  WalkFrames(ctx, page);
}

}  // namespace zarix
