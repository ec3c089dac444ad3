// The server configuration: finding and loading zarix_server.ini, the typed view of its MAIN and
// WEB keys, and the database paths taken from a database's ".par" file.
//
// Configured folders are plain prefixes and may be spelled Windows-style ("C:\SYS\DATAI\"): the
// functions here keep them as written and every file access goes through NativePath.
// All functions are thread-safe (they share no state); the environment is read at each call.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/ini_store.h"

namespace zarix {

inline constexpr int kParFileMissing = -1111;

// The configuration files looked for, in order: for each folder of ZARIX_CONFIG_DIR (when set and
// not empty), the program's folder and /etc/zarix/, first "zarix_server.ini", then
// "zarix_server_ft.ini". The last entry is the path to name when none exists.
std::vector<std::string> ServerIniCandidates();

// `text` without a leading UTF-8 byte-order mark (EF BB BF).
std::string_view StripUtf8Bom(std::string_view text);

// Parses configuration text (byte-order mark removed) into an ini store.
IniStore ParseServerIni(std::string_view text);

// Loads the first existing candidate. Returns nullopt when none exists, or when the first existing
// one cannot be read (a later candidate is then not used: a different configuration must not
// silently take over). `found_path`, when given, receives the path of the file loaded or of the
// unreadable one, else "".
std::optional<IniStore> LoadServerIni(std::string* found_path = nullptr);

// Path value resolution of ".par" lines and DepositPath:
//   - a value not beginning with "." is returned unchanged;
//   - ".." + rest gives `datapath` + rest;
//   - "." + rest gives the base + rest, where the base is `syspath` or, when that is empty, the
//     parent folder of `datapath` (its trailing separator removed first; "." when it has no
//     folder part), without a trailing separator.
// Example: datapath "C:\SYS\DATAI\", value ".\DATAI\BOOKS\" -> "C:\SYS\DATAI\BOOKS\".
std::string ResolveParValue(std::string_view value, std::string_view datapath,
                            std::string_view syspath);
// ResolveParValue with `syspath` = [MAIN] SYSPATH of `ini`.
std::string ResolveDataPath(const IniStore& ini, std::string_view value,
                            std::string_view datapath);

// The ".par" file of database `db`: `datapath` + "\" + `db` + ".par" (no separator is added when
// `datapath` is empty or already ends with one).
std::string ParFilePath(std::string_view db, std::string_view datapath);

struct DatabasePathSet {
  std::string master;     // line 2
  std::string inverted;   // line 3
  std::string parameter;  // line 10
  std::string external;   // line 11 when the file has exactly 11 lines, else the master path
};

// Reads the database's ".par" file: each path is the text after the first "=" of its line
// (trimmed; the whole line when it has no "="), resolved with ResolveParValue. Lines are counted
// from 1; empty lines at the end of the file do not count; missing lines give empty paths.
// Returns 0, or kParFileMissing when the file is missing or cannot be read (`out` untouched).
int DatabasePaths(std::string_view db, std::string_view datapath, std::string_view syspath,
                  DatabasePathSet* out);
// The same with `syspath` = [MAIN] SYSPATH of `ini`.
int DatabasePaths(const IniStore& ini, std::string_view db, std::string_view datapath,
                  DatabasePathSet* out);

// The external files path of the database: line 11 of its ".par" file, resolved, ending with a
// separator ("\" is appended unless it ends with "\" or "/"). Returns 0, or kParFileMissing when
// the file is missing, cannot be read, has fewer than 11 lines or an empty line 11.
int ExternalFilesPath(std::string_view db, std::string_view datapath, std::string_view syspath,
                      std::string* out);

// The deposit folder of database `db`: its section's DepositPath, else [MAIN] DepositPath, else
// `datapath` + "Deposit\", resolved against `datapath`. An empty `db` skips the database section.
std::string DepositPathFor(const IniStore& ini, std::string_view db, std::string_view datapath);

// Typed view of the MAIN and WEB keys the request processor reads, with their defaults.
struct ServerSettings {
  // [WEB]
  std::string cgi_path;  // CGIPATH
  std::string frames_char_set = "UTF-8";
  std::string query_char_set = "UTF-8";
  std::string ext_pref = "<b><font color=red>";
  std::string ext_post = "</font></b>";
  long long min_color_count = 2;
  long long max_sort_count = 1000;
  std::string search_empty = "sempty.frm";

  // [MAIN]
  bool silence = false;
  bool spec_simvols = true;  // SPECSIMVOLS
  bool debug = false;
  std::string datapath;   // default CGIPATH
  std::string zarixpath;  // default CGIPATH
  std::string uctabpath;
  std::string actabpath = "isisacw";
  std::string auto_in_file = "autoin.gbl";
  std::string pr_marc_format = "MARC";
  std::string log_file_name;  // default CGIPATH + "cgizarix_64.log"
  long long log_file_size = 10000000;
  std::string log_date_base = "LOGDB";
  std::string syspath;       // as configured; empty means the parent of DATAPATH
  std::string deposit_path;  // [MAIN] DepositPath (default DATAPATH + "Deposit\"), resolved
  long long deposit_priority = 0;
  long long max_format_in_packet = 1000;
  std::string cgi_flc;  // CGIflc
  bool use_cash_terms = false;
  long long up_down_search_result = 0;
  long long cgi_time_out = 30;  // CGITimeOut, seconds
  long long binary_resource_tag = 953;
  long long ebook_access_interval = 24;
  std::string default_export_fst;
  long long search_mode = 1;
  std::string ansi_codepage = "WINDOWS-1251";  // ANSI_CODEPAGE
  std::string oem_codepage = "CP866";          // OEM_CODEPAGE
  std::string lock_path;  // LOCKPATH, default the system temp folder ($TMPDIR or "/tmp/")
};

ServerSettings ReadServerSettings(const IniStore& ini);

}  // namespace zarix
