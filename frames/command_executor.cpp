// Command execution: the record display of F and S, and the common ending.
#include "frames/command_executor.h"

#include <algorithm>

#include "engine/engine_api.h"
#include "files/binary_resource.h"
#include "frames/frame_text.h"
#include "frames/message_page.h"
#include "processor/request_context.h"
#include "records/orders.h"
#include "records/record_update.h"
#include "search/dictionary_browsing.h"
#include "search/engine_term_index.h"
#include "search/result_sorting.h"
#include "util/html_escape.h"
#include "util/whole_number.h"

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

const ColorTermsSettings& ColorTermsFor(RequestContext& ctx, PageState& page) {
  if (page.color_terms) return *page.color_terms;
  ColorTermsSettings& s = page.color_terms.emplace();
  s.enabled = ctx.RequestParam("S21COLORTERMS", "1") != "0";
  s.cgi_path = ctx.server_ini.ReadString("WEB", "CGI_ALIAS", s.cgi_path);
  s.http_path = ctx.server_ini.ReadString("WEB", "http_path", s.http_path);
  s.style.prefix = ctx.extpref;
  s.style.suffix = ctx.extpost;
  s.style.min_color_count = ctx.min_color_count;
  if (!s.enabled) return s;
  WordFormSource source;
  source.tables = ctx.word_tables.get();
  std::optional<EngineTermIndex> morph_index;
  std::optional<EngineRecordSource> morph_records;
  if (ctx.morphology && ctx.morph_space != 0) {
    source.morph_index = &morph_index.emplace(*ctx.engine, ctx.morph_space);
    source.morph_records = &morph_records.emplace(*ctx.engine, ctx.morph_space);
  }
  s.forms = BuildMarkList(ctx.full_text.request, ctx.highlight_terms, ctx.min_color_count, source);
  return s;
}

void FinishResultEntry(RequestContext& ctx, PageState& page, std::string* text, Mfn mfn,
                       long long index) {
  const ColorTermsSettings& settings = ColorTermsFor(ctx, page);
  const bool trace = ctx.trace.enabled();
  if (trace) ctx.trace.Add("START COLOR TERMS");
  ColorTerms(text, mfn, index, settings);
  if (trace) ctx.trace.Add("END COLOR TERMS");
}

namespace {

// Databases whose sorted pages are printed with group headers by the sort itself.
bool PrintsSortedPages(std::string_view database) {
  for (std::string_view part : {"_TBDISC", "_TBSPEC", "_TBLIST", "_KO"}) {
    if (database.find(part) != std::string_view::npos) return true;
  }
  return false;
}

// S21SRW: sorts the result list (when it has fewer entries than [WEB] MAX_SORT_COUNT), or for
// the header-printing databases sorts and prints the page. Returns true when the page was
// printed here.
bool SortFoundRecords(RequestContext& ctx, PageState& page, const std::string& format,
                      const std::string& srw, std::string* output) {
  const long long max_sort = ctx.server_ini.ReadInteger("WEB", "MAX_SORT_COUNT", 1000);
  if (max_sort <= static_cast<long long>(page.results.size())) return false;
  const bool print = PrintsSortedPages(ctx.database) &&
                     ctx.server_ini.ReadBool("WEB", "SORT_HEADERS_PRINT", false);
  ctx.trace.Add("START ZARIX_SORT");
  if (!IsSafeRelativeName(srw)) {
    *output += "<br>ERROR SORTING<br>";
    ctx.trace.Add("END ZARIX_SORT");
    return print;
  }
  SortRequest r;
  r.spec_path = page.database_folder + "\\" + srw + ".srw";
  r.deposit = ctx.deposit_path;
  r.deposit_priority = ctx.deposit_priority;
  r.dbname = ctx.engine_database;
  r.ascending = ctx.RequestParam("S21SRD", "UP") == "UP";
  for (const LogField& f : ctx.log_fields) r.record_fields.emplace_back(f.tag, f.value);
  if (print) {
    r.print = true;
    r.display_format = format;
    r.first = page.first;
    r.last = page.last;
    r.print_all = (ParseWholeNumber(ctx.RequestParam("SORT_HEADERS_PRINT_AS_TABLE", "0"), 0, 0,
                                    0x7fffffffLL) &
                   0xFF) != 0;
    r.finish_entry = [&ctx, &page](std::string* text, Mfn mfn, long long index) {
      FinishResultEntry(ctx, page, text, mfn, index);
    };
  }
  SortOutcome outcome = SortResultList(*ctx.engine, ctx.space1, page.results, r);
  if (outcome.sorted) page.results = std::move(outcome.mfns);
  *output += outcome.text;
  ctx.trace.Add("END ZARIX_SORT");
  return print;
}

}  // namespace

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
  const std::string srw = ctx.RequestParam("S21SRW");
  if (!srw.empty() && SortFoundRecords(ctx, page, format, srw, output)) return;
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
    FinishResultEntry(ctx, page, &text, mfn, i);
    *output += text;
  }
}

namespace {

constexpr size_t kMessageNoReader = 7;

// T: a page of the dictionary. Reads T21PRF, T21TRM, T21CNR (bounded by MAX_FORMAT_IN_PACKET),
// [MAIN] SHOW_PREVTERM, [PARAMETRS] DictTermTag and DictNDocsTag, DICT_FORMAT of the database's
// section; after a search only terms of found records are shown (none when nothing was found).
// The last term shown goes into the request-log fields, from which the frames build the link to
// the next page.
void DictionaryBranch(RequestContext& ctx, PageState& page, std::string* output) {
  ctx.trace.Add("START ZARIX_DICTIONRY");
  DictionaryRequest r;
  r.term_tag = static_cast<int>(ctx.server_ini.ReadInteger("PARAMETRS", "DictTermTag", 0));
  r.ndocs_tag = static_cast<int>(ctx.server_ini.ReadInteger("PARAMETRS", "DictNDocsTag", 0));
  const std::string format = ctx.server_ini.ReadString(ctx.database, "DICT_FORMAT", "web_dict");
  if (IsSafeRelativeName(format)) r.line_format = "@" + page.database_folder + "\\" + format;
  r.page_size = std::min(ParseWholeNumber(ctx.RequestParam("T21CNR", "20"), 20, 0, 0x7fffffffLL),
                         ctx.max_format_in_packet);
  r.prefix = ctx.RequestParam("T21PRF", "K=");
  r.start_term = ctx.RequestParam("T21TRM", " ");
  r.show_prevterm = ctx.server_ini.ReadBool("MAIN", "SHOW_PREVTERM", false);
  std::vector<Mfn> sorted;
  if (page.searched) {
    sorted = page.results;
    std::sort(sorted.begin(), sorted.end());
    r.results = &sorted;
  }
  DictionaryPage result = BrowseDictionary(*ctx.engine, ctx.space1, r);
  *output += result.text;
  if (r.term_tag > 0 && result.walked && !result.last_term.empty()) {
    ctx.log_fields.push_back({result.last_term, r.term_tag});
  }
  ctx.trace.Add("END ZARIX_DICTIONRY");
}

// Import and record update need a reader: without one, R answers with message 7 and I with
// "-402" (its answer is a bare number, not a page).
void RecordUpdateBranch(RequestContext& ctx, PageState& page, std::string* output) {
  if (ctx.command == 'I') {
    ImportIsoRecord(ctx, &ctx.page_text);
    return;
  }
  if (ctx.reader.reader_key.empty()) {
    *output += BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNoReader));
    return;
  }
  UpdateRecords(ctx, page);
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
    case 'T':
      return DictionaryBranch;
    case 'Z':
      return PlaceOrder;
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
