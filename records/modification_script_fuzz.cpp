// Fuzz target for the record-modification language: any script (lines of the input) must end,
// without crashing, on a record of a space that holds no database, and hand back no space.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_api.h"
#include "records/modification_script.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

zarix::EngineApi& Engine() {
  static std::unique_ptr<zarix::EngineApi> engine = zarix::EngineApi::Load(ZARIX64_LIBRARY);
  Check(engine->status().ok());
  return *engine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zarix::EngineApi& e = Engine();
  static const int space = e.Zarixinit();
  e.Zarixnewrec(space, 1);
  e.Zarixfldadd(space, 1, 200, "^aTitle^eOther");
  e.Zarixfldadd(space, 1, 610, "one");
  e.Zarixfldadd(space, 1, 610, "two");
  zarix::TPList script;
  script.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  zarix::ScriptDatabases dbs;
  dbs.database = "NONE";
  dbs.datapath = "/nonexistent-zarix-fuzz/";
  std::vector<zarix::OpenedSpace> opened;
  const std::string result = zarix::RunModificationScript(e, space, 1, dbs, script, &opened);
  Check(opened.empty());
  Check(result.empty() || result.find("@@@") != std::string::npos || result.back() == '#');
  return 0;
}
