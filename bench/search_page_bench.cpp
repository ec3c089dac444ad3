// Whole-request latency of a search page: a two-word AND query whose first 20 records are
// formatted, on a database of 100,000 records (the MARC 21 sample records of data/ repeated with
// new control numbers), each request a new cgizarix64 process as a web server would start it.
//
// Usage: search_page_bench WORKDIR [runs] [records]
//   WORKDIR keeps the ISO file (books.iso), the database (data/) and the query list
//   (queries.txt) between runs; they are made when missing. Programs come from ZARIX_CGI_BINARY,
//   ZARIX_ENGINE_LIBRARY and ZARIX_ADMIN (defaults: the build tree's).
// Prints the median and the 95th percentile in milliseconds.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "tests/cgi_runner.h"
#include "tests/pages_fixture.h"
#include "util/path.h"

using namespace zarix::testing;
using zarix::bench::Env;
using zarix::bench::Percentile;

namespace {

// Two-word AND queries, written to queries.txt for the Zebra client. Chosen so that Zebra's
// MARC 21 indexing finds the same records as ours (430, 1,287 and 429 of 100,000); pairs such as
// FINLAND AND HISTORIA (9,867 here) find nothing there, its "any" index lacks the subject fields.
struct Query {
  const char* first;
  const char* second;
};
constexpr Query kQueries[] = {
    {"COMPUTER", "SCIENCE"}, {"PERL", "PROGRAMMING"}, {"HISTORY", "MUSIC"}};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: search_page_bench WORKDIR [runs] [records]\n");
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
    const std::string cmd = admin + " create " + data + " BOOKS >/dev/null && " + admin +
                            " import BOOKS " + iso_path + " --datapath " + data + " | head -1";
    auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) return 1;
    std::printf("import: %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  {
    std::string q;
    for (const Query& x : kQueries) q += std::string(x.first) + " " + x.second + "\n";
    FILE* f = std::fopen((work + "queries.txt").c_str(), "w");
    std::fputs(q.c_str(), f);
    std::fclose(f);
  }

  FixtureSite site(cgi, engine);
  site.WriteConfig("[MAIN]\nDATAPATH=" + data + "\n", "FRAMES=" + site.root() + "frames/\n");
  site.WriteFile("cgi/WebMsg.txt", "message 0\r\n");
  site.WriteFile("frames/header.frm",
                 "<html><head><title>Catalogue</title></head><body>\r\n"
                 "<p>Found <--TOTALRECS-->, shown <--BEGINRECS--> to <--ENDRECS--></p>");
  site.WriteFile("frames/SMain.frm", "<ol>\r\n<!RESULT>\r\n</ol>");
  site.WriteFile("frames/footer.frm",
                 "<p>Database <--DATABASE-->, <--MAXIMUMMFN--> records</p></body></html>");
  // The record format lives in the database folder (line 10 of BOOKS.par).
  const std::string format =
      "'<li value=<--MFNCOUNT-->><b>'v100^a'</b> 'v245^a' 'v245^b' ('v260^c')'"
      "(if p(v650) then ' ['v650^a'] ' fi)'</li>'/";
  FILE* pft = std::fopen((data + "BOOKS/fullwebr.pft").c_str(), "w");
  if (!pft) return 1;
  std::fputs(format.c_str(), pft);
  std::fclose(pft);

  std::vector<double> ms;
  std::vector<std::string> totals;
  for (int i = -10; i < runs; ++i) {
    const Query& q = kQueries[static_cast<size_t>(i + 10) % std::size(kQueries)];
    CgiResult r = RunCgi(site.Get(std::string("C21COM=S&I21DBN=BOOKS&S21CNR=20&S21All=K=") +
                                  q.first + "%20*%20K=" + q.second));
    if (!r.exited || r.exit_code != 0) {
      std::fprintf(stderr, "request failed\n%s\n", r.raw.c_str());
      return 1;
    }
    if (i < 0) {
      if (i + 10 < static_cast<int>(std::size(kQueries))) {
        size_t at = r.body.find("Found ");
        std::printf("  %s AND %s: %s\n", q.first, q.second,
                    r.body.substr(at, r.body.find('<', at) - at).c_str());
      }
      continue;
    }
    ms.push_back(r.seconds * 1000);
  }
  std::printf(
      "search page (two-word AND, 20 records formatted), %zu records, %d requests:\n"
      "  median %.2f ms   p95 %.2f ms\n",
      count, runs, Percentile(ms, 0.5), Percentile(ms, 0.95));
  return 0;
}
