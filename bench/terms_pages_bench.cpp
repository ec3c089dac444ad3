// Whole-request latency of the pages that mark, browse and sort, on the 100,000-record database of
// the search-page benchmark (made by search_page_bench in the same WORKDIR), each request a new
// cgizarix64 process. The variants run interleaved, so that they see the same machine load:
//   fixed       an unknown command: process start, configuration, message page and tail
//   dictionary  a dictionary page of 20 terms                      (aim: within 1.3 x fixed)
//   no hits     a search page without hits: the database opened and the frames filled, which
//               the dictionary page needs too
//   marked      the search page of the search-page benchmark       (aim: at most 15 % over plain)
//   plain       the same page with S21COLORTERMS=0
//   sorted N    a sorted page (author + title keys) of about N hits (aims: 15 ms for 1,000 and
//               80 ms for 10,000, medians)
//
// Usage: terms_pages_bench WORKDIR [runs]   (programs as in search_page_bench)
// Prints the median and the 95th percentile of each variant in milliseconds.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "tests/cgi_runner.h"

using namespace zarix::testing;
using zarix::bench::Env;
using zarix::bench::Percentile;

namespace {

struct Variant {
  std::string name;
  std::string query;
  std::vector<double> ms;
  std::vector<double> cpu_ms;
};

// The number after "Found " in a page.
std::string FoundCount(const std::string& body) {
  const size_t at = body.find("Found ");
  if (at == std::string::npos) return "?";
  return body.substr(at + 6, body.find(',', at) - at - 6);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: terms_pages_bench WORKDIR [runs]\n");
    return 2;
  }
  std::string work = argv[1];
  if (work.back() != '/') work += '/';
  const int runs = argc > 2 ? std::max(20, atoi(argv[2])) : 100;
  const std::string build = ZARIX_BUILD_DIR;
  const std::string cgi = Env("ZARIX_CGI_BINARY", build + "/gateway/cgizarix64");
  const std::string engine = Env("ZARIX_ENGINE_LIBRARY", build + "/zarix64/libzarix64.so");
  const std::string data = work + "data/";
  struct stat st;
  if (stat((data + "BOOKS.par").c_str(), &st) != 0) {
    std::fprintf(stderr, "no database in %s: run search_page_bench %s first\n", data.c_str(),
                 work.c_str());
    return 1;
  }

  FixtureSite site(cgi, engine);
  site.WriteConfig(
      "[MAIN]\nDATAPATH=" + data + "\n[PARAMETRS]\nDictTermTag=900\nDictNDocsTag=901\n",
      "FRAMES=" + site.root() + "frames/\nMAX_SORT_COUNT=20000\n");
  site.WriteFile("cgi/WebMsg.txt", "message 0\r\n");
  site.WriteFile("cgi/Error.html", "<p>unknown command</p>");
  site.WriteFile("frames/header.frm",
                 "<html><head><title>Catalogue</title></head><body>\r\n"
                 "<p>Found <--TOTALRECS-->, shown <--BEGINRECS--> to <--ENDRECS--></p>");
  site.WriteFile("frames/SMain.frm", "<ol>\r\n<!RESULT>\r\n</ol>");
  site.WriteFile("frames/dict.frm", "<ul>\r\n<!RESULT>\r\n</ul>");
  site.WriteFile("frames/footer.frm",
                 "<p>Database <--DATABASE-->, <--MAXIMUMMFN--> records</p></body></html>");
  // The formats and the sort specification live in the database folder, beside the record
  // format search_page_bench wrote.
  const std::string folder = data + "BOOKS/";
  auto write = [&](const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fputs(text.c_str(), f);
    std::fclose(f);
    return true;
  };
  if (!write(folder + "web_dict.pft", "'<li>'v900' ('v901')</li>'/") ||
      !write(folder + "author_title.srw",
             "[KeyOptions]\r\n30\r\n0\r\nv100^a\r\n50\r\n0\r\nv245^a\r\n")) {
    return 1;
  }

  const std::string search = "C21COM=S&I21DBN=BOOKS&S21CNR=20&S21All=";
  std::vector<Variant> variants = {
      {"fixed (unknown command)", "C21COM=Q", {}, {}},
      {"dictionary, 20 terms", "C21COM=T&I21DBN=BOOKS&T21TRM=MUSIC&T21CNR=20", {}, {}},
      {"search page without hits", search + "K=NOSUCHWORDANYWHERE", {}, {}},
      {"search page, marking on", search + "K=COMPUTER%20*%20K=SCIENCE", {}, {}},
      {"search page, marking off", search + "K=COMPUTER%20*%20K=SCIENCE&S21COLORTERMS=0", {}, {}},
      {"sorted page, ~1,000 hits",
       search + "K=PERL%20*%20K=PROGRAMMING&S21SRW=author_title",
       {},
       {}},
      {"sorted page, ~10,000 hits",
       search + "K=FINLAND%20*%20K=HISTORIA&S21SRW=author_title",
       {},
       {}},
      {"same ~10,000 hits unsorted", search + "K=FINLAND%20*%20K=HISTORIA", {}, {}},
  };
  for (int i = -3; i < runs; ++i) {
    for (Variant& v : variants) {
      CgiResult r = RunCgi(site.Get(v.query));
      if (!r.exited || r.exit_code != 0) {
        std::fprintf(stderr, "request failed: %s\n%s\n", v.query.c_str(), r.raw.c_str());
        return 1;
      }
      if (i == -3 && v.query.find("S21All") != std::string::npos) {
        std::printf("  %s: %s hits\n", v.name.c_str(), FoundCount(r.body).c_str());
      }
      if (i >= 0) {
        v.ms.push_back(r.seconds * 1000);
        v.cpu_ms.push_back(r.cpu_seconds * 1000);
      }
    }
  }
  std::printf("pages on 100,000 records, %d requests each (ms; CPU is user + system time):\n",
              runs);
  for (const Variant& v : variants) {
    std::printf("  %-28s median %7.2f   p95 %7.2f   CPU median %7.2f\n", v.name.c_str(),
                Percentile(v.ms, 0.5), Percentile(v.ms, 0.95), Percentile(v.cpu_ms, 0.5));
  }
  // The ratios of the aims, from wall and from CPU medians (on a busy machine the wall times
  // measure the other processes as much as these).
  auto ratio = [&](size_t a, size_t b, bool cpu) {
    const auto& x = cpu ? variants[a].cpu_ms : variants[a].ms;
    const auto& y = cpu ? variants[b].cpu_ms : variants[b].ms;
    return Percentile(x, 0.5) / Percentile(y, 0.5);
  };
  std::printf("  dictionary over fixed cost: wall %.2f, CPU %.2f\n", ratio(1, 0, false),
              ratio(1, 0, true));
  std::printf("  marking on over off:        wall %.3f, CPU %.3f\n", ratio(3, 4, false),
              ratio(3, 4, true));
  return 0;
}
