// Record updates through the CGI: each request a new cgizarix64 process, as a web server would
// start it, that reads one record of a 100,000-record database, changes one field (mode 3: the
// old occurrences of the tag go, the new one is added), writes it with index update and shows the
// status. The requests run one after another; the updates per second are 1 / median.
//
// Usage: record_update_bench WORKDIR [runs] [records]
//   WORKDIR keeps the ISO file (books.iso) and the database (data/) between runs; they are made
//   when missing. Programs come from ZARIX_CGI_BINARY, ZARIX_ENGINE_LIBRARY and ZARIX_ADMIN
//   (defaults: the build tree's).
// Prints the median and the 95th percentile in milliseconds and the updates per second.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "tests/cgi_runner.h"
#include "tests/pages_fixture.h"
#include "util/path.h"

using namespace zarix::testing;
using zarix::bench::Env;
using zarix::bench::Percentile;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: record_update_bench WORKDIR [runs] [records]\n");
    return 2;
  }
  std::string work = argv[1];
  if (work.back() != '/') work += '/';
  const int runs = argc > 2 ? std::max(20, atoi(argv[2])) : 300;
  const size_t count = argc > 3 ? static_cast<size_t>(atol(argv[3])) : 100000;
  const std::string build = ZARIX_BUILD_DIR;
  const std::string cgi = Env("ZARIX_CGI_BINARY", build + "/gateway/cgizarix64");
  const std::string engine = Env("ZARIX_ENGINE_LIBRARY", build + "/gateway/libzarix64.so");
  const std::string admin = Env("ZARIX_ADMIN", build + "/admin/zarix-admin");
  mkdir(work.c_str(), 0755);
  const std::string iso_path = RepeatedSampleIso(work, count);
  if (iso_path.empty()) return 1;
  const std::string data = work + "data/";
  if (!zarix::FileExists(data + "BOOKS.par")) {
    mkdir(data.c_str(), 0755);
    IsoRec reader;
    reader.fields = {{"030", "123"}, {"130", "Bench reader"}};
    if (!zarix::WriteFileBytes(work + "rdr.iso", WriteIsoRecord(reader))) return 1;
    mkdir((data + "RDR").c_str(), 0755);
    if (!zarix::WriteFileBytes(data + "RDR/RDR.fst", "30 0 (|RI=|v30/)\n")) return 1;
    const std::string cmd = admin + " create " + data + " RDR >/dev/null && " + admin +
                            " import RDR " + work + "rdr.iso --datapath " + data +
                            " >/dev/null && " + admin + " create " + data +
                            " BOOKS >/dev/null && " + admin + " import BOOKS " + iso_path +
                            " --datapath " + data + " > " + work + "import.log";
    auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) return 1;
    std::printf("import: %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }

  FixtureSite site(cgi, engine);
  site.WriteConfig("[MAIN]\nDATAPATH=" + data + "\n" +
                       "[PARAMETRS]\nPARCOUNT=1\nPARNAME1=Z21ID\nPARTAG1=2001\n"
                       "RecUpdateResultTag=2100\n",
                   "FRAMES=" + site.root() + "frames/\n");
  site.WriteFile("cgi/WebMsg.txt", "message 0\r\n");
  site.WriteFile("frames/header.frm", "<html><body>");
  site.WriteFile("frames/zakaz.frm", "<!RESULT>\r\n<!FORMAT='<p>status ['v2100']</p>'>");
  site.WriteFile("frames/footer.frm", "</body></html>");

  std::mt19937 rng(12345);
  std::uniform_int_distribution<size_t> pick(1, count);
  std::vector<double> ms;
  for (int i = -10; i < runs; ++i) {
    const std::string query =
        "C21COM=R&I21DBN=BOOKS&Z21ID=123&R21MFN=" + std::to_string(pick(rng)) +
        "&R21UPD=3&R21IFP=1&R21NUM1=500" + "&R21VOL1_1=bench+note+" + std::to_string(i + 10);
    CgiResult r = RunCgi(site.Get(query));
    if (!r.exited || r.exit_code != 0 || r.body.find("status [0]") == std::string::npos) {
      std::fprintf(stderr, "request failed\n%s\n", r.raw.c_str());
      return 1;
    }
    if (i >= 0) ms.push_back(r.seconds * 1000);
  }
  const double median = Percentile(ms, 0.5);
  std::printf(
      "record update (one field, mode 3, index updated), %zu records, %d requests:\n"
      "  median %.2f ms   p95 %.2f ms   %.1f updates per second (one client)\n",
      count, runs, median, Percentile(ms, 0.95), 1000.0 / median);
  return 0;
}
