// Record update (R) and ISO import (I).
#include "records/record_update.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include "engine/engine_api.h"
#include "frames/command_executor.h"
#include "frames/result_pages.h"
#include "processor/request_context.h"
#include "processor/server_config.h"
#include "records/access_rules.h"
#include "records/field_selection.h"
#include "records/modification_script.h"
#include "records/record_form.h"
#include "util/find_text_file.h"
#include "util/path.h"
#include "util/utf8.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

constexpr int kUploadFileTag = 955;
constexpr int kReaderIdTag = 30;
// ZarixRecord statuses that still read the record: written, waiting for indexing, deleted.
constexpr int kReadNotIndexed = -602;
constexpr int kReadDeleted = -603;

// A fixed-width decimal field of `text`; anything that is not a number, or lies outside the
// text, counts as 0.
size_t FixedNumber(std::string_view text, size_t at, size_t width) {
  if (at + width > text.size()) return 0;
  size_t v = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    v = v * 10 + static_cast<size_t>(text[i] - '0');
  }
  return v;
}

long long FormInt(RequestContext& ctx, const std::string& name, long long def) {
  return ParseWholeNumber(ctx.RequestParam(name), def, -0x7fffffffLL, 0x7fffffffLL);
}

// Copies every field of `from` into `to` (appended in order).
void CopyFields(EngineApi& e, int space, int from, int to) {
  const int n = e.Zarixnfields(space, from);
  for (int i = 1; i <= n; ++i) {
    e.Zarixfldadd(space, to, e.Zarixfldtag(space, from, i), e.Zarixfield(space, from, i), i);
  }
}

// The uploaded file goes into the full-text folder under a temporary name first, so that a
// reader of the folder never sees half a file, and replaces an older file of that name at once.
bool StoreFile(const std::string& folder, const std::string& name, std::string_view data) {
  const std::string target = NativePath(folder + name);
  const std::string temporary =
      NativePath(folder + "." + name + ".upload-" + std::to_string(getpid()));
  if (!WriteFileBytes(temporary, data)) {
    RemoveFile(temporary);
    return false;
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    RemoveFile(temporary);
    return false;
  }
  return true;
}

struct UploadOutcome {
  bool failed = false;
  std::string check_output;  // the format control's output when it failed
};

// Step "uploaded file" of a group: field 955, format control, storing, field selection.
UploadOutcome AttachUpload(RequestContext& ctx, PageState& page) {
  UploadOutcome out;
  EngineApi& e = *ctx.engine;
  const FormPart& file = ctx.request.files.front();
  if (ctx.trace.enabled()) {
    ctx.trace.Add("_Request.Files.Count=" + std::to_string(ctx.request.files.size()));
  }
  const std::string name = CleanUploadName(file.file_name);
  std::string folder;
  const int rc = ExternalFilesPath(ctx.engine_database, ctx.datapath,
                                   ctx.server_ini.ReadString("MAIN", "SYSPATH"), &folder);
  // Without a full-text folder the file would land in the working folder: refused.
  if (name.empty() || rc != 0) {
    out.failed = true;
    return out;
  }
  e.Zarixfldadd(ctx.space1, 0, kUploadFileTag, "^A" + name);
  const std::string flc = ctx.server_ini.ReadString("FULLTEXT", "WRITE_TEXT_FLC");
  if (!flc.empty() && IsSafeRelativeName(flc) && FileExists(ctx.deposit_path + flc + ".pft")) {
    FormatCheck check = CheckFormat(e, ctx.space1, 0, ctx.deposit_path + flc);
    if (check.failed) {
      out.failed = true;
      out.check_output = std::move(check.output);
      while (!out.check_output.empty() &&
             (out.check_output.back() == '\n' || out.check_output.back() == '\r')) {
        out.check_output.pop_back();
      }
      return out;
    }
  }
  if (!StoreFile(folder, name, file.data)) {
    out.failed = true;
    return out;
  }
  const std::string fst = ctx.server_ini.ReadString("FULLTEXT", "WRITE_TEXT_FST");
  if (!fst.empty() && IsSafeRelativeName(fst) && FileExists(ctx.deposit_path + fst + ".fst")) {
    if (ctx.trace.enabled()) ctx.trace.Add("ZIDREADER=" + ctx.reader.reader_id);
    e.Zarixfldadd(ctx.space1, 0, kReaderIdTag, ctx.reader.reader_id);
    if (std::optional<std::string> table = ReadFileBytes(ctx.deposit_path + fst + ".fst")) {
      ApplyFieldSelection(e, ctx.space1, 0, 1, *table);
      e.Zarixfldempty(ctx.space1, 0);
      CopyFields(e, ctx.space1, 1, 0);
    }
  }
  (void)page;
  return out;
}

// The script of database folder `folder` (ending with a separator), or an empty list.
void LoadScript(RequestContext& ctx, const std::string& database, const std::string& folder,
                TPList* script) {
  const std::string name = ctx.auto_in_file.empty() ? "autoin.gbl" : ctx.auto_in_file;
  script->Clear();
  if (!IsSafeRelativeName(name)) return;
  FindTextFile(database, folder + name, ctx.deposit_path, script);
}

// The records a script made or corrected in other databases get those databases' own scripts
// (loaded again only when the database changes). Spaces those scripts open join the list, up
// to kMaxOtherSpaces in all; a failing script there leaves its record as it was made.
void RunOtherScripts(RequestContext& ctx, const ScriptDatabases& databases,
                     std::vector<OpenedSpace>* opened) {
  constexpr size_t kMaxOtherSpaces = 100;
  std::string loaded;
  TPList script;
  for (size_t k = 0; k < opened->size() && k < kMaxOtherSpaces; ++k) {
    const OpenedSpace other = (*opened)[k];
    if (other.database != loaded) {
      loaded = other.database;
      script.Clear();
      DatabasePathSet paths;
      if (DatabasePaths(ctx.server_ini, other.database, ctx.datapath, &paths) == 0) {
        LoadScript(ctx, other.database, paths.parameter, &script);
      }
    }
    if (script.Count() == 0) continue;
    ScriptDatabases own = databases;
    own.database = other.database;
    std::vector<OpenedSpace> more;
    try {
      RunModificationScript(*ctx.engine, other.space, 0, own, script, &more);
    } catch (...) {
    }
    for (const OpenedSpace& m : more) {
      if (opened->size() < kMaxOtherSpaces) {
        opened->push_back(m);
      } else {
        ctx.engine->Zarixclose(m.space);
      }
    }
  }
}

// [MAIN] RecUpdateFormat runs on the written record with the request-log fields and the reader's
// fields (binary resources left out) added; its output is not shown.
void RunUpdateFormat(RequestContext& ctx, PageState& page) {
  const std::string name = ctx.server_ini.ReadString("MAIN", "RecUpdateFormat");
  if (name.empty() || !IsSafeRelativeName(name)) return;
  EngineApi& e = *ctx.engine;
  for (const LogField& f : ctx.log_fields) {
    if (f.tag > 0 && !f.value.empty()) e.Zarixfldadd(ctx.space1, 0, f.tag, f.value);
  }
  const int binary_tag =
      static_cast<int>(ctx.server_ini.ReadInteger("MAIN", "BINARY_RESOURCE_TAG", 953));
  const int rc = ctx.space2 != 0 && ctx.reader.reader_mfn > 0
                     ? e.ZarixRecord(ctx.space2, 0, ctx.reader.reader_mfn)
                     : -1;
  if (rc == 0 || rc == kReadNotIndexed || rc == kReadDeleted) {
    const int n = e.Zarixnfields(ctx.space2, 0);
    for (int i = 1; i <= n; ++i) {
      const int tag = e.Zarixfldtag(ctx.space2, 0, i);
      if (tag != binary_tag) e.Zarixfldadd(ctx.space1, 0, tag, e.Zarixfield(ctx.space2, 0, i));
    }
  }
  if (e.Zarix_InitPFT(ctx.space1, "@" + page.database_folder + name) == 0) {
    e.Zarix_Format(ctx.space1, 0, 1, 1, 32000);
  }
}

}  // namespace

std::string CleanUploadName(std::string_view client_name) {
  const size_t sep = client_name.find_last_of("/\\");
  std::string_view name = sep == std::string_view::npos ? client_name : client_name.substr(sep + 1);
  if (name.find_first_not_of('.') == std::string_view::npos) return {};
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == ':') return {};
  }
  if (!IsValidUtf8(name)) return {};
  return std::string(name);
}

int ReadIsoRecord(EngineApi& engine, int space, int shelf, std::string_view text) {
  const size_t length = FixedNumber(text, 0, 5);
  if (length < text.size()) text = text.substr(0, length);
  const size_t base = FixedNumber(text, 12, 5);
  engine.Zarixfldempty(space, shelf);
  constexpr size_t kLeader = 24, kEntry = 12;
  // The directory ends with a field terminator just before the base address.
  if (base < kLeader + 1 || base > text.size()) return 0;
  const size_t entries = (base - 1 - kLeader) / kEntry;
  const std::string_view data = text.substr(base);
  int status = 0;
  for (size_t n = 0; n < entries; ++n) {
    const size_t entry = kLeader + n * kEntry;
    const size_t tag = FixedNumber(text, entry, 3);
    const size_t field_length = FixedNumber(text, entry + 3, 4);
    const size_t start = FixedNumber(text, entry + 7, 5);
    if (tag == 0 || field_length < 2 || start > data.size() ||
        field_length - 1 > data.size() - start) {
      continue;
    }
    std::string value(data.substr(start, field_length - 1));
    if (!IsValidUtf8(value)) {
      status = kNothingImported;
      continue;
    }
    for (char& c : value) {
      if (c == 0x1F) c = '^';
    }
    // The engine keeps texts as C strings: a NUL would cut the value silently.
    if (value.find('\0') != std::string::npos) {
      status = kNothingImported;
      continue;
    }
    engine.Zarixfldadd(space, shelf, static_cast<int>(tag), value);
  }
  return status;
}

void ImportIsoRecord(RequestContext& ctx, std::string* answer) {
  *answer = std::to_string(kNothingImported);
  if (ctx.reader.reader_key.empty() || ctx.reader.reader_mfn <= 0) return;
  if (ImportAllowed(ctx.server_ini, ctx.database, ctx.reader.reader_key,
                    ctx.reader.client_address) != 0) {
    *answer = std::to_string(kImportNotAllowed);
    return;
  }
  EngineApi& e = *ctx.engine;
  e.Zarixnewrec(ctx.space1, 0);
  const std::string iso = ctx.RequestParam("I21ISO");
  if (iso.empty()) return;
  if (ReadIsoRecord(e, ctx.space1, 0, iso) != 0) return;
  if (e.Zarixnfields(ctx.space1, 0) == 0) return;
  const std::string flc = ctx.server_ini.ReadString(ctx.database, "IMPORT_ISO_DBNFLC");
  if (!flc.empty()) {
    if (!IsSafeRelativeName(flc)) return;
    DatabasePathSet paths;
    if (DatabasePaths(ctx.server_ini, ctx.engine_database, ctx.datapath, &paths) != 0) return;
    if (CheckFormat(e, ctx.space1, 0, paths.parameter + flc).failed) return;
  }
  int status = e.ZarixRecUpdateTime(ctx.space1, 0, 0, 1, 5);
  *answer = std::to_string(status);
}

void ImportIsoCommand(RequestContext& ctx) {
  ctx.page_text = std::to_string(kNothingImported);
  if (ctx.reader.reader_id.empty()) return;
  PageState page;
  if (!OpenDatabase(ctx, page)) return;
  std::string output;
  ExecuteCommand(ctx, page, &output);
}

void UpdateRecords(RequestContext& ctx, PageState& page) {
  if (ctx.reader.reader_key.empty() || ctx.reader.reader_mfn <= 0) return;
  EngineApi& e = *ctx.engine;
  const int space = ctx.space1;
  const long long result_tag = ctx.server_ini.ReadInteger("PARAMETRS", "RecUpdateResultTag", 0);
  const long long flc_tag = ctx.server_ini.ReadInteger("PARAMETRS", "RecUpdateResultTagFLC", 0);
  ScriptDatabases databases;
  databases.database = ctx.engine_database;
  databases.datapath = ctx.datapath;
  databases.syspath = ctx.server_ini.ReadString("MAIN", "SYSPATH");
  databases.zarixpath = ctx.zarixpath;
  std::set<int> edited_tags;
  for (const std::string& p : FormGroupPrefixes(ctx.web_ini)) {
    const long long mfn = FormInt(ctx, p + "R21MFN", -1);
    if (mfn < 0) continue;
    const int update_index = static_cast<int>(FormInt(ctx, p + "R21IFP", 0));
    const long long mode = FormInt(ctx, p + "R21UPD", 1);
    int status = 0;
    UploadOutcome upload;
    // The version the record had before this request read it: the written record carries it,
    // so that a change another request made in between makes the write fail (-607) instead of
    // being overwritten. Taken before the read: a change between the two fails safe.
    int version = 0;
    if (mfn > 0) version = std::max(0, e.ZarixReadVersion(space, static_cast<int>(mfn)));
    if (mfn == 0) {
      e.Zarixnewrec(space, 0);
    } else if (mode == 0) {
      e.Zarixnewrec(space, 0);
      e.Zarixchangemfn(space, 0, static_cast<int>(mfn));
      e.ZarixSetVersion(space, 0, version);
    } else {
      const int rc = e.ZarixRecord(space, 0, static_cast<int>(mfn));
      // Editing whatever the shelf held before would write it under this MFN.
      if (rc != 0 && rc != kReadNotIndexed && rc != kReadDeleted) status = rc;
      if (status == 0) e.ZarixSetVersion(space, 0, version);
      if (status == 0 && mode == 2) e.Zarixrecdel(space, 0);
    }
    if (status == 0) {
      ApplyGroupFields(ctx.web_ini, e, space, p, &edited_tags);
      if (!ctx.request.files.empty()) {
        upload = AttachUpload(ctx, page);
        if (upload.failed) status = kUploadRefused;
      }
    }
    if (status == 0) {
      // The script works on a copy: a failed script leaves the record as the form made it.
      e.Zarixnewrec(space, 1);
      e.Zarixchangemfn(space, 1, e.Zarixmfn(space, 0));
      CopyFields(e, space, 0, 1);
      e.ZarixSetVersion(space, 1, version);
      const std::string guid = e.ZarixGetGuid(space, 0);
      if (!guid.empty()) e.ZarixSetGuid(space, 1, guid);
      TPList script;
      LoadScript(ctx, ctx.engine_database, page.database_folder, &script);
      bool script_ok = false;
      std::vector<OpenedSpace> opened;
      if (script.Count() > 0) {
        try {
          script_ok = RunModificationScript(e, space, 1, databases, script, &opened).empty();
        } catch (...) {
          script_ok = false;
        }
      }
      if (script_ok) RunOtherScripts(ctx, databases, &opened);
      status = e.ZarixRecUpdateTime(space, script_ok ? 1 : 0, 0, update_index, 5);
      for (const OpenedSpace& other : opened) {
        if (status == 0 && script_ok) e.ZarixRecUpdateTime(other.space, 0, 0, 1, 5);
        e.Zarixclose(other.space);
      }
    }
    if (status == kUploadRefused && flc_tag > 0 && !upload.check_output.empty()) {
      ctx.log_fields.push_back({upload.check_output, static_cast<int>(flc_tag)});
    }
    if (result_tag > 0) {
      ctx.log_fields.push_back({std::to_string(status), static_cast<int>(result_tag)});
    }
    RunUpdateFormat(ctx, page);
  }
}

}  // namespace zarix
