// The compact encoding of a record's fields in the master file's `fields` column:
// varint field count, then per field varint tag, varint byte length, the UTF-8 text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "zarix64/record.h"

namespace zarix::db {

std::string EncodeFields(const std::vector<Field>& fields);
// False (and *fields unspecified) when `data` is not a well-formed encoding.
bool DecodeFields(std::string_view data, std::vector<Field>* fields);

}  // namespace zarix::db
