// Fixed cost of one request: process start to the last byte of the answer, for the real gateway
// running its whole start-up and tail with a trivial handler, beside a trivial C++ program started
// the same way in the same run. Variants that stop earlier show where the time goes.
//
// Usage: request_bench [runs]   (programs from ZARIX_CGI_BINARY, ZARIX_ENGINE_LIBRARY,
// ZARIX_TRIVIAL_BINARY; defaults are the build tree's). ZARIX_CGI_BINARY_B names a second build
// of the gateway whose whole request is measured in the same run, for comparisons.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "tests/cgi_runner.h"

using zarix::bench::Env;
using zarix::bench::Percentile;
using zarix::testing::CgiCall;
using zarix::testing::CgiResult;
using zarix::testing::FixtureSite;
using zarix::testing::RunCgi;

namespace {

struct Variant {
  const char* name;
  CgiCall call;
  std::vector<double> ms;
  std::vector<double> cpu_ms;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? atoi(argv[1]) : 200;
  const std::string build = Env("ZARIX_BINARY_DIR", ZARIX_BUILD_DIR);
  const std::string cgi = Env("ZARIX_CGI_BINARY", build + "/gateway/cgizarix64");
  const std::string engine = Env("ZARIX_ENGINE_LIBRARY", build + "/gateway/libzarix64.so");
  const std::string trivial = Env("ZARIX_TRIVIAL_BINARY", build + "/bench/request_bench_trivial");

  FixtureSite full(cgi, engine), silent(cgi, engine), noconf(cgi, engine), noengine(cgi, "");
  full.WriteConfig("");
  full.WriteFile("cgi/Error.html", "<p>unknown command</p>");
  full.WriteFile("cgi/WebMsg.txt", "message 0\r\n");
  silent.WriteConfig("[MAIN]\nSilence=1\n");
  noengine.WriteConfig("");

  CgiCall trivial_call = full.Get("C21COM=Q");
  trivial_call.program = trivial;
  std::vector<Variant> variants = {
      {"trivial C++ program", trivial_call, {}, {}},
      {"gateway, no engine library (start, dlopen fails)", noengine.Get("C21COM=Q"), {}, {}},
      {"gateway, no configuration (+ engine loaded, version)", noconf.Get("C21COM=Q"), {}, {}},
      {"gateway, Silence (+ configuration read twice, thread)", silent.Get("C21COM=Q"), {}, {}},
      {"gateway, whole request, trivial handler", full.Get("C21COM=Q"), {}, {}},
  };
  const std::string other = Env("ZARIX_CGI_BINARY_B", "");
  std::unique_ptr<FixtureSite> other_site;
  if (!other.empty()) {
    other_site = std::make_unique<FixtureSite>(other, engine);
    other_site->WriteConfig("");
    other_site->WriteFile("cgi/Error.html", "<p>unknown command</p>");
    other_site->WriteFile("cgi/WebMsg.txt", "message 0\r\n");
    variants.push_back(
        {"second build (ZARIX_CGI_BINARY_B), whole request", other_site->Get("C21COM=Q"), {}, {}});
  }
  for (int i = 0; i < runs + 5; ++i) {
    for (Variant& v : variants) {
      CgiResult r = RunCgi(v.call);
      if (!r.exited || r.raw.empty()) {
        fprintf(stderr, "%s: failed run\n", v.name);
        return 1;
      }
      if (i >= 5) {  // the first runs warm the caches
        v.ms.push_back(r.seconds * 1000);
        v.cpu_ms.push_back(r.cpu_seconds * 1000);
      }
    }
  }
  const double floor_median = Percentile(variants[0].ms, 0.5);
  printf(
      "%d runs each, interleaved; wall time spawn to exit with the answer read, and the\n"
      "child's CPU time (user + system)\n",
      runs);
  const double floor_cpu = Percentile(variants[0].cpu_ms, 0.5);
  printf("%-56s %9s %9s %7s %9s %7s\n", "", "median", "p95", "x floor", "cpu med", "x floor");
  for (const Variant& v : variants) {
    const double med = Percentile(v.ms, 0.5);
    const double cpu = Percentile(v.cpu_ms, 0.5);
    printf("%-56s %7.2fms %7.2fms %7.2f %7.2fms %7.2f\n", v.name, med, Percentile(v.ms, 0.95),
           med / floor_median, cpu, cpu / floor_cpu);
  }
  return 0;
}
