// Start-up, dispatch and common tail of a request.
#include "processor/request_processor.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "engine/engine_api.h"
#include "frames/message_page.h"
#include "gateway/request_store_fields.h"
#include "gateway/response_assembly.h"
#include "gateway/test_hook.h"
#include "gateway/web_action.h"
#include "processor/dispatch.h"
#include "processor/engine_ini_copy.h"
#include "processor/request_context.h"
#include "processor/request_filter.h"
#include "processor/server_config.h"
#include "records/reader_identification.h"
#include "records/request_log.h"
#include "search/search_expression_builder.h"
#include "search/word_tables.h"
#include "util/code_page.h"
#include "util/path.h"
#include "util/split_lines.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

constexpr std::string_view kNoConfigPage =
    "<HTML><BODY>FILE NOT FOUND SERVER.INI = zarix_server.ini</BODY></HTML>";
constexpr std::string_view kSilencePage =
    "<HTML><BODY>Now there is a updating the Electronic Catalogue. It will borrow some "
    "minutes.</BODY></HTML>";
constexpr std::string_view kNoMessagesLine = "ERROR LOADING WEBMSG LIST";
constexpr size_t kMessageRequestRefused = 19;
constexpr size_t kMessageInternalError = 18;

void TraceLine(RequestContext& ctx, std::string_view label) { ctx.trace.Add(label); }

// Database name, its engine name and the highlight markup (database section first, [WEB] next).
void ReadDatabaseSettings(RequestContext& ctx) {
  ctx.database = ctx.RequestParam("I21DBN");
  ctx.engine_database = ctx.database.empty()
                            ? std::string()
                            : ctx.server_ini.ReadString(ctx.database, "DBNAME", ctx.database);
  if (ctx.engine_database.empty()) ctx.engine_database = ctx.database;
  auto db_or_web = [&](std::string_view key, std::string_view def) {
    std::string v =
        ctx.database.empty() ? std::string() : ctx.server_ini.ReadString(ctx.database, key);
    return v.empty() ? ctx.server_ini.ReadString("WEB", key, def) : v;
  };
  ctx.extpref = db_or_web("EXTPREF", "<b><font color=red>");
  ctx.extpost = db_or_web("EXTPOST", "</font></b>");
  long long min_color =
      ctx.database.empty() ? 0 : ctx.server_ini.ReadInteger(ctx.database, "MIN_COLOR_COUNT", 0);
  ctx.min_color_count =
      min_color != 0 ? min_color : ctx.server_ini.ReadInteger("WEB", "MIN_COLOR_COUNT", 2);
}

void ReadFullTextParams(RequestContext& ctx) {
  FullTextParams& ft = ctx.full_text;
  ft.request = ctx.RequestParam("FT_REQUEST");
  ft.prefix = ctx.RequestParam("FT_PREFIX", "KT=");
  ft.near_mfn = static_cast<int>(ParseWholeNumber(ctx.RequestParam("FT_NEAR_MFN", "0"), 0));
  ft.context = ctx.RequestParam("FT_CONTEXT");
  ft.relation_context =
      static_cast<int>(ctx.server_ini.ReadInteger("FullText", "RelavtionContext", 7));
  const long long relation_text = ctx.server_ini.ReadInteger("FullText", "RelavtionText", 10);
  ft.near_level = static_cast<int>(ParseWholeNumber(
      ctx.RequestParam("FT_NEARLEVEL", std::to_string(relation_text)), relation_text));
  ft.distance = static_cast<int>(ParseWholeNumber(ctx.RequestParam("FT_DISTANCE", "-1"), -1));
}

// Reader identification on space 2: export ("4") and import ("I") also check the client's
// address; the full-text count ("G") identifies nobody.
void IdentifyRequestReader(RequestContext& ctx) {
  if (ctx.command == 'G') return;
  if (ctx.command == '4' || ctx.command == 'I') {
    IdentifyReaderWithAddress(ctx);
  } else {
    IdentifyReader(ctx);
  }
}

// The alphabet and stop words of the request's database, as the engine indexes it: the alphabet
// table ACTABPATH in ZARIXPATH (also with ".tab"), the stop words <parameter path><name>.stw.
// Missing files leave Unicode letters and digits and no stop words.
std::unique_ptr<WordTables> DatabaseWordTables(const RequestContext& ctx) {
  std::array<bool, 256> letters{};
  bool have_alphabet = false;
  if (!ctx.actabpath.empty()) {
    for (const char* ext : {"", ".tab"}) {
      if (std::optional<std::string> t = ReadFileBytes(ctx.zarixpath + ctx.actabpath + ext)) {
        have_alphabet = AlphabetTables::ParseAlphabet(*t, &letters);
        break;
      }
    }
  }
  std::vector<std::string> stop_words;
  DatabasePathSet paths;
  if (!ctx.database.empty() &&
      DatabasePaths(ctx.server_ini, ctx.database, ctx.datapath, &paths) == 0) {
    if (std::optional<std::string> t =
            ReadFileBytes(paths.parameter + ctx.engine_database + ".stw")) {
      stop_words = AlphabetTables::ParseStopWords(*t);
    }
  }
  if (!have_alphabet && stop_words.empty()) return std::make_unique<AlphabetTables>();
  return std::make_unique<AlphabetTables>(letters, stop_words);
}

// The search expression and the highlight terms from the search form.
void BuildSearchExpression(RequestContext& ctx) {
  ctx.word_tables = DatabaseWordTables(ctx);
  RequestStoreFields fields(ctx.web_ini, ctx.server_ini);
  SearchFormContext form;
  form.fields = &fields;
  form.tables = ctx.word_tables.get();
  form.min_color_count = ctx.min_color_count;
  form.morphology = ctx.morphology;
  if (ctx.trace.enabled()) form.trace = [&ctx](std::string_view label) { ctx.trace.Add(label); };
  SearchString result = GetSearchString(form);
  ctx.search_expression = std::move(result.expression);
  ctx.highlight_terms = std::move(result.term_text);
}

// The request-log file entry (`failed` marks a request that ended in an exception) and the
// log-database record.
void WriteRequestLogFile(RequestContext& ctx, bool failed) {
  if (ctx.log_file_name.empty()) return;
  AppendLogLine(ctx, 5, ctx.log_file_name, ctx.log_file_size, failed);
}
void WriteRequestLogRecord(RequestContext& ctx) { WriteLogRecord(ctx, ctx.log_database); }

void OpenMorphology(RequestContext& ctx) {
  std::string ft_morph = ctx.RequestParam("FT_MORPHOLOGY");
  ctx.morphology = !ft_morph.empty() ? ParseWholeNumber(ft_morph, 1) != 0
                                     : ctx.server_ini.ReadBool("FullText", "Morphology", false);
  if (!ctx.morphology) return;
  const std::string name = ctx.server_ini.ReadString("FullText", "MORPH", "MORPH");
  EngineApi& e = *ctx.engine;
  ctx.morph_space = e.Zarixinit();
  DatabasePathSet paths;
  int rc = ctx.morph_space == 0 ? -1 : DatabasePaths(ctx.server_ini, name, ctx.datapath, &paths);
  if (rc == 0) rc = e.Zarixinitmst(ctx.morph_space, paths.master + "\\" + name, 5);
  if (rc == 0) rc = e.Zarixinitterm(ctx.morph_space, paths.inverted + "\\" + name);
  if (rc != 0) {
    ctx.morphology = false;
    if (ctx.morph_space != 0) e.Zarixclose(ctx.morph_space);
    ctx.morph_space = 0;
  }
}

void CloseSpaces(RequestContext& ctx) {
  if (!ctx.engine) return;
  if (ctx.search_in_full_text && ctx.full_text_space != 0) ctx.space1 = ctx.full_text_space;
  if (ctx.space1) ctx.engine->Zarixclose(ctx.space1);
  if (ctx.space2) ctx.engine->Zarixclose(ctx.space2);
  if (ctx.morphology && ctx.morph_space) ctx.engine->Zarixclose(ctx.morph_space);
  ctx.space1 = ctx.space2 = ctx.morph_space = ctx.full_text_space = 0;
}

// Start-up steps after the configuration is read; false when the request ends before dispatch
// (refused by the filter, or no engine).
bool StartUp(RequestContext& ctx) {
  const std::string messages_path = ctx.cgi_path + "\\" + "WebMsg.txt";
  if (std::optional<std::string> text = ReadFileBytes(messages_path)) {
    ctx.messages = SplitLines(*text);
  }
  if (ctx.messages.empty()) ctx.messages.assign(100, std::string(kNoMessagesLine));

  ctx.frames_char_set = ctx.server_ini.ReadString("WEB", "FRAMES_CHAR_SET", "UTF-8");
  ctx.query_char_set = ctx.server_ini.ReadString("WEB", "QUERY_CHAR_SET", "UTF-8");

  ParseQueryString(ctx.web_ini, ctx.query_char_set, ctx.specsimvols);
  if (ctx.trace.enabled()) {
    TraceLine(ctx, "Query read");
    TraceLine(ctx, ctx.web_ini.ReadString(kCgiSection, kQueryStringKey));
    TraceLine(ctx, "Form Literal");
    for (const std::string& line : ctx.web_ini.SectionLines(kFormSection)) TraceLine(ctx, line);
  }

  ReadDatabaseSettings(ctx);
  ctx.p21dbn = ctx.RequestParam("P21DBN");
  ctx.command = GetCommandChar(ctx.web_ini, ctx.server_ini);

  EngineApi& e = *ctx.engine;
  ctx.datapath = ctx.server_ini.ReadString("MAIN", "DATAPATH", ctx.cgi_path);
  ctx.zarixpath = ctx.server_ini.ReadString("MAIN", "ZARIXPATH", ctx.cgi_path);
  ctx.uctabpath = ctx.server_ini.ReadString("MAIN", "UCTABPATH");
  ctx.actabpath = ctx.server_ini.ReadString("MAIN", "ACTABPATH", "isisacw");
  e.zarix_uatab_init(ctx.uctabpath, "", ctx.actabpath, ctx.zarixpath, ctx.datapath);
  TraceLine(ctx, "zarix_init");

  ctx.auto_in_file = ctx.server_ini.ReadString("MAIN", "AutoInFile", "autoin.gbl");
  ctx.prmarcformat = ctx.server_ini.ReadString("MAIN", "PRMARCFORMAT", "MARC");
  ctx.export_format = 1;
  ctx.rdr_name = ctx.RequestParam("RdrName", ctx.server_ini.ReadString("Reader", "RdrName", "RDR"));
  ctx.rdr_pref_reader = ctx.RequestParam(
      "RdrPrefReader", ctx.server_ini.ReadString("Reader", "RdrPrefReader", "RI="));
  ctx.log_file_name =
      ctx.server_ini.ReadString("MAIN", "LogFileName", ctx.cgi_path + "cgizarix_64.log");
  ctx.log_file_size = ctx.server_ini.ReadInteger("MAIN", "LogFileSize", 10000000);
  ctx.log_database = ctx.server_ini.ReadString("MAIN", "LogDateBase", "LOGDB");

  ctx.deposit_path = DepositPathFor(ctx.server_ini, ctx.database, ctx.datapath);
  e.zarix_init_DepositPath(ctx.deposit_path);
  e.zarix_set_options(1, 0, 0);

  // The engine is handed the configuration as a file of its own; the store is reloaded from that
  // copy so that both see the same text. The copy holds the whole configuration (passwords
  // among it): it is made in the system's temporary folder, never in a folder the web server
  // may serve, and removed as soon as the engine has taken it, so even a request that crashes
  // later leaves nothing behind.
  const std::string copy = CreateEngineIniCopy(SystemTempDir(), ctx.server_ini.ToText());
  if (!copy.empty()) {
    if (std::optional<std::string> text = ReadFileBytes(copy)) ctx.server_ini.LoadText(*text);
    e.zarix_MainIni_Init(copy);
    DeleteCurrentEngineIniCopy();
  } else {
    // No copy (the program folder is not writable): the engine reads the configuration itself.
    e.zarix_MainIni_Init(ctx.server_ini_path);
  }

  ctx.deposit_priority = ctx.server_ini.ReadInteger("MAIN", "DepositPriority", 0);
  ctx.max_format_in_packet = ctx.server_ini.ReadInteger("MAIN", "MAX_FORMAT_IN_PACKET", 1000);

  ctx.cgiflc = ctx.server_ini.ReadString("MAIN", "CGIflc");
  if (!ctx.cgiflc.empty()) {
    size_t dot = ctx.cgiflc.find_last_of('.');
    size_t sep = ctx.cgiflc.find_last_of("\\/");
    if (dot == std::string::npos || (sep != std::string::npos && sep > dot)) ctx.cgiflc += ".pft";
    if (!FileExists(ctx.cgiflc)) ctx.cgiflc.clear();
  }

  ctx.space1 = e.Zarixinit();
  if (ctx.space1) e.ZarixInitUACTAB(ctx.space1);
  ctx.space2 = e.Zarixinit();
  TraceLine(ctx, "ZarixInit()");

  ctx.use_cash_terms = ctx.server_ini.ReadBool("MAIN", "USE_CASH_TERMS", false);
  ctx.up_down_search_result = ctx.server_ini.ReadInteger("MAIN", "UpDownSearchResult", 0);
  ctx.search_in_full_text = ParseWholeNumber(ctx.RequestParam("SEARCH_IN_FULL_TEXT", "0"), 0) != 0;

  if (ctx.command == 'G') ctx.cgiflc.clear();
  IdentifyRequestReader(ctx);
  TraceLine(ctx, std::string("Authorization: Server_Command=") + ctx.command);

  OpenMorphology(ctx);

  const std::string kept_terms = ctx.RequestParam("S21AllTrm");
  BuildSearchExpression(ctx);
  if (ctx.highlight_terms.empty() && !kept_terms.empty()) {
    ctx.SetRequestParam("S21AllTrm", kept_terms);
  }
  TraceLine(ctx, "GetSearchString = " + ctx.search_expression);

  ReadFullTextParams(ctx);
  ReadDatabaseSettings(ctx);

  const LogReaderIdentity reader{ctx.reader.reader_id, ctx.reader.reader_guest_id};
  if (ctx.command != 'G') {
    InitFrameList(ctx.server_ini, ctx.web_ini, ctx.database, ctx.command, reader, &ctx.frame_list,
                  &ctx.log_fields);
  }
  TraceLine(ctx, "InitFrameList");

  const bool passed = RequestFilter(ctx);
  TraceLine(ctx, "CGI_flc()");
  if (!passed) {
    ctx.page_text =
        BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageRequestRefused));
    return false;
  }

  // On the wire a double quote of the expression is written "<.>".
  const std::string wire = ctx.RequestParam("S21All");
  std::string expression;
  for (size_t i = 0; i < wire.size(); ++i) {
    if (wire.compare(i, 3, "<.>") == 0) {
      expression.push_back('"');
      i += 2;
    } else {
      expression.push_back(wire[i]);
    }
  }
  ctx.search_expression = expression;

  ReadFullTextParams(ctx);

  if (ctx.RequestParam("I21DBN") != ctx.database) {
    ReadDatabaseSettings(ctx);
    ctx.deposit_path = DepositPathFor(ctx.server_ini, ctx.database, ctx.datapath);
    e.zarix_init_DepositPath(ctx.deposit_path);
  }
  ctx.command = GetCommandChar(ctx.web_ini, ctx.server_ini);
  if (ctx.command != 'G') {
    InitFrameList(ctx.server_ini, ctx.web_ini, ctx.database, ctx.command, reader, &ctx.frame_list,
                  &ctx.log_fields);
  }
  TraceLine(ctx, "InitFrameList 2");
  return ctx.space1 != 0;
}

void SaveTrace(RequestContext& ctx) { ctx.trace.Save(ctx.cgi_path + "\\" + ErrorTraceFileName()); }

void AssembleFromContext(RequestContext& ctx) {
  ResponseSource src;
  src.command = ctx.command;
  src.page_text = ctx.page_text;
  src.export_extension = ctx.export_format == 0 ? "txt" : "iso";
  src.served_file_name = ctx.served_file_name;
  src.export_char_set = ctx.export_char_set;
  src.database = ctx.database;
  src.frames_char_set = ctx.frames_char_set;
  src.image_file_page = ParseWholeNumber(ctx.RequestParam("IMAGE_FILE_PAGE", "0"), 0);
  AssembleResponse(ctx.server_ini, src, ctx.response);
}

}  // namespace

void RequestProcessor(IniStore& web_ini, const CgiRequest& request, CgiResponse& response,
                      DebugTrace& trace) {
  RequestContext ctx(web_ini, request, response, trace);
  std::optional<IniStore> loaded = LoadServerIni(&ctx.server_ini_path);
  if (!loaded) {
    // The gateway found it a moment ago: gone since, which is the site's fault, not the client's.
    response.SetPage(kNoConfigPage, "text/html; charset=UTF-8");
    response.status = 500;
    return;
  }
  ctx.server_ini = std::move(*loaded);
  ctx.cgi_path = ctx.server_ini.ReadString("WEB", "CGIPATH");

  if (ctx.server_ini.ReadBool("MAIN", "Silence", false)) {
    std::optional<std::string> page = ReadFileBytes(ctx.cgi_path + "\\Silence.html");
    response.SetPage(page ? *page : std::string(kSilencePage), "text/html; charset=UTF-8");
    return;
  }

  ctx.specsimvols = ctx.server_ini.ReadBool("MAIN", "SPECSIMVOLS", true);
  trace.set_enabled(ctx.server_ini.ReadBool("MAIN", "DEBUG", false));
  try {
    TraceLine(ctx, "START");
    TraceLine(ctx, "Server ini read");
    SetAnsiCodePage(ctx.server_ini.ReadString("MAIN", "ANSI_CODEPAGE"));
    SetOemCodePage(ctx.server_ini.ReadString("MAIN", "OEM_CODEPAGE"));
    ctx.engine = &EngineApi::Get();

    if (StartUp(ctx)) {
      TraceLine(ctx, std::string("START Server Command=") + ctx.command);
      RunTestHook("dispatch", ctx.web_ini);
      FindCommandHandler(ctx.command)(ctx);
      TraceLine(ctx, std::string("END Server Command=") + ctx.command);
      WriteRequestLogFile(ctx, false);
      if (ctx.command != 'G' && ctx.command != '3') WriteRequestLogRecord(ctx);
    }
    CloseSpaces(ctx);
    AssembleFromContext(ctx);
    if (trace.enabled()) SaveTrace(ctx);
    DeleteCurrentEngineIniCopy();
  } catch (...) {
    try {
      WriteRequestLogFile(ctx, true);
    } catch (...) {
    }
    response = CgiResponse();
    response.SetPage(
        BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageInternalError)),
        "text/html; charset=UTF-8");
    TraceLine(ctx, "ERROR!");
    SaveTrace(ctx);
    try {
      CloseSpaces(ctx);
    } catch (...) {
    }
    DeleteCurrentEngineIniCopy();
  }
}

}  // namespace zarix
