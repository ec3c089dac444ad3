// cgizarix64: the CGI program a web server starts for every request of the catalogue.
//
// The request's environment becomes the request object, the one action handles it and writes
// the response on standard output. Built twice: the shipped binary, and (only with the tests) a
// build with ZARIX_TEST_HOOKS whose requests can ask to hang or fail at named points.
#include <unistd.h>

#include "engine/engine_api.h"
#include "gateway/cgi_request.h"
#include "gateway/cgi_response.h"
#include "gateway/test_hook.h"
#include "gateway/web_action.h"
#include "processor/engine_ini_copy.h"
#include "processor/request_processor.h"

#ifdef ZARIX_TEST_HOOKS
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include "gateway/request_store.h"
#endif

namespace {

bool EngineVersionOk() { return zarix::EngineApi::Get().VersionOk(); }

#ifdef ZARIX_TEST_HOOKS
// ZARIX_TEST_HOOK=<point>:<what>: "sleep" hangs for a minute, "hold" waits three seconds,
// "throw" fails with an exception, "crash" ends the process by a signal as a fault would.
void TestHook(std::string_view point, const zarix::IniStore& web_ini) {
  const std::string want = web_ini.ReadString(zarix::kFormSection, "ZARIX_TEST_HOOK");
  const std::string prefix = std::string(point) + ":";
  if (want.compare(0, prefix.size(), prefix) != 0) return;
  const std::string what = want.substr(prefix.size());
  if (what == "sleep") std::this_thread::sleep_for(std::chrono::seconds(60));
  if (what == "hold") std::this_thread::sleep_for(std::chrono::seconds(3));
  if (what == "throw") throw std::runtime_error("test hook");
  if (what == "crash") std::abort();
}
#endif

}  // namespace

int main() {
#ifdef ZARIX_TEST_HOOKS
  zarix::g_test_hook = TestHook;
#endif
  zarix::CgiRequest request = zarix::ReadCgiEnvironment();
  zarix::CgiResponse response;
  zarix::ActionServices services;
  services.engine_version_ok = EngineVersionOk;
  services.request_processor = zarix::RequestProcessor;
  services.cleanup_after_failure = zarix::DeleteCurrentEngineIniCopy;
  if (zarix::WebModuleStandardWebActionItemZarix64Action(request, response, services) ==
      zarix::ActionEnd::kThreadAbandoned) {
    // The request thread may still run: end here, without destructors or exit handlers.
    _exit(0);
  }
  return 0;
}
