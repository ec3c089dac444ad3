// Request logging and export, measured through the real gateway.
//
//   log: the added cost of logging per request: the same trivial request (unknown command,
//        its page from Error.html) with no logging, with the request-log file, and with the log
//        file and the log database; medians of interleaved runs.
//   export: 10,000 records (the MARC 21 sample records repeated with new control numbers)
//        exported as ISO 2709 in one "E" request; records per second of the whole request.
//
// Usage: log_export_bench [runs]   (programs from the build tree; ZARIX_SOURCE_DIR for data/).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "engine/engine_api.h"
#include "gateway/request_store.h"
#include "processor/export.h"
#include "processor/request_context.h"
#include "tests/cgi_runner.h"
#include "tests/pages_fixture.h"

using namespace zarix::testing;
using zarix::bench::Env;
using zarix::bench::Percentile;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

bool Sh(const std::string& cmd) { return std::system(cmd.c_str()) == 0; }

// The export handler run in this process on the same database, for builds whose gateway does not
// identify readers yet: the figure then leaves out process start, configuration and response.
int InProcessExport(const std::string& library, const std::string& data) {
  std::unique_ptr<zarix::EngineApi> engine = zarix::EngineApi::Load(library);
  if (!engine->status().ok()) return 1;
  std::vector<double> ms;
  size_t bytes = 0;
  for (int i = 0; i < 4; ++i) {
    zarix::IniStore web_ini;
    web_ini.WriteString(zarix::kFormSection, "S21CNR", "10000");
    web_ini.WriteString(zarix::kFormSection, "EXP21FMT", "ISO");
    zarix::CgiRequest request;
    zarix::CgiResponse response;
    zarix::DebugTrace trace;
    zarix::RequestContext ctx(web_ini, request, response, trace);
    ctx.engine = engine.get();
    ctx.server_ini.LoadText("[MAIN]\nDATAPATH=" + data + "\n");
    ctx.datapath = data;
    ctx.actabpath = "isisacw";
    ctx.prmarcformat = "MARC";
    ctx.max_format_in_packet = 10000;
    ctx.database = ctx.engine_database = "BOOKS";
    ctx.command = 'E';
    ctx.reader.reader_key = std::string(1, '1');
    ctx.reader.reader_id = ctx.reader.reader_key;
    ctx.search_expression = "K=$";
    ctx.space1 = engine->Zarixinit();
    const auto start = std::chrono::steady_clock::now();
    zarix::ExportRecords(ctx);
    const double t =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    engine->Zarixclose(ctx.space1);
    if (i > 0) ms.push_back(t);
    bytes = ctx.page_text.size();
  }
  const double med = Median(ms);
  printf(
      "Export of 10,000 records as ISO 2709, handler in process (3 runs): median %.0f ms, "
      "%.0f records/s, %.1f MB\n",
      med, 10000 / (med / 1000), bytes / 1e6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 200;
  const std::string build = Env("ZARIX_BINARY_DIR", ZARIX_BUILD_DIR);
  const std::string source = Env("ZARIX_SOURCE_DIR", ZARIX_SOURCE);
  const std::string cgi = build + "/gateway/cgizarix64";
  const std::string engine = build + "/zarix64/libzarix64.so";
  const std::string admin = build + "/zarix64/zarix-admin";

  // ---- Logging ----
  FixtureSite site(cgi, engine);
  site.WriteFile("cgi/Error.html", "<p>unknown command</p>");
  site.WriteFile("cgi/WebMsg.txt", "message 0\r\n");
  const std::string data = site.root() + "data/";
  if (!Sh("mkdir -p " + data + " && " + admin + " create " + data + " LOGDB --log >/dev/null")) {
    return 1;
  }
  const std::string parametrs =
      "[PARAMETRS]\nPARCOUNT=3\nPARNAME1=S21All\nPARTAG1=1\nPARNAME2=C21COM\nPARTAG2=2\n"
      "PARNAME3=I21DBN\nPARTAG3=3\n";
  const std::string lock = "LOCKPATH=" + site.root() + "tmp/\n";
  struct Variant {
    const char* name;
    std::string config;
    std::vector<double> ms;
  } variants[] = {
      {"no logging", "[MAIN]\nLogFileName=\nLogDateBase=\n" + lock, {}},
      {"request-log file",
       "[MAIN]\nLogFileName=" + site.root() + "requests.log\nLogDateBase=\n" + lock,
       {}},
      {"request-log file and log database",
       "[MAIN]\nDATAPATH=" + data + "\nLogFileName=" + site.root() +
           "requests.log\nLogDateBase=LOGDB\n" + lock,
       {}},
  };
  const std::string query = "C21COM=Q&I21DBN=BOOKS&S21All=K=HISTORY";
  for (int i = 0; i < runs + 5; ++i) {
    for (Variant& v : variants) {
      site.WriteConfig(v.config + parametrs);
      CgiResult r = RunCgi(site.Get(query));
      if (!r.exited || r.body.find("unknown command") == std::string::npos) {
        fprintf(stderr, "%s: failed run\n", v.name);
        return 1;
      }
      if (i >= 5) v.ms.push_back(r.seconds * 1000);
    }
  }
  printf("Added cost of logging per request (%d runs each, interleaved, median wall time)\n", runs);
  const double base = Median(variants[0].ms);
  for (const Variant& v : variants) {
    printf("  %-36s %7.2f ms  (+%.2f ms)\n", v.name, Median(v.ms), Median(v.ms) - base);
  }

  // ---- Export ----
  const std::string sample_text = ReadAll(source + "/data/marc21-real-utf8.mrc");
  std::vector<IsoRec> records = RepeatRecords(ParseIsoFile(sample_text), 43);
  records.resize(10000);
  std::string iso;
  for (const IsoRec& r : records) iso += WriteIsoRecord(r);
  site.WriteFile("data/BOOKS.iso", iso);
  if (!Sh(admin + " create " + data + " BOOKS >/dev/null && " + admin + " import BOOKS " + data +
          "BOOKS.iso --datapath " + data + " >/dev/null")) {
    return 1;
  }
  // A reader who may export: reader database RDR with the identifier 1 under RI=.
  site.WriteFile("data/RDR.iso",
                 WriteIsoRecord({records.front().leader, {{"030", "1"}, {"112", "*.*.*.*"}}}));
  site.WriteFile("data/RDR/RDR.fst", "30 0 'RI='v30\n");
  if (!Sh(admin + " create " + data + " RDR >/dev/null && " + admin + " import RDR " + data +
          "RDR.iso --datapath " + data + " >/dev/null")) {
    return 1;
  }
  site.WriteConfig("[MAIN]\nDATAPATH=" + data +
                   "\nMAX_FORMAT_IN_PACKET=10000\nLogFileName=\nLogDateBase=\n");
  const int export_runs = std::max(3, runs / 40);
  std::vector<double> ms;
  size_t bytes = 0;
  for (int i = 0; i < export_runs + 1; ++i) {
    CgiResult r =
        RunCgi(site.Get("C21COM=E&I21DBN=BOOKS&S21All=K=$&S21CNR=10000&EXP21FMT=ISO&Z21ID=1"));
    if (!r.exited) return 1;
    if (r.Header("x-export-records") != "10000") {
      printf(
          "Export through the CGI: refused (the reader was not identified); the handler alone:\n");
      return InProcessExport(engine, data);
    }
    bytes = r.body.size();
    if (i > 0) ms.push_back(r.seconds * 1000);
  }
  const double med = Median(ms);
  printf(
      "Export of 10,000 records as ISO 2709 through the CGI (%d runs): median %.0f ms, "
      "%.0f records/s, %.1f MB\n",
      export_runs, med, 10000 / (med / 1000), bytes / 1e6);
  return 0;
}
