// The request store as RequestFields.
#include "gateway/request_store_fields.h"

#include "gateway/request_store.h"
#include "util/path.h"

namespace zarix {

namespace {

constexpr std::string_view kFormExternal = "Form External";

}  // namespace

std::string RequestStoreFields::Param(std::string_view name, std::string_view def) const {
  return RequestParam(web_ini_, server_ini_, name, def);
}

std::vector<std::string> RequestStoreFields::FieldLines() const {
  std::vector<std::string> lines = web_ini_.SectionLines(kFormSection);
  for (const std::string& raw : web_ini_.SectionLines(kFormExternal)) {
    // "name=path further text": the field's value is the first line of that file.
    const std::string line = raw.substr(0, raw.find(' '));
    const size_t eq = line.find('=');
    const std::string name = line.substr(0, eq);
    const std::string path = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    std::string value;
    if (!path.empty() && FileExists(path)) {
      if (auto bytes = ReadFileBytes(path)) value = bytes->substr(0, bytes->find_first_of("\r\n"));
    }
    lines.push_back(line.empty() ? std::string() : name + "=" + value);
  }
  return lines;
}

void RequestStoreFields::Set(std::string_view name, std::string_view value) {
  SetRequestParam(web_ini_, name, value);
}

void RequestStoreFields::Remove(std::string_view name) { web_ini_.DeleteKey(kFormSection, name); }

}  // namespace zarix
