// Finding and opening databases by name for zarix-admin.
#include "admin/admin_catalog.h"

#include "processor/server_config.h"
#include "util/path.h"

namespace zarix::admin {

bool ValidDatabaseName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string_view::npos;
}

bool Catalog::Init(std::string_view datapath_option, std::string* error) {
  std::optional<IniStore> ini = LoadServerIni(&ini_path_);
  if (!datapath_option.empty()) {
    datapath_ = std::string(datapath_option);
    if (datapath_.back() != '/' && datapath_.back() != '\\') datapath_ += '/';
  } else if (!ini) {
    std::string looked;
    for (const std::string& c : ServerIniCandidates()) looked += "\n  " + c;
    *error = ini_path_.empty()
                 ? "no --datapath given and no zarix_server.ini found; looked for:" + looked
                 : "cannot read " + ini_path_;
    return false;
  }
  if (ini) {
    ServerSettings settings = ReadServerSettings(*ini);
    if (datapath_.empty()) datapath_ = settings.datapath;
    syspath_ = settings.syspath;
    tables_ =
        db::Tables::Load(settings.zarixpath, settings.uctabpath, settings.actabpath, &warnings_);
  } else {
    ini_path_.clear();
  }
  if (datapath_.empty()) {
    *error = "DATAPATH is empty in " + ini_path_ + "; give --datapath";
    return false;
  }
  return true;
}

bool Catalog::Open(std::string_view name, std::unique_ptr<db::Database>* db, std::string* error) {
  if (!ValidDatabaseName(name)) {
    *error = std::string(name) + ": not a database name";
    return false;
  }
  DatabasePathSet paths;
  if (DatabasePaths(name, datapath_, syspath_, &paths) != 0) {
    *error = "database " + std::string(name) + ": " + ParFilePath(name, datapath_) +
             " does not exist or cannot be read";
    return false;
  }
  db::OpenOptions options;
  options.master_prefix = paths.master + std::string(name);
  options.inverted_prefix = paths.inverted + std::string(name);
  options.parameter_dir = paths.parameter;
  options.tables = tables_.get();
  db::Status s = db::Database::Open(options, db);
  if (!s.ok()) {
    *error = "database " + std::string(name) + ": cannot open " + options.master_prefix +
             ".mst: " + s.ToString();
    return false;
  }
  return true;
}

}  // namespace zarix::admin
