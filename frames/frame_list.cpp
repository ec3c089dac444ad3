// Frame list and request-log fields of a request.
#include "frames/frame_list.h"

#include <ctime>

#include "gateway/request_store.h"
#include "util/ascii_case.h"

namespace zarix {

namespace {

std::string_view TrimControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The key naming the frame list in the database section, and the built-in list's three
// [WEB] keys with their default files; nullptr key for commands without frames.
struct FrameKeys {
  const char* section_key;
  const char* keys[3];
  const char* files[3];
};

const FrameKeys* KeysFor(char command) {
  static constexpr FrameKeys kF = {"ShowFrames",
                                   {"SearchHeader", "Main", "SearchFooter"},
                                   {"header.frm", "AMain.frm", "footer.frm"}};
  static constexpr FrameKeys kS = {"SearchFrames",
                                   {"SearchHeader", "SearchMain", "SearchFooter"},
                                   {"header.frm", "SMain.frm", "footer.frm"}};
  static constexpr FrameKeys kT = {"DictionryFrames",
                                   {"SearchHeader", "Dictionry", "SearchFooter"},
                                   {"header.frm", "dict.frm", "footer.frm"}};
  static constexpr FrameKeys kE = {"ExportFrames",
                                   {"SearchHeader", "SearchMain", "SearchFooterExport"},
                                   {"header.frm", "SMain.frm", "footer_export.frm"}};
  static constexpr FrameKeys kZ = {"ZakazFrames",
                                   {"SearchHeader", "ZAKAZ", "SearchFooter"},
                                   {"header.frm", "zakaz.frm", "footer.frm"}};
  static constexpr FrameKeys kIR = {"RecUpdateFrames",
                                    {"SearchHeader", "RecUpdate", "SearchFooter"},
                                    {"header.frm", "zakaz.frm", "footer.frm"}};
  switch (command) {
    case 'F':
      return &kF;
    case 'S':
      return &kS;
    case 'T':
      return &kT;
    case 'E':
      return &kE;
    case 'Z':
      return &kZ;
    case 'I':
    case 'R':
      return &kIR;
    default:
      return nullptr;
  }
}

// Values of every "Form Literal" line named `name` (any case), in request order.
std::vector<std::string> FieldValues(const IniStore& web_ini, std::string_view name) {
  std::vector<std::string> values;
  const std::string prefix = UpperAscii(name) + "=";
  for (const std::string& line : web_ini.SectionLines(kFormSection)) {
    if (line.size() >= prefix.size() && UpperAscii(line.substr(0, prefix.size())) == prefix) {
      values.push_back(line.substr(prefix.size()));
    }
  }
  return values;
}

std::string NowForLog() {
  time_t now = time(nullptr);
  tm local;
  localtime_r(&now, &local);
  char buf[32];
  strftime(buf, sizeof buf, "%d%m%Y %H:%M", &local);
  return buf;
}

}  // namespace

std::string DefaultFramesDir(const IniStore& server_ini, std::string_view database) {
  std::string root = server_ini.ReadString("WEB", "FRAMES");
  if (root.empty()) root = server_ini.ReadString("WEB", "CGIPATH");
  std::string dir =
      database.empty() ? std::string() : server_ini.ReadString(database, "DEFAULT_FRAMES");
  return dir.empty() ? root : dir;
}

std::vector<std::string> SplitFrameNames(std::string_view names) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t comma = names.find(','); comma != std::string_view::npos;
       comma = names.find(',', start)) {
    out.emplace_back(TrimControls(names.substr(start, comma - start)));
    start = comma + 1;
  }
  std::string_view rest = names.substr(start);
  if (!rest.empty()) out.emplace_back(TrimControls(rest));
  return out;
}

void InitFrameList(const IniStore& server_ini, const IniStore& web_ini, std::string_view database,
                   char command, const LogReaderIdentity& reader, FrameList* frames,
                   LogFieldList* log_fields) {
  frames->clear();
  log_fields->clear();
  auto db_key = [&](std::string_view key) {
    return database.empty() ? std::string() : server_ini.ReadString(database, key);
  };

  const std::string default_dir = DefaultFramesDir(server_ini, database);
  const FrameKeys* keys = KeysFor(command);
  std::string fallback;
  if (keys) {
    fallback = server_ini.ReadString("WEB", "ShowFrames");
    if (fallback.empty()) {
      for (int i = 0; i < 3; ++i) {
        if (i) fallback += ",";
        fallback += server_ini.ReadString("WEB", keys->keys[i], keys->files[i]);
      }
    }
  }
  if (server_ini.ReadInteger("MAIN", "DirectAccess", 0) != 0 &&
      !RequestParam(web_ini, server_ini, "S21FRAME").empty()) {
    frames->push_back(default_dir);
    frames->push_back("RESULT");
  } else {
    std::string names = keys ? db_key(keys->section_key) : std::string();
    if (names.empty()) names = fallback;
    std::string dir = db_key("FRAMES");
    frames->push_back(dir.empty() ? default_dir : dir);
    for (std::string& name : SplitFrameNames(names)) frames->push_back(std::move(name));
  }

  auto tag_of = [&](std::string_view key, long long def = 0) {
    return static_cast<int>(server_ini.ReadInteger("PARAMETRS", key, def));
  };
  auto add_clean = [&](std::string_view value, int tag) {
    std::string clean = SanitizeLogValue(value);
    if (!clean.empty() && tag > 0) log_fields->push_back({std::move(clean), tag});
  };
  const long long count = server_ini.ReadInteger("PARAMETRS", "PARCOUNT", 0);
  for (long long i = 1; i <= count; ++i) {
    const std::string name = server_ini.ReadString("PARAMETRS", "PARNAME" + std::to_string(i));
    const int tag = tag_of("PARTAG" + std::to_string(i));
    if (name.empty()) continue;
    for (const std::string& value : FieldValues(web_ini, name)) add_clean(value, tag);
  }
  for (const char* key : {"URLTag", "UserAgent", "IMAGE_FILE_NAME", "DTag"}) {
    add_clean(RequestParam(web_ini, server_ini, key), tag_of(key));
  }
  if (!reader.reader_id.empty()) {
    if (int tag = tag_of("ReaderIDTag"); tag > 0) log_fields->push_back({reader.reader_id, tag});
    if (int tag = tag_of("ReaderIDTagGuest"); tag > 0) {
      log_fields->push_back({reader.reader_guest_id, tag});
    }
  }
  log_fields->push_back({NowForLog(), tag_of("DateTimeTag", 907)});
  if (int tag = tag_of("CHECKINDEX"); tag > 0) {
    for (std::string& value : FieldValues(web_ini, "CHECKINDEX")) {
      log_fields->push_back({std::move(value), tag});
    }
  }
}

}  // namespace zarix
