// The exported C functions of libzarix64.so: argument checks and handle lookup over Space.
// Nothing may throw across this boundary: every entry point catches and reports a code.
#define ZARIX64_BUILDING 1
#include <cstring>
#include <string>

#include "util/path.h"
#include "zarix64/space.h"
#include "zarix64/zarix64.h"

using zarix::db::FindSpace;
using zarix::db::kShelves;
using zarix::db::Space;

namespace {

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

// Copies `text` into buf (cap bytes), cut on a character boundary, zero-terminated.
void CopyOut(std::string_view text, char* buf, int cap) {
  if (!buf || cap <= 0) return;
  const std::string_view cut = zarix::db::CutUtf8(text, static_cast<size_t>(cap - 1));
  memcpy(buf, cut.data(), cut.size());
  buf[cut.size()] = '\0';
}

bool ValidShelf(int shelf) { return shelf >= 0 && shelf < kShelves; }

// Runs `body(space)` for a valid space handle; exceptions become ZARIX_ERR_IO.
template <typename Body>
int WithSpace(int handle, Body body) {
  Space* space = FindSpace(handle);
  if (!space) return ZARIX_ERR_BAD_SPACE;
  try {
    return body(*space);
  } catch (const std::exception& e) {
    space->message() = e.what();
    return ZARIX_ERR_IO;
  } catch (...) {
    return ZARIX_ERR_IO;
  }
}

template <typename Body>
int WithShelf(int handle, int shelf, Body body) {
  if (!ValidShelf(shelf)) return FindSpace(handle) ? ZARIX_ERR_ARGUMENT : ZARIX_ERR_BAD_SPACE;
  return WithSpace(handle, [&](Space& s) { return body(s, s.shelf(shelf)); });
}

// Field index from 1 -> vector index, or -1.
int FieldPos(const zarix::db::Record& r, int index) {
  return index >= 1 && index <= static_cast<int>(r.fields.size()) ? index - 1 : -1;
}

const char* const kEmpty = "";

}  // namespace

extern "C" {

int zarix_uatab_init(const char* uctab, const char* reserved, const char* actab,
                     const char* zarixpath, const char* datapath) {
  try {
    zarix::db::ProcessSettings settings = zarix::db::GetProcessSettings();
    settings.zarixpath = Str(zarixpath);
    settings.datapath = Str(datapath);
    settings.uctab_name = Str(uctab);
    settings.tables = zarix::db::Tables::Load(settings.zarixpath, Str(uctab), Str(actab), nullptr);
    zarix::db::SetProcessSettings(settings);
    return ZARIX_OK;
  } catch (...) {
    return ZARIX_ERR_IO;
  }
}

int zarix_init_DepositPath(const char* path) {
  zarix::db::ProcessSettings settings = zarix::db::GetProcessSettings();
  settings.deposit_path = Str(path);
  zarix::db::SetProcessSettings(settings);
  return ZARIX_OK;
}

int zarix_set_options(int option1, int option2, int option3) {
  zarix::db::ProcessSettings settings = zarix::db::GetProcessSettings();
  settings.options[0] = option1;
  settings.options[1] = option2;
  settings.options[2] = option3;
  zarix::db::SetProcessSettings(settings);
  return ZARIX_OK;
}

int zarix_MainIni_Init(const char* ini_file) {
  zarix::db::ProcessSettings settings = zarix::db::GetProcessSettings();
  settings.ini_file = Str(ini_file);
  zarix::db::SetProcessSettings(settings);
  return ZARIX_OK;
}

int ZarixDLLVersion(char* buf, int cap) {
  if (!buf || cap < 5) return ZARIX_ERR_ARGUMENT;
  CopyOut("2020", buf, cap);
  return ZARIX_OK;
}

int Zarixinit(void) {
  try {
    return zarix::db::NewSpace();
  } catch (...) {
    return 0;
  }
}

int ZarixInitUACTAB(int space) {
  return WithSpace(space, [](Space& s) {
    s.UseProcessTables();
    return ZARIX_OK;
  });
}

int Zarixclose(int space) {
  if (!FindSpace(space)) return ZARIX_ERR_BAD_SPACE;
  zarix::db::CloseSpace(space);
  return ZARIX_OK;
}

int Zarixinitmst(int space, const char* prefix, int mode) {
  return WithSpace(space, [&](Space& s) { return s.OpenMaster(Str(prefix)); });
}

int Zarixinitterm(int space, const char* prefix) {
  return WithSpace(space, [&](Space& s) { return s.OpenInverted(Str(prefix)); });
}

int ZarixInitInvContext(int space, const char* parameter_dir, const char* path2, int flag,
                        const char* actab, const char* reserved) {
  return WithSpace(space,
                   [&](Space& s) { return s.InitInvContext(Str(parameter_dir), Str(actab)); });
}

int Zarixmaxmfn(int space) {
  return WithSpace(space, [](Space& s) { return s.db() ? s.db()->MaxMfn() : ZARIX_ERR_NOT_OPEN; });
}

int ZarixIsDBLocked(int space) {
  return WithSpace(space, [](Space& s) {
    if (!s.db()) return ZARIX_ERR_NOT_OPEN;
    return s.db()->IsLocked() ? ZARIX_DB_LOCKED : ZARIX_OK;
  });
}

int ZarixDBEmptyTime(int space, int wait_seconds) {
  return WithSpace(space, [](Space& s) {
    if (!s.db()) return ZARIX_ERR_NOT_OPEN;
    zarix::db::Status st = s.db()->Empty();
    return st.ok() ? ZARIX_OK : s.Fail(st);
  });
}

int ZarixRecord(int space, int shelf, int mfn) {
  return WithShelf(space, shelf,
                   [&](Space& s, zarix::db::Record&) { return s.ReadRecord(shelf, mfn); });
}

int ZarixRecordBack(int space, int shelf) {
  return WithShelf(space, shelf, [&](Space& s, zarix::db::Record& r) {
    if (r.mfn <= 0) return ZARIX_NO_RECORD;
    return s.ReadRecord(shelf, r.mfn);
  });
}

int Zarixnewrec(int space, int shelf) {
  return WithShelf(space, shelf, [](Space&, zarix::db::Record& r) {
    r = zarix::db::Record();
    return ZARIX_OK;
  });
}

int Zarixmfn(int space, int shelf) {
  return WithShelf(space, shelf, [](Space&, zarix::db::Record& r) { return r.mfn; });
}

int Zarixchangemfn(int space, int shelf, int mfn) {
  if (mfn < 0) return ZARIX_ERR_ARGUMENT;
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) {
    r.mfn = mfn;
    return ZARIX_OK;
  });
}

int ZarixReadVersion(int space, int mfn) {
  return WithSpace(
      space, [&](Space& s) { return s.db() ? s.db()->ReadVersion(mfn) : ZARIX_ERR_NOT_OPEN; });
}

int ZarixSetVersion(int space, int shelf, int version) {
  if (version < 0) return ZARIX_ERR_ARGUMENT;
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) {
    r.version = version;
    return ZARIX_OK;
  });
}

int Zarixrecdel(int space, int shelf) {
  return WithShelf(space, shelf, [](Space&, zarix::db::Record& r) {
    r.flags |= zarix::db::kFlagDeleted;
    return ZARIX_OK;
  });
}

int ZarixGetGuid(int space, int shelf, char* buf, int cap) {
  if (!buf || cap <= 0) return ZARIX_ERR_ARGUMENT;
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) {
    CopyOut(r.guid, buf, cap);
    return ZARIX_OK;
  });
}

int ZarixSetGuid(int space, int shelf, const char* guid) {
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) {
    r.guid = Str(guid);
    return ZARIX_OK;
  });
}

int Zarixnfields(int space, int shelf) {
  return WithShelf(space, shelf,
                   [](Space&, zarix::db::Record& r) { return static_cast<int>(r.fields.size()); });
}

int Zarixnocc(int space, int shelf, int tag) {
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) { return r.CountTag(tag); });
}

int Zarixfieldn(int space, int shelf, int tag, int occurrence) {
  return WithShelf(space, shelf,
                   [&](Space&, zarix::db::Record& r) { return r.FindField(tag, occurrence) + 1; });
}

int Zarixfldtag(int space, int shelf, int index) {
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) {
    const int pos = FieldPos(r, index);
    return pos < 0 ? 0 : r.fields[pos].tag;
  });
}

const char* Zarixfield(int space, int shelf, int index, const char* option) {
  Space* s = FindSpace(space);
  if (!s || !ValidShelf(shelf)) return kEmpty;
  try {
    const zarix::db::Record& r = s->shelf(shelf);
    const int pos = FieldPos(r, index);
    if (pos < 0) return kEmpty;
    const std::string& text = r.fields[pos].text;
    if (!option || !option[0]) return text.c_str();
    s->scratch() = std::string(zarix::db::Subfield(text, option[0]));
    return s->scratch().c_str();
  } catch (...) {
    return kEmpty;
  }
}

int Zarixfldadd(int space, int shelf, int tag, const char* text, int reserved) {
  if (tag < 1) return FindSpace(space) ? ZARIX_ERR_ARGUMENT : ZARIX_ERR_BAD_SPACE;
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) {
    r.fields.push_back(zarix::db::Field{tag, Str(text)});
    return static_cast<int>(r.fields.size());
  });
}

int Zarixfldrep(int space, int shelf, int index, const char* text) {
  return WithShelf(space, shelf, [&](Space&, zarix::db::Record& r) {
    const int pos = FieldPos(r, index);
    if (pos < 0) return ZARIX_ERR_ARGUMENT;
    if (!text || !text[0]) {
      r.fields.erase(r.fields.begin() + pos);
    } else {
      r.fields[pos].text = text;
    }
    return ZARIX_OK;
  });
}

int Zarixfldempty(int space, int shelf) {
  return WithShelf(space, shelf, [](Space&, zarix::db::Record& r) {
    r.fields.clear();
    return ZARIX_OK;
  });
}

int ZarixRecUpdateTime(int space, int shelf, int reserved1, int update_index, int reserved2,
                       int* status, int* mfn_out) {
  const int rc = WithShelf(space, shelf, [&](Space& s, zarix::db::Record&) {
    zarix::Mfn mfn = 0;
    const int r = s.WriteRecord(shelf, update_index != 0, &mfn);
    if (r == ZARIX_OK && mfn_out) *mfn_out = mfn;
    return r;
  });
  if (status) *status = rc;
  return rc;
}

int ZarixRecUpdate0(int space, int shelf, int update_index) {
  return ZarixRecUpdateTime(space, shelf, 0, update_index, 0, nullptr, nullptr);
}

int ZarixRecIfUpdate0(int space, int shelf, int mfn) {
  return WithSpace(space, [&](Space& s) {
    if (!s.db()) return ZARIX_ERR_NOT_OPEN;
    if (mfn < 0) return ZARIX_ERR_ARGUMENT;
    zarix::db::Status st = mfn > 0 ? s.db()->ReindexRecord(mfn) : s.db()->ReindexPending(nullptr);
    return st.ok() ? ZARIX_OK : s.Fail(st);
  });
}

int Zarixfind(int space, char* term, int cap) {
  return WithSpace(space, [&](Space& s) {
    const int rc = s.Find(term ? std::string_view(term) : std::string_view());
    if (term && cap > 0) CopyOut(s.term(), term, cap);
    return rc;
  });
}

int Zarixnxtterm(int space, char* buf, int cap) {
  return WithSpace(space, [&](Space& s) {
    const int rc = s.NextTerm();
    CopyOut(s.term(), buf, cap);
    return rc;
  });
}

int Zarixprevterm(int space, char* buf, int cap) {
  return WithSpace(space, [&](Space& s) {
    const int rc = s.PrevTerm();
    CopyOut(s.term(), buf, cap);
    return rc;
  });
}

int Zarixterm(int space, char* buf, int cap) {
  return WithSpace(space, [&](Space& s) {
    CopyOut(s.term(), buf, cap);
    return s.on_term() ? ZARIX_OK : ZARIX_END;
  });
}

int Zarixnposts(int space) {
  return WithSpace(space, [](Space& s) {
    const int64_t n = s.PostingCount();
    return n > INT32_MAX ? INT32_MAX : static_cast<int>(n);
  });
}

int Zarixinitpost(int space) {
  return WithSpace(space, [](Space& s) {
    s.InitPost();
    return ZARIX_OK;
  });
}

int Zarixnxtpost(int space) {
  return WithSpace(space, [](Space& s) { return s.NextPost(); });
}

int Zarixposting(int space, int what) {
  return WithSpace(space, [&](Space& s) { return s.PostingPart(what); });
}

int Zarix_InitPFT(int space, const char* format) {
  return WithSpace(space, [&](Space& s) { return s.CompileFormat(Str(format)); });
}

int Zarix_Format(int space, int shelf, int reserved, int mode, int capacity, const char* caller) {
  return WithShelf(space, shelf,
                   [&](Space& s, zarix::db::Record&) { return s.Format(shelf, mode, capacity); });
}

const char* Zarix_FormatResult(int space) {
  Space* s = FindSpace(space);
  return s ? s->format_result().c_str() : kEmpty;
}

const char* ZarixLastMessage(int space) {
  Space* s = FindSpace(space);
  return s ? s->message().c_str() : kEmpty;
}

}  // extern "C"
