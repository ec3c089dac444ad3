// Orders of documents, serial issues and articles.
#include "records/orders.h"

#include <ctime>
#include <set>
#include <string_view>
#include <vector>

#include "engine/engine_api.h"
#include "frames/command_executor.h"
#include "frames/message_page.h"
#include "processor/request_context.h"
#include "processor/server_config.h"
#include "records/reader_identification.h"
#include "records/record_form.h"
#include "util/ascii_case.h"
#include "util/path.h"
#include "util/whole_number.h"

namespace zarix {

namespace {

constexpr size_t kMessageNoDocument = 3;
constexpr size_t kMessageOneOrder = 4;
constexpr size_t kMessageOrders = 5;
constexpr size_t kMessageNoOrder = 6;
constexpr size_t kMessageNoReader = 7;
constexpr size_t kMessageUnknownReader = 8;
constexpr size_t kMessageNoOrderDatabase = 9;
constexpr int kFormatCapacity = 32000;
constexpr int kReadNotIndexed = -602;
constexpr std::string_view kOrderDatabase = "RQST";

// The order database in a space of its own, closed when the order is done.
class OrderSpace {
 public:
  explicit OrderSpace(EngineApi& e) : e_(e) {}
  ~OrderSpace() {
    if (space_ != 0) e_.Zarixclose(space_);
  }
  OrderSpace(const OrderSpace&) = delete;
  OrderSpace& operator=(const OrderSpace&) = delete;

  bool Open(const RequestContext& ctx) {
    space_ = e_.Zarixinit();
    if (space_ == 0) return false;
    const std::string name(kOrderDatabase);
    DatabasePathSet paths;
    if (DatabasePaths(ctx.server_ini, name, ctx.datapath, &paths) != 0) return false;
    if (e_.Zarixinitmst(space_, paths.master + name, 3) != 0) return false;
    if (e_.Zarixinitterm(space_, paths.inverted + name) != 0) return false;
    e_.ZarixInitInvContext(space_, paths.parameter, "", 0, ctx.actabpath, "");
    return true;
  }
  int space() const { return space_; }

 private:
  EngineApi& e_;
  int space_ = 0;
};

// The record on shelf 0 of `space` through the brief format of the database whose parameter
// folder is `folder` ("" when the format is missing or fails).
std::string Brief(EngineApi& e, int space, const std::string& folder, const std::string& name) {
  if (!IsSafeRelativeName(name)) return std::string();
  if (e.Zarix_InitPFT(space, "@" + folder + "\\" + name) != 0) return std::string();
  if (e.Zarix_Format(space, 0, 1, 1, kFormatCapacity) < 0) return std::string();
  return e.Zarix_FormatResult(space);
}

std::string FirstField(EngineApi& e, int space, int tag, const std::string& subfield = {}) {
  const int field = e.Zarixfieldn(space, 0, tag, 1);
  return field > 0 ? e.Zarixfield(space, 0, field, subfield) : std::string();
}

std::string OrderTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%m-%d-%Y  %H:%M:%S", &local);
  return text;
}

void RemoveAll(std::string* s, std::string_view what) {
  for (size_t p = s->find(what); p != std::string::npos; p = s->find(what, p)) {
    s->erase(p, what.size());
  }
}

// The distinct parts of Z21NUM in order, at most kMaxIssuesPerOrder (an empty Z21NUM is one
// empty part).
std::vector<std::string> IssueNumbers(std::string_view numbers) {
  std::vector<std::string> parts;
  std::set<std::string> seen;
  size_t start = 0;
  while (parts.size() < kMaxIssuesPerOrder) {
    const size_t comma = numbers.find(',', start);
    std::string part(numbers.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (seen.insert(part).second) parts.push_back(std::move(part));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

struct Field {
  int tag;
  std::string text;
  int flag;
};

// The tags of the order record ([Request]).
struct OrderTags {
  explicit OrderTags(const IniStore& ini) {
    auto tag = [&](std::string_view key, long long def) {
      return static_cast<int>(ini.ReadInteger("Request", key, def));
    };
    dbn = tag("RQSTTAGDBN", 1);
    reader = tag("RQSTTAGREADER", 30);
    reader_brief = tag("RQSTTAGRDRBRIEF", 31);
    time = tag("RQSTTAGTIME0", 40);
    issue = tag("RQSTTAGDOP", 100);
    note = tag("RQSTTAGNOTE", 101);
    merge = tag("RQSTTAGMRG", 102);
    brief = tag("RQSTTAGBRIEF", 201);
    cipher = tag("RQSTTAGSHIFR", 903);
  }
  int dbn, reader, reader_brief, time, issue, note, merge, brief, cipher;
};

// Writes one order record made of `fields` (empty texts left out) and the form's own fields.
bool WriteOrder(RequestContext& ctx, int space, const std::vector<Field>& fields) {
  EngineApi& e = *ctx.engine;
  e.Zarixnewrec(space, 0);
  for (const Field& f : fields) {
    if (!f.text.empty()) e.Zarixfldadd(space, 0, f.tag, f.text, f.flag);
  }
  ApplyFormFields(ctx.web_ini, e, space);
  return e.ZarixRecUpdateTime(space, 0, 0, 1, 0) == 0;
}

}  // namespace

void PlaceOrder(RequestContext& ctx, PageState& page, std::string* output) {
  const std::string merge = ctx.RequestParam("Z21MRG");
  const std::string comment = ctx.RequestParam("Z21CMT");
  const std::string year = ctx.RequestParam("Z21YEAR");
  const std::string volume = ctx.RequestParam("Z21TOM");
  const std::string numbers = ctx.RequestParam("Z21NUM");
  const long long mfn = ParseWholeNumber(ctx.RequestParam("Z21MFN", "0"), 0);
  std::string issue_subfields;
  if (!year.empty()) issue_subfields += "^Q" + year;
  if (!volume.empty()) issue_subfields += "^F" + volume;
  if (!numbers.empty()) issue_subfields += "^H" + numbers;

  if (ctx.reader.reader_key.empty()) {
    *output += BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNoReader));
    return;
  }
  if (mfn <= 0) {
    *output += ctx.Message(kMessageNoDocument);
    return;
  }
  EngineApi& e = *ctx.engine;
  OrderSpace orders(e);
  if (!orders.Open(ctx)) {
    *output += ctx.Message(kMessageNoOrderDatabase);
    return;
  }
  if (ctx.space2 == 0 || ctx.reader.reader_mfn <= 0) {
    *output += ctx.Message(kMessageUnknownReader);
    return;
  }
  const int read_reader = e.ZarixRecord(ctx.space2, 0, ctx.reader.reader_mfn);
  if (read_reader != 0 && read_reader != kReadNotIndexed) {
    *output += ctx.Message(kMessageNoReader);
    return;
  }
  const std::string brief_name = ctx.server_ini.ReadString("MAIN", "BRIEFPft", "brief");
  DatabasePathSet reader_paths;
  const std::string reader_brief =
      DatabasePaths(ctx.server_ini, ctx.rdr_name, ctx.datapath, &reader_paths) == 0
          ? Brief(e, ctx.space2, reader_paths.parameter, brief_name)
          : std::string();

  // The document. A record that cannot be read is no document: ordering whatever the shelf
  // held before would order the wrong book.
  const int space = ctx.space1;
  const int read_document = e.ZarixRecord(space, 0, static_cast<int>(mfn));
  if (read_document != 0 && read_document != kReadNotIndexed) {
    *output += ctx.Message(kMessageNoDocument);
    return;
  }
  std::string doc_brief = Brief(e, space, page.database_folder, brief_name);
  RemoveAll(&doc_brief, "~~");

  const IniStore& ini = ctx.server_ini;
  const int tag_kind = static_cast<int>(ini.ReadInteger("Main", "TagVid", 920));
  const std::string serial_kind = ini.ReadString("Main", "SerVid", "J");
  const std::string analytic_kinds[] = {ini.ReadString("Main", "AnalVid1", "ASP"),
                                        ini.ReadString("Main", "AnalVid2", "AUNTD"),
                                        ini.ReadString("Main", "AnalVid3", "NJP")};
  const std::string cipher_prefix = ini.ReadString("Main", "DBNPREFSHIFR", "I=");
  const int tag_cipher = static_cast<int>(ini.ReadInteger("Main", "DBNTAGSHIFR", 903));
  const int tag_source = static_cast<int>(ini.ReadInteger("Main", "DBNTAGSOURCE", 463));
  const std::string source_subfield = ini.ReadString("Main", "DBNDELIMSOURCE", "W");
  const OrderTags tags(ini);

  std::string doc_cipher = FirstField(e, space, tag_cipher);
  const std::string order_time = OrderTime();
  const std::string kind = UpperAscii(FirstField(e, space, tag_kind));
  auto common_fields = [&](std::vector<Field>* fields) {
    fields->push_back({tags.time, order_time, 0});
    fields->push_back({tags.reader, ctx.reader.reader_id, 0});
    fields->push_back({tags.dbn, ctx.database, 0});
    fields->push_back({tags.reader_brief, reader_brief, 0});
  };

  // Only successful writes count: one failure among several orders must not turn the answer
  // into "none written" or "one written".
  size_t written = 0;
  if (kind == serial_kind) {
    if (issue_subfields.empty()) {
      *output += BuildMessagePage(ctx.server_ini, ctx.database, ctx.Message(kMessageNoDocument));
    } else {
      for (const std::string& number : IssueNumbers(numbers)) {
        std::string cipher = doc_cipher;
        if (!year.empty()) cipher += "/" + year;
        if (!volume.empty()) cipher += "/" + volume;
        if (!number.empty()) cipher += "/" + number;
        std::string issue;
        if (!year.empty()) issue += "ГОД: " + year;
        if (!volume.empty()) issue += " ТОМ: " + volume;
        if (!number.empty()) issue += " НОМЕР: " + number;
        // Only issues the catalogue knows can be fetched from the shelves.
        if (e.Zarixfind(space, SearchKey(cipher_prefix + cipher)) != 0) continue;
        std::vector<Field> fields = {{tags.brief, doc_brief, 0},
                                     {tags.cipher, cipher, 0},
                                     {tags.issue, issue, 0},
                                     {tags.note, comment, 0},
                                     {tags.merge, merge, 0}};
        common_fields(&fields);
        if (WriteOrder(ctx, orders.space(), fields)) ++written;
      }
    }
  } else {
    for (const std::string& analytic : analytic_kinds) {
      if (kind != analytic) continue;
      std::string source = FirstField(e, space, tag_source, source_subfield);
      if (!source.empty()) doc_cipher = std::move(source);
      break;
    }
    std::vector<Field> fields = {{tags.brief, doc_brief, 1},
                                 {tags.cipher, doc_cipher, 1},
                                 {tags.issue, issue_subfields, 1},
                                 {tags.note, comment, 1},
                                 {tags.merge, merge, 1}};
    common_fields(&fields);
    if (WriteOrder(ctx, orders.space(), fields)) ++written;
  }

  if (written == 1) {
    *output += ctx.Message(kMessageOneOrder);
  } else if (written > 1) {
    *output += ctx.Message(kMessageOrders) + " - " + std::to_string(written);
  } else {
    *output += ctx.Message(kMessageNoOrder);
  }
}

}  // namespace zarix
