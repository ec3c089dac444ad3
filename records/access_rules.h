// Per-database address permissions of export and import.
//
// The configuration may hold a section named after a database whose keys are client addresses
// with integer values: "*.*.*.*=1" or "<address>=1" lets that address export; the keys
// "IMPORT_ISO_*.*.*.*" and "IMPORT_ISO_<address>" let it import ISO files. Only an identified
// reader (a non-empty reader key) may do either. The client address is the gateway's URLTag
// field, which no request field can forge.
#pragma once

#include <string_view>

#include "util/ini_store.h"

namespace zarix {

// 0 when the reader may export from `database` at `client_address`, else -1.
int ExportAllowed(const IniStore& server_ini, std::string_view database,
                  std::string_view reader_key, std::string_view client_address);
// 0 when the reader may import into `database` from `client_address`, else -1.
int ImportAllowed(const IniStore& server_ini, std::string_view database,
                  std::string_view reader_key, std::string_view client_address);

}  // namespace zarix
