// EngineApi: the gateway's binding to the database engine libzarix64.so, loaded at run time.
//
// The library is looked for in the program's own folder first, then by the dynamic linker's
// normal search (LD_LIBRARY_PATH, the system folders). Every function of the engine's C
// interface (zarix64/zarix64.h) is bound by name when the library loads; status() names the
// library or the first function that could not be found. The library stays loaded for the
// life of the process.
//
// The wrappers keep the C functions' names, arguments and results (see zarix64/zarix64.h for
// each one's contract), taking std::string for text and returning std::string where the C
// function fills a buffer or returns engine-owned text. When the library or a function is
// missing, a wrapper does nothing and returns kNotBound (or 0 for Zarixinit, "" for texts),
// so a gateway without its engine fails with pages, never with a crash.
//
// Thread safety: binding happens once (Get() is thread-safe); the wrappers add no state, so
// their thread safety is the engine's (one thread per space).
#pragma once

#include <memory>
#include <string>

namespace zarix {

class EngineApi {
 public:
  // The interface version this gateway needs from ZarixDLLVersion.
  static constexpr const char* kVersion = "2020";
  // Result of a wrapper whose function is not bound.
  static constexpr int kNotBound = -1000;
  // Zarix_Format mode flag: output for a page (record data HTML-escaped, literals as written).
  static constexpr int kFormatPageText = 0x100;

  // The outcome of loading: ok(), or a message naming the library or the missing function.
  struct LoadStatus {
    std::string message;
    bool ok() const { return message.empty(); }
  };

  // The process-wide engine, "libzarix64.so" loaded on first use.
  static EngineApi& Get();

  // Loads `library`: a name containing "/" is used as a path; a bare file name is looked for in
  // ProgramDir() first, then by the normal search. Never null; check status().
  static std::unique_ptr<EngineApi> Load(const std::string& library);

  EngineApi(const EngineApi&) = delete;
  EngineApi& operator=(const EngineApi&) = delete;
  ~EngineApi();

  const LoadStatus& status() const { return status_; }
  // The text ZarixDLLVersion gives ("" when it is not bound).
  std::string Version();
  // True when every function is bound and the version is kVersion.
  bool VersionOk();
  // The file the library was loaded from ("" when it was not loaded).
  const std::string& library_path() const { return path_; }

  // ---- Process set-up ----
  int zarix_uatab_init(const std::string& uctab, const std::string& reserved,
                       const std::string& actab, const std::string& zarixpath,
                       const std::string& datapath);
  int zarix_init_DepositPath(const std::string& path);
  int zarix_set_options(int option1, int option2, int option3);
  int zarix_MainIni_Init(const std::string& ini_file);

  // ---- Spaces and databases ----
  int Zarixinit();
  int ZarixInitUACTAB(int space);
  int Zarixclose(int space);
  int Zarixinitmst(int space, const std::string& prefix, int mode);
  int Zarixinitterm(int space, const std::string& prefix);
  int ZarixInitInvContext(int space, const std::string& parameter_dir, const std::string& path2,
                          int flag, const std::string& actab, const std::string& reserved);
  int Zarixmaxmfn(int space);
  int ZarixIsDBLocked(int space);
  int ZarixDBEmptyTime(int space, int wait_seconds);

  // ---- Records on shelves ----
  int ZarixRecord(int space, int shelf, int mfn);
  int ZarixRecordBack(int space, int shelf);
  int Zarixnewrec(int space, int shelf);
  int Zarixmfn(int space, int shelf);
  int Zarixchangemfn(int space, int shelf, int mfn);
  int ZarixReadVersion(int space, int mfn);
  int ZarixSetVersion(int space, int shelf, int version);
  int Zarixrecdel(int space, int shelf);
  std::string ZarixGetGuid(int space, int shelf);
  int ZarixSetGuid(int space, int shelf, const std::string& guid);
  int Zarixnfields(int space, int shelf);
  int Zarixnocc(int space, int shelf, int tag);
  // Field indexes count from 1; 0 means absent.
  int Zarixfieldn(int space, int shelf, int tag, int occurrence);
  int Zarixfldtag(int space, int shelf, int index);
  // The field's text, or with a subfield code in `option` that subfield's text.
  std::string Zarixfield(int space, int shelf, int index, const std::string& option = "");
  int Zarixfldadd(int space, int shelf, int tag, const std::string& text, int reserved = 0);
  int Zarixfldrep(int space, int shelf, int index, const std::string& text);
  int Zarixfldempty(int space, int shelf);

  // ---- Writing ----
  // *status and *mfn_out may be null.
  int ZarixRecUpdateTime(int space, int shelf, int reserved1, int update_index, int reserved2,
                         int* status = nullptr, int* mfn_out = nullptr);
  int ZarixRecUpdate0(int space, int shelf, int update_index);
  int ZarixRecIfUpdate0(int space, int shelf, int mfn);

  // ---- Terms and postings ----
  // Positions the walk at the first term >= key; *term (may be null) gets the term reached.
  // 0 exact, 1 a following term, -1 (ZARIX_END) none.
  int Zarixfind(int space, const std::string& key, std::string* term = nullptr);
  int Zarixnxtterm(int space, std::string* term = nullptr);
  int Zarixprevterm(int space, std::string* term = nullptr);
  std::string Zarixterm(int space);
  int Zarixnposts(int space);
  int Zarixinitpost(int space);
  int Zarixnxtpost(int space);
  int Zarixposting(int space, int what);

  // ---- Formats ----
  int Zarix_InitPFT(int space, const std::string& format);
  int Zarix_Format(int space, int shelf, int reserved, int mode, int capacity,
                   const std::string& caller = "ZARIX64");
  std::string Zarix_FormatResult(int space);
  std::string ZarixLastMessage(int space);

  struct Functions;  // the bound function pointers (engine_api.cpp)

 private:
  EngineApi();
  void Bind(const std::string& library);

  LoadStatus status_;
  std::string path_;
  void* handle_ = nullptr;
  std::unique_ptr<Functions> fn_;
};

}  // namespace zarix
