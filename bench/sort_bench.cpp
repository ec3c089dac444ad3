// Where the time of a sorted page goes, in one process on the 100,000-record database of the
// search-page benchmark: reading N records through the engine, reading and running the key
// formats, and the whole SortResultList (key texts, entries and the sort itself) with the
// author + title keys of terms_pages_bench.
//
// Usage: sort_bench WORKDIR [N...]   (default N: 1000 10000; the engine from
// ZARIX_ENGINE_LIBRARY, default the build tree's). Prints the median CPU time of 11 runs of each
// step.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "search/result_sorting.h"

using zarix::EngineApi;
using zarix::Mfn;

namespace {

double CpuMs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The median CPU time of 11 runs: on a shared machine wall time mostly measures the others.
template <typename F>
double MedianMs(F f) {
  std::vector<double> ms;
  for (int i = 0; i < 11; ++i) {
    const double t0 = CpuMs();
    f();
    ms.push_back(CpuMs() - t0);
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: sort_bench WORKDIR [N...]\n");
    return 2;
  }
  std::string work = argv[1];
  if (work.back() != '/') work += '/';
  const char* lib = std::getenv("ZARIX_ENGINE_LIBRARY");
  std::unique_ptr<EngineApi> e =
      EngineApi::Load(lib && *lib ? lib : ZARIX_BUILD_DIR "/zarix64/libzarix64.so");
  if (!e->status().ok()) {
    std::fprintf(stderr, "%s\n", e->status().message.c_str());
    return 1;
  }
  const std::string folder = work + "data/BOOKS/";
  const int space = e->Zarixinit();
  if (e->Zarixinitmst(space, folder + "BOOKS", 5) != 0 ||
      e->Zarixinitterm(space, folder + "BOOKS") != 0) {
    std::fprintf(stderr, "no database in %s: run search_page_bench first\n", folder.c_str());
    return 1;
  }
  const std::string spec = folder + "author_title.srw";
  const std::string keys = "mpl,v100^a,#,'<~ZARIX~SORT~KEY~>',#,mpl,v245^a";
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};

  std::printf("sorting N records by author + title (median CPU time of 11, ms):\n");
  for (int n : sizes) {
    // Every 10th record, so that the reads are spread over the file as a search's are.
    std::vector<Mfn> mfns;
    for (int i = 0; i < n; ++i) mfns.push_back(1 + (i * 10) % 99999);
    const double read = MedianMs([&] {
      for (Mfn m : mfns) e->ZarixRecord(space, 0, m);
    });
    e->Zarix_InitPFT(space, keys);
    const double format = MedianMs([&] {
      for (Mfn m : mfns) {
        e->ZarixRecord(space, 0, m);
        e->Zarix_Format(space, 0, 1, 1, 64000);
        std::string out = e->Zarix_FormatResult(space);
      }
    });
    zarix::SortRequest r;
    r.spec_path = spec;
    r.dbname = "BOOKS";
    size_t sorted = 0;
    const double whole =
        MedianMs([&] { sorted = zarix::SortResultList(*e, space, mfns, r).mfns.size(); });
    std::printf("  N=%-6d read %7.2f   read+keys %7.2f   SortResultList %7.2f   (%zu entries)\n", n,
                read, format, whole, sorted);
  }
  e->Zarixclose(space);
  return 0;
}
