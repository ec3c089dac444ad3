// Field list encoding of the master file (see doc/engine_storage.md).
#include "zarix64/record_codec.h"

#include "zarix64/varint.h"

namespace zarix::db {

std::string EncodeFields(const std::vector<Field>& fields) {
  size_t size = 5;
  for (const Field& f : fields) size += f.text.size() + 8;
  std::string out;
  out.reserve(size);
  PutVarint(&out, fields.size());
  for (const Field& f : fields) {
    PutVarint(&out, static_cast<uint32_t>(f.tag));
    PutVarint(&out, f.text.size());
    out.append(f.text);
  }
  return out;
}

bool DecodeFields(std::string_view data, std::vector<Field>* fields) {
  fields->clear();
  uint64_t count = 0;
  if (!GetVarint(&data, &count) || count > data.size()) return false;
  fields->reserve(count);
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t tag = 0, len = 0;
    if (!GetVarint(&data, &tag) || !GetVarint(&data, &len) || len > data.size() ||
        tag > 0x7fffffff) {
      return false;
    }
    fields->push_back(Field{static_cast<FieldTag>(tag), std::string(data.substr(0, len))});
    data.remove_prefix(len);
  }
  return data.empty();
}

}  // namespace zarix::db
