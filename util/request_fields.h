// RequestFields: the fields of a request as the code behind the gateway sees them, without
// knowing how they arrived (query string, posted form, uploaded files) or where the site's
// defaults live.
//
// The gateway's request store implements it (gateway/request_store_fields.h); search and the
// other subsystems take it as a parameter. Implementations are used by one thread at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

class RequestFields {
 public:
  virtual ~RequestFields() = default;

  // The parameter `name`: the request's field, else the site's default for it, else `def`. A
  // field the request sends empty wins over the default.
  virtual std::string Param(std::string_view name, std::string_view def = {}) const = 0;

  // The request's own fields as "name=value" lines, in request order; a field sent as an
  // uploaded file has the file's first line as its value.
  virtual std::vector<std::string> FieldLines() const = 0;

  // Writes the field `name` (replacing its value when present), or removes it.
  virtual void Set(std::string_view name, std::string_view value) = 0;
  virtual void Remove(std::string_view name) = 0;
};

}  // namespace zarix
