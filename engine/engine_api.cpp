// Loading libzarix64.so and binding its C interface by name.
#include "engine/engine_api.h"

#include <dlfcn.h>

#include <cstring>

#include "util/path.h"
#include "zarix64/zarix64.h"

namespace zarix {

// Every function of the engine's C interface, in header order.
#define ZARIX_ENGINE_FUNCTIONS(X)                                                                \
  X(zarix_uatab_init)                                                                            \
  X(zarix_init_DepositPath) X(zarix_set_options) X(zarix_MainIni_Init) X(ZarixDLLVersion)        \
      X(Zarixinit) X(ZarixInitUACTAB) X(Zarixclose) X(Zarixinitmst) X(Zarixinitterm)             \
          X(ZarixInitInvContext) X(Zarixmaxmfn) X(ZarixIsDBLocked) X(ZarixDBEmptyTime)           \
              X(ZarixRecord) X(ZarixRecordBack) X(Zarixnewrec) X(Zarixmfn) X(Zarixchangemfn)     \
                  X(ZarixReadVersion) X(ZarixSetVersion) X(Zarixrecdel) X(ZarixGetGuid)          \
                      X(ZarixSetGuid) X(Zarixnfields) X(Zarixnocc) X(Zarixfieldn) X(Zarixfldtag) \
                          X(Zarixfield) X(Zarixfldadd) X(Zarixfldrep) X(Zarixfldempty)           \
                              X(ZarixRecUpdateTime) X(ZarixRecUpdate0) X(ZarixRecIfUpdate0)      \
                                  X(Zarixfind) X(Zarixnxtterm) X(Zarixprevterm) X(Zarixterm)     \
                                      X(Zarixnposts) X(Zarixinitpost) X(Zarixnxtpost)            \
                                          X(Zarixposting) X(Zarix_InitPFT) X(Zarix_Format)       \
                                              X(Zarix_FormatResult) X(ZarixLastMessage)

struct EngineApi::Functions {
#define ZARIX_DECLARE(name) decltype(&::name) name = nullptr;
  ZARIX_ENGINE_FUNCTIONS(ZARIX_DECLARE)
#undef ZARIX_DECLARE
};

namespace {

static_assert(EngineApi::kFormatPageText == ZARIX_FORMAT_PAGE_TEXT);
constexpr int kTermBuffer = 256;  // ZARIX_MAX_TERM + terminating zero, with room to spare

std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

}  // namespace

EngineApi::EngineApi() : fn_(std::make_unique<Functions>()) {}

// The library stays loaded: code may still hold pointers into it (engine-owned texts).
EngineApi::~EngineApi() = default;

EngineApi& EngineApi::Get() {
  static EngineApi* engine = Load("libzarix64.so").release();
  return *engine;
}

std::unique_ptr<EngineApi> EngineApi::Load(const std::string& library) {
  std::unique_ptr<EngineApi> api(new EngineApi());
  api->Bind(library);
  return api;
}

void EngineApi::Bind(const std::string& library) {
  std::string path = library;
  if (library.find('/') == std::string::npos) {
    const std::string local = ProgramDir() + library;
    if (FileExists(local)) path = local;
  }
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    status_.message = library + ": cannot load" + (why ? std::string(" (") + why + ")" : "");
    return;
  }
  path_ = path;
  std::string missing;
#define ZARIX_BIND(name)                                                  \
  fn_->name = reinterpret_cast<decltype(&::name)>(dlsym(handle_, #name)); \
  if (!fn_->name && missing.empty()) missing = #name;
  ZARIX_ENGINE_FUNCTIONS(ZARIX_BIND)
#undef ZARIX_BIND
  if (!missing.empty()) status_.message = library + ": no function " + missing;
}

std::string EngineApi::Version() {
  if (!fn_->ZarixDLLVersion) return "";
  char buf[256];
  buf[0] = '\0';
  if (fn_->ZarixDLLVersion(buf, 255) != 0) return "";
  buf[255] = '\0';
  return buf;
}

bool EngineApi::VersionOk() { return status_.ok() && Version() == kVersion; }

// Calls the bound function, or gives `fallback` when it is not bound.
#define ZARIX_CALL(fallback, name, ...) (fn_->name ? fn_->name(__VA_ARGS__) : (fallback))

int EngineApi::zarix_uatab_init(const std::string& uctab, const std::string& reserved,
                                const std::string& actab, const std::string& zarixpath,
                                const std::string& datapath) {
  return ZARIX_CALL(kNotBound, zarix_uatab_init, uctab.c_str(), reserved.c_str(), actab.c_str(),
                    zarixpath.c_str(), datapath.c_str());
}
int EngineApi::zarix_init_DepositPath(const std::string& path) {
  return ZARIX_CALL(kNotBound, zarix_init_DepositPath, path.c_str());
}
int EngineApi::zarix_set_options(int o1, int o2, int o3) {
  return ZARIX_CALL(kNotBound, zarix_set_options, o1, o2, o3);
}
int EngineApi::zarix_MainIni_Init(const std::string& ini_file) {
  return ZARIX_CALL(kNotBound, zarix_MainIni_Init, ini_file.c_str());
}

int EngineApi::Zarixinit() { return ZARIX_CALL(0, Zarixinit); }
int EngineApi::ZarixInitUACTAB(int space) { return ZARIX_CALL(kNotBound, ZarixInitUACTAB, space); }
int EngineApi::Zarixclose(int space) { return ZARIX_CALL(kNotBound, Zarixclose, space); }
int EngineApi::Zarixinitmst(int space, const std::string& prefix, int mode) {
  return ZARIX_CALL(kNotBound, Zarixinitmst, space, prefix.c_str(), mode);
}
int EngineApi::Zarixinitterm(int space, const std::string& prefix) {
  return ZARIX_CALL(kNotBound, Zarixinitterm, space, prefix.c_str());
}
int EngineApi::ZarixInitInvContext(int space, const std::string& parameter_dir,
                                   const std::string& path2, int flag, const std::string& actab,
                                   const std::string& reserved) {
  return ZARIX_CALL(kNotBound, ZarixInitInvContext, space, parameter_dir.c_str(), path2.c_str(),
                    flag, actab.c_str(), reserved.c_str());
}
int EngineApi::Zarixmaxmfn(int space) { return ZARIX_CALL(kNotBound, Zarixmaxmfn, space); }
int EngineApi::ZarixIsDBLocked(int space) { return ZARIX_CALL(kNotBound, ZarixIsDBLocked, space); }
int EngineApi::ZarixDBEmptyTime(int space, int wait_seconds) {
  return ZARIX_CALL(kNotBound, ZarixDBEmptyTime, space, wait_seconds);
}

int EngineApi::ZarixRecord(int space, int shelf, int mfn) {
  return ZARIX_CALL(kNotBound, ZarixRecord, space, shelf, mfn);
}
int EngineApi::ZarixRecordBack(int space, int shelf) {
  return ZARIX_CALL(kNotBound, ZarixRecordBack, space, shelf);
}
int EngineApi::Zarixnewrec(int space, int shelf) {
  return ZARIX_CALL(kNotBound, Zarixnewrec, space, shelf);
}
int EngineApi::Zarixmfn(int space, int shelf) {
  return ZARIX_CALL(kNotBound, Zarixmfn, space, shelf);
}
int EngineApi::Zarixchangemfn(int space, int shelf, int mfn) {
  return ZARIX_CALL(kNotBound, Zarixchangemfn, space, shelf, mfn);
}
int EngineApi::ZarixReadVersion(int space, int mfn) {
  return ZARIX_CALL(kNotBound, ZarixReadVersion, space, mfn);
}
int EngineApi::ZarixSetVersion(int space, int shelf, int version) {
  return ZARIX_CALL(kNotBound, ZarixSetVersion, space, shelf, version);
}
int EngineApi::Zarixrecdel(int space, int shelf) {
  return ZARIX_CALL(kNotBound, Zarixrecdel, space, shelf);
}
std::string EngineApi::ZarixGetGuid(int space, int shelf) {
  char buf[128];
  buf[0] = '\0';
  if (ZARIX_CALL(kNotBound, ZarixGetGuid, space, shelf, buf, sizeof buf) != 0) return "";
  return buf;
}
int EngineApi::ZarixSetGuid(int space, int shelf, const std::string& guid) {
  return ZARIX_CALL(kNotBound, ZarixSetGuid, space, shelf, guid.c_str());
}
int EngineApi::Zarixnfields(int space, int shelf) {
  return ZARIX_CALL(kNotBound, Zarixnfields, space, shelf);
}
int EngineApi::Zarixnocc(int space, int shelf, int tag) {
  return ZARIX_CALL(kNotBound, Zarixnocc, space, shelf, tag);
}
int EngineApi::Zarixfieldn(int space, int shelf, int tag, int occurrence) {
  return ZARIX_CALL(kNotBound, Zarixfieldn, space, shelf, tag, occurrence);
}
int EngineApi::Zarixfldtag(int space, int shelf, int index) {
  return ZARIX_CALL(kNotBound, Zarixfldtag, space, shelf, index);
}
std::string EngineApi::Zarixfield(int space, int shelf, int index, const std::string& option) {
  return Text(ZARIX_CALL(nullptr, Zarixfield, space, shelf, index, option.c_str()));
}
int EngineApi::Zarixfldadd(int space, int shelf, int tag, const std::string& text, int reserved) {
  return ZARIX_CALL(kNotBound, Zarixfldadd, space, shelf, tag, text.c_str(), reserved);
}
int EngineApi::Zarixfldrep(int space, int shelf, int index, const std::string& text) {
  return ZARIX_CALL(kNotBound, Zarixfldrep, space, shelf, index, text.c_str());
}
int EngineApi::Zarixfldempty(int space, int shelf) {
  return ZARIX_CALL(kNotBound, Zarixfldempty, space, shelf);
}

int EngineApi::ZarixRecUpdateTime(int space, int shelf, int reserved1, int update_index,
                                  int reserved2, int* status, int* mfn_out) {
  const int rc = ZARIX_CALL(kNotBound, ZarixRecUpdateTime, space, shelf, reserved1, update_index,
                            reserved2, status, mfn_out);
  if (!fn_->ZarixRecUpdateTime && status) *status = rc;
  return rc;
}
int EngineApi::ZarixRecUpdate0(int space, int shelf, int update_index) {
  return ZARIX_CALL(kNotBound, ZarixRecUpdate0, space, shelf, update_index);
}
int EngineApi::ZarixRecIfUpdate0(int space, int shelf, int mfn) {
  return ZARIX_CALL(kNotBound, ZarixRecIfUpdate0, space, shelf, mfn);
}

int EngineApi::Zarixfind(int space, const std::string& key, std::string* term) {
  char buf[kTermBuffer];
  const std::string cut = key.substr(0, kTermBuffer - 1);
  memcpy(buf, cut.c_str(), cut.size() + 1);
  const int rc = ZARIX_CALL(kNotBound, Zarixfind, space, buf, sizeof buf);
  if (term) *term = fn_->Zarixfind ? std::string(buf) : std::string();
  return rc;
}
int EngineApi::Zarixnxtterm(int space, std::string* term) {
  char buf[kTermBuffer] = "";
  const int rc = ZARIX_CALL(kNotBound, Zarixnxtterm, space, buf, sizeof buf);
  if (term) *term = buf;
  return rc;
}
int EngineApi::Zarixprevterm(int space, std::string* term) {
  char buf[kTermBuffer] = "";
  const int rc = ZARIX_CALL(kNotBound, Zarixprevterm, space, buf, sizeof buf);
  if (term) *term = buf;
  return rc;
}
std::string EngineApi::Zarixterm(int space) {
  char buf[kTermBuffer] = "";
  ZARIX_CALL(kNotBound, Zarixterm, space, buf, sizeof buf);
  return buf;
}
int EngineApi::Zarixnposts(int space) { return ZARIX_CALL(kNotBound, Zarixnposts, space); }
int EngineApi::Zarixinitpost(int space) { return ZARIX_CALL(kNotBound, Zarixinitpost, space); }
int EngineApi::Zarixnxtpost(int space) { return ZARIX_CALL(kNotBound, Zarixnxtpost, space); }
int EngineApi::Zarixposting(int space, int what) {
  return ZARIX_CALL(kNotBound, Zarixposting, space, what);
}

int EngineApi::Zarix_InitPFT(int space, const std::string& format) {
  return ZARIX_CALL(kNotBound, Zarix_InitPFT, space, format.c_str());
}
int EngineApi::Zarix_Format(int space, int shelf, int reserved, int mode, int capacity,
                            const std::string& caller) {
  return ZARIX_CALL(kNotBound, Zarix_Format, space, shelf, reserved, mode, capacity,
                    caller.c_str());
}
std::string EngineApi::Zarix_FormatResult(int space) {
  return Text(ZARIX_CALL(nullptr, Zarix_FormatResult, space));
}
std::string EngineApi::ZarixLastMessage(int space) {
  return Text(ZARIX_CALL(nullptr, ZarixLastMessage, space));
}

#undef ZARIX_CALL

}  // namespace zarix
