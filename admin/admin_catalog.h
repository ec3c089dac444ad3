// How zarix-admin finds and opens a database by name, the way the gateway does.
//
// The data folder (DATAPATH) comes from --datapath, or else from the zarix_server.ini the gateway
// would load (ZARIX_CONFIG_DIR, the program's folder, /etc/zarix/): its [MAIN] DATAPATH, with
// SYSPATH for ".par" values starting with one "." and the alphabet and upper-case tables of
// ZARIXPATH. A database NAME is then DATAPATH/NAME.par: line 2 the master file folder, line 3 the
// inverted file folder, line 10 the folder of NAME.fst and NAME.stw.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "util/ini_store.h"
#include "zarix64/database.h"
#include "zarix64/tables.h"

namespace zarix::admin {

class Catalog {
 public:
  // `datapath_option` wins when not empty. Returns false and sets *error when there is neither
  // that nor a configuration file.
  bool Init(std::string_view datapath_option, std::string* error);

  // Opens database `name`. On failure returns false with a message that names the database and
  // the file involved.
  bool Open(std::string_view name, std::unique_ptr<db::Database>* db, std::string* error);

  const std::string& datapath() const { return datapath_; }
  // The configuration file used ("" when --datapath was given or none was found).
  const std::string& ini_path() const { return ini_path_; }
  // Non-empty when table files named by the configuration were present but malformed.
  const std::string& warnings() const { return warnings_; }

 private:
  std::string datapath_;
  std::string syspath_;
  std::string ini_path_;
  std::string warnings_;
  std::unique_ptr<db::Tables> tables_;
};

// A database name must be a plain file name: not empty, no "/" or "\", not "." or "..".
bool ValidDatabaseName(std::string_view name);

}  // namespace zarix::admin
