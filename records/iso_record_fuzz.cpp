// Fuzz target for reading ISO 2709 texts from forms into a record: any bytes must give a record
// whose fields all lie inside the text, have a tag above 0, hold valid UTF-8 and are not empty.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/engine_api.h"
#include "records/record_update.h"
#include "util/utf8.h"

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
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  e.Zarixnewrec(space, 0);
  const int rc = zarix::ReadIsoRecord(e, space, 0, text);
  Check(rc == 0 || rc == zarix::kNothingImported);
  const int n = e.Zarixnfields(space, 0);
  Check(static_cast<size_t>(n) <= size / 12 + 1);
  for (int i = 1; i <= n; ++i) {
    const std::string value = e.Zarixfield(space, 0, i);
    Check(e.Zarixfldtag(space, 0, i) > 0);
    Check(!value.empty() && value.size() < size && zarix::IsValidUtf8(value));
  }
  return 0;
}
