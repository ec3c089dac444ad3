// Configuration lookup and loading, path resolution and the ".par" file reader.
#include "processor/server_config.h"

#include <cstdlib>

#include "util/code_page.h"
#include "util/p_list.h"
#include "util/path.h"

namespace zarix {

namespace {

constexpr const char* kIniNames[] = {"zarix_server.ini", "zarix_server_ft.ini"};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view WithoutTrailingSeparator(std::string_view s) {
  if (!s.empty() && IsSeparator(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The lines of a ".par" file, without empty lines at its end; nullopt when it cannot be read.
std::optional<std::vector<std::string>> ParLines(std::string_view db, std::string_view datapath) {
  std::string path = ParFilePath(db, datapath);
  if (!FileExists(path)) return std::nullopt;
  std::optional<std::string> data = ReadFileBytes(path);
  if (!data) return std::nullopt;
  TPList list;
  list.SetText(StripUtf8Bom(*data));
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.emplace_back(list.GetString(i));
  while (!lines.empty() && TrimBlanks(lines.back()).empty()) lines.pop_back();
  return lines;
}

// The value of line `number` (from 1): the text after its first "=", trimmed.
std::string ParValue(const std::vector<std::string>& lines, size_t number) {
  if (number == 0 || number > lines.size()) return "";
  std::string_view line = lines[number - 1];
  size_t eq = line.find('=');
  if (eq != std::string_view::npos) line = line.substr(eq + 1);
  return std::string(TrimBlanks(line));
}

}  // namespace

std::vector<std::string> ServerIniCandidates() {
  std::vector<std::string> dirs;
  const char* env = std::getenv("ZARIX_CONFIG_DIR");
  if (env != nullptr && *env != '\0') {
    std::string dir = env;
    if (!IsSeparator(dir.back())) dir += '/';
    dirs.push_back(std::move(dir));
  }
  dirs.push_back(ProgramDir());
  dirs.push_back("/etc/zarix/");
  std::vector<std::string> out;
  for (const std::string& dir : dirs) {
    for (const char* name : kIniNames) out.push_back(dir + name);
  }
  return out;
}

std::string_view StripUtf8Bom(std::string_view text) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return text;
}

IniStore ParseServerIni(std::string_view text) {
  IniStore ini;
  ini.LoadText(StripUtf8Bom(text));
  return ini;
}

std::optional<IniStore> LoadServerIni(std::string* found_path) {
  if (found_path != nullptr) found_path->clear();
  for (const std::string& candidate : ServerIniCandidates()) {
    if (!FileExists(candidate)) continue;
    if (found_path != nullptr) *found_path = candidate;
    std::optional<std::string> text = ReadFileBytes(candidate);
    if (!text) return std::nullopt;
    return ParseServerIni(*text);
  }
  return std::nullopt;
}

std::string ResolveParValue(std::string_view value, std::string_view datapath,
                            std::string_view syspath) {
  if (value.empty() || value[0] != '.') return std::string(value);
  std::string_view rest = value.substr(1);
  if (!rest.empty() && rest[0] == '.') {
    return std::string(datapath) + std::string(rest.substr(1));
  }
  std::string base;
  if (!syspath.empty()) {
    base = std::string(syspath);
  } else {
    std::string_view data = WithoutTrailingSeparator(datapath);
    size_t sep = data.find_last_of("\\/");
    base = sep == std::string_view::npos ? std::string(".") : std::string(data.substr(0, sep));
  }
  return std::string(WithoutTrailingSeparator(base)) + std::string(rest);
}

std::string ResolveDataPath(const IniStore& ini, std::string_view value,
                            std::string_view datapath) {
  return ResolveParValue(value, datapath, ini.ReadString("MAIN", "SYSPATH"));
}

std::string ParFilePath(std::string_view db, std::string_view datapath) {
  std::string path(datapath);
  if (!path.empty() && !IsSeparator(path.back())) path += '\\';
  path += db;
  path += ".par";
  return path;
}

int DatabasePaths(std::string_view db, std::string_view datapath, std::string_view syspath,
                  DatabasePathSet* out) {
  std::optional<std::vector<std::string>> lines = ParLines(db, datapath);
  if (!lines) return kParFileMissing;
  DatabasePathSet paths;
  paths.master = ResolveParValue(ParValue(*lines, 2), datapath, syspath);
  paths.inverted = ResolveParValue(ParValue(*lines, 3), datapath, syspath);
  paths.parameter = ResolveParValue(ParValue(*lines, 10), datapath, syspath);
  paths.external = lines->size() == 11 ? ResolveParValue(ParValue(*lines, 11), datapath, syspath)
                                       : paths.master;
  *out = std::move(paths);
  return 0;
}

int DatabasePaths(const IniStore& ini, std::string_view db, std::string_view datapath,
                  DatabasePathSet* out) {
  return DatabasePaths(db, datapath, ini.ReadString("MAIN", "SYSPATH"), out);
}

int ExternalFilesPath(std::string_view db, std::string_view datapath, std::string_view syspath,
                      std::string* out) {
  std::optional<std::vector<std::string>> lines = ParLines(db, datapath);
  if (!lines || lines->size() < 11) return kParFileMissing;
  std::string value = ParValue(*lines, 11);
  if (value.empty()) return kParFileMissing;
  std::string path = ResolveParValue(value, datapath, syspath);
  if (!IsSeparator(path.back())) path += '\\';
  *out = std::move(path);
  return 0;
}

std::string DepositPathFor(const IniStore& ini, std::string_view db, std::string_view datapath) {
  // An empty value counts as absent here: an empty deposit folder would mean "current folder".
  std::string p = db.empty() ? std::string() : ini.ReadString(db, "DepositPath");
  if (p.empty()) p = ini.ReadString("MAIN", "DepositPath");
  if (p.empty()) p = std::string(datapath) + "Deposit\\";
  return ResolveDataPath(ini, p, datapath);
}

ServerSettings ReadServerSettings(const IniStore& ini) {
  ServerSettings s;
  auto str = [&ini](const char* section, const char* key, std::string* field) {
    *field = ini.ReadString(section, key, *field);
  };
  auto num = [&ini](const char* section, const char* key, long long* field) {
    *field = ini.ReadInteger(section, key, *field);
  };
  auto flag = [&ini](const char* section, const char* key, bool* field) {
    *field = ini.ReadBool(section, key, *field);
  };

  str("WEB", "CGIPATH", &s.cgi_path);
  str("WEB", "FRAMES_CHAR_SET", &s.frames_char_set);
  str("WEB", "QUERY_CHAR_SET", &s.query_char_set);
  str("WEB", "EXTPREF", &s.ext_pref);
  str("WEB", "EXTPOST", &s.ext_post);
  num("WEB", "MIN_COLOR_COUNT", &s.min_color_count);
  num("WEB", "MAX_SORT_COUNT", &s.max_sort_count);
  str("WEB", "SearchEmpty", &s.search_empty);

  flag("MAIN", "Silence", &s.silence);
  flag("MAIN", "SPECSIMVOLS", &s.spec_simvols);
  flag("MAIN", "DEBUG", &s.debug);
  s.datapath = s.cgi_path;
  str("MAIN", "DATAPATH", &s.datapath);
  s.zarixpath = s.cgi_path;
  str("MAIN", "ZARIXPATH", &s.zarixpath);
  str("MAIN", "UCTABPATH", &s.uctabpath);
  str("MAIN", "ACTABPATH", &s.actabpath);
  str("MAIN", "AutoInFile", &s.auto_in_file);
  str("MAIN", "PRMARCFORMAT", &s.pr_marc_format);
  s.log_file_name = s.cgi_path + "cgizarix_64.log";
  str("MAIN", "LogFileName", &s.log_file_name);
  num("MAIN", "LogFileSize", &s.log_file_size);
  str("MAIN", "LogDateBase", &s.log_date_base);
  str("MAIN", "SYSPATH", &s.syspath);
  s.deposit_path = DepositPathFor(ini, "", s.datapath);
  num("MAIN", "DepositPriority", &s.deposit_priority);
  num("MAIN", "MAX_FORMAT_IN_PACKET", &s.max_format_in_packet);
  str("MAIN", "CGIflc", &s.cgi_flc);
  flag("MAIN", "USE_CASH_TERMS", &s.use_cash_terms);
  num("MAIN", "UpDownSearchResult", &s.up_down_search_result);
  num("MAIN", "CGITimeOut", &s.cgi_time_out);
  num("MAIN", "BINARY_RESOURCE_TAG", &s.binary_resource_tag);
  num("MAIN", "EBookAccessInterval", &s.ebook_access_interval);
  str("MAIN", "DEFAULT_EXPORT_FST", &s.default_export_fst);
  num("MAIN", "SearchMode", &s.search_mode);
  s.ansi_codepage = ini.ReadString("MAIN", "ANSI_CODEPAGE");
  if (s.ansi_codepage.empty()) s.ansi_codepage = kDefaultAnsiCodePage;
  s.oem_codepage = ini.ReadString("MAIN", "OEM_CODEPAGE");
  if (s.oem_codepage.empty()) s.oem_codepage = kDefaultOemCodePage;
  s.lock_path = ini.ReadString("MAIN", "LOCKPATH");
  if (s.lock_path.empty()) s.lock_path = SystemTempDir();
  return s;
}

}  // namespace zarix
