// Reader identification in its two variants.
#include "records/reader_identification.h"

#include <cstdio>
#include <string>

#include "engine/engine_api.h"
#include "processor/request_context.h"
#include "processor/server_config.h"
#include "util/path.h"
#include "util/unicode_upper.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

constexpr std::string_view kAnyAddress = "*.*.*.*";

constexpr int kReadNotIndexed = -602;  // read, waits for indexing

bool RecordRead(int status) { return status == 0 || status == kReadNotIndexed; }

bool IsAsciiGuest(std::string_view id) {
  constexpr std::string_view kGuest = "GUEST";
  if (id.size() != kGuest.size()) return false;
  for (size_t i = 0; i < id.size(); ++i) {
    char c = id[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kGuest[i]) return false;
  }
  return true;
}

// The client address as the web server gave it; request fields never replace it.
std::string ClientAddress(const RequestContext& ctx) {
  std::string address = ctx.web_ini.ReadString(kFormSection, "URLTag");
  return address.empty() ? std::string("0.0.0.0") : address;
}

// Opens the reader database in `space`; false when it cannot be resolved or opened.
bool OpenReaderDatabase(RequestContext& ctx, int space) {
  const std::string& name = ctx.rdr_name;
  // The name may come from the request: it must stay a name inside the data folder.
  if (name.empty() || !IsSafeRelativeName(name)) return false;
  DatabasePathSet paths;
  if (DatabasePaths(ctx.server_ini, name, ctx.datapath, &paths) != 0) return false;
  EngineApi& e = *ctx.engine;
  if (e.Zarixinitmst(space, paths.master + name, 3) != 0) return false;
  return e.Zarixinitterm(space, paths.inverted + name) == 0;
}

bool TermExists(RequestContext& ctx, int space, std::string_view identifier) {
  if (identifier.empty()) return false;
  return ctx.engine->Zarixfind(space, SearchKey(ctx.rdr_pref_reader + std::string(identifier))) ==
         0;
}

// The surname of the reader record on shelf 0 against the one typed, in any letter case.
bool SurnameMatches(RequestContext& ctx, int space, const std::string& typed) {
  EngineApi& e = *ctx.engine;
  const int tag =
      static_cast<int>(ctx.server_ini.ReadInteger("Request", "RQSTTAGFAMILYREADER", 130));
  const int field = e.Zarixfieldn(space, 0, tag, 1);
  const std::string stored = field > 0 ? e.Zarixfield(space, 0, field) : std::string();
  return SameTextUtf8(stored, typed);
}

// The record on shelf 0 lists the client address, or "*.*.*.*".
bool AddressAdmitted(RequestContext& ctx, int space) {
  EngineApi& e = *ctx.engine;
  const int tag = static_cast<int>(ctx.server_ini.ReadInteger("Reader", "TAGIPREADER", 112));
  const int n = e.Zarixnocc(space, 0, tag);
  for (int occ = 1; occ <= n; ++occ) {
    const int field = e.Zarixfieldn(space, 0, tag, occ);
    if (field <= 0) continue;
    const std::string allowed = e.Zarixfield(space, 0, field);
    if (allowed == kAnyAddress) return true;
    if (!allowed.empty() && SameTextUtf8(allowed, ctx.reader.client_address)) return true;
  }
  return false;
}

void Identify(RequestContext& ctx, bool check_address) {
  ReaderContext& reader = ctx.reader;
  reader = ReaderContext();
  const ReaderKeySettings settings = ReaderKeySettingsFor(ctx);
  const KeyTime now = KeyTimeNow();
  std::string key = ctx.RequestParam("Z21ID");
  const std::string surname = ctx.RequestParam("Z21FAMILY");
  if (check_address) reader.client_address = ClientAddress(ctx);

  const int space = ctx.space2;
  // Most requests name no reader: the reader database is not even opened for them.
  if (key.empty()) return;
  // Without a reader database Z21ID keeps what the request brought, and nobody is identified.
  if (space == 0 || !OpenReaderDatabase(ctx, space)) return;

  bool found = TermExists(ctx, space, key);
  if (!found) {
    key = ReadReaderKey(key, settings, now);
    found = TermExists(ctx, space, key);
    // A valid key stands for an earlier identification: no surname check again.
    if (found) ctx.SetRequestParam("Z21FLAGID", "0");
  }
  reader.reader_id = key;
  reader.reader_guest_id = IsAsciiGuest(key) ? key + "_" + ClientAddress(ctx) : key;
  std::string fresh_key = MakeReaderKey(key, settings, now);

  EngineApi& e = *ctx.engine;
  bool identified = found && e.Zarixnposts(space) > 0 && e.Zarixnxtpost(space) == 0;
  int mfn = identified ? e.Zarixposting(space, 1) : 0;
  const bool surname_check = ctx.RequestParam("Z21FLAGID", "0") != "0";
  if (identified && (surname_check || check_address)) {
    identified = mfn > 0 && RecordRead(e.ZarixRecord(space, 0, mfn));
    if (identified && surname_check) identified = SurnameMatches(ctx, space, surname);
    if (identified && check_address) identified = AddressAdmitted(ctx, space);
  }
  if (!identified || mfn <= 0) fresh_key.clear();
  if (!fresh_key.empty()) {
    reader.reader_key = fresh_key;
    reader.reader_mfn = mfn;
  }
  ctx.SetRequestParam("Z21ID", fresh_key);
}

}  // namespace

ReaderKeySettings ReaderKeySettingsFor(const RequestContext& ctx) {
  ReaderKeySettings s;
  s.time_live_minutes = ctx.server_ini.ReadInteger("WEB", "TimeLiveKey", 0);
  s.time_unlimited = ParseWholeNumber(ctx.RequestParam("Z21ID_TIME_UNLIMITED"), 0) != 0;
  const std::string table = ctx.server_ini.ReadString("Reader", "KeyDigits");
  if (!table.empty()) {
    if (std::optional<KeyDigits> digits = KeyDigits::Parse(table)) {
      s.digits = *digits;
    } else {
      std::fprintf(stderr,
                   "cgizarix64: [Reader] KeyDigits must be ten digits, each digit once and none "
                   "in its own place (like 4759120836); the built-in table is used\n");
    }
  }
  return s;
}

std::string SearchKey(std::string_view text, size_t limit) {
  std::string key = UpperUtf8(text);
  if (key.size() > limit) {
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(key[cut]) & 0xC0) == 0x80) --cut;
    key.resize(cut);
  }
  return key;
}

void IdentifyReader(RequestContext& ctx) { Identify(ctx, false); }

void IdentifyReaderWithAddress(RequestContext& ctx) { Identify(ctx, true); }

}  // namespace zarix
