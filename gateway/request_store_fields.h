// RequestStoreFields: the request store (`WebIni`) and the server configuration's WEB defaults
// seen as RequestFields.
//
// Fields are the lines of section "Form Literal"; uploaded fields, kept in section
// "Form External" as "name=path further text", have the first line of the file at that path as
// their value. Parameters follow RequestParam. Not owned: both stores outlive this object.
#pragma once

#include "util/ini_store.h"
#include "util/request_fields.h"

namespace zarix {

class RequestStoreFields : public RequestFields {
 public:
  RequestStoreFields(IniStore& web_ini, const IniStore& server_ini)
      : web_ini_(web_ini), server_ini_(server_ini) {}

  std::string Param(std::string_view name, std::string_view def = {}) const override;
  std::vector<std::string> FieldLines() const override;
  void Set(std::string_view name, std::string_view value) override;
  void Remove(std::string_view name) override;

 private:
  IniStore& web_ini_;
  const IniStore& server_ini_;
};

}  // namespace zarix
