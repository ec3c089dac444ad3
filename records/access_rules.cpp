// Address permissions of export and import.
#include "records/access_rules.h"

#include <string>

namespace zarix {

namespace {

int Allowed(const IniStore& ini, std::string_view database, std::string_view reader_key,
            std::string_view address, std::string_view key_prefix) {
  if (reader_key.empty() || database.empty()) return -1;
  const std::string prefix(key_prefix);
  if (ini.ReadInteger(database, prefix + "*.*.*.*", -1) == 1) return 0;
  if (!address.empty() && ini.ReadInteger(database, prefix + std::string(address), -1) == 1) {
    return 0;
  }
  return -1;
}

}  // namespace

int ExportAllowed(const IniStore& server_ini, std::string_view database,
                  std::string_view reader_key, std::string_view client_address) {
  return Allowed(server_ini, database, reader_key, client_address, "");
}

int ImportAllowed(const IniStore& server_ini, std::string_view database,
                  std::string_view reader_key, std::string_view client_address) {
  return Allowed(server_ini, database, reader_key, client_address, "IMPORT_ISO_");
}

}  // namespace zarix
