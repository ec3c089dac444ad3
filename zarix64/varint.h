// Unsigned LEB128 varints: the building block of the record and posting-block encodings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarix::db {

inline void PutVarint(std::string* dst, uint64_t v) {
  while (v >= 0x80) {
    dst->push_back(static_cast<char>((v & 0x7f) | 0x80));
    v >>= 7;
  }
  dst->push_back(static_cast<char>(v));
}

// Reads one varint from the front of *in and advances it. False on truncated or overlong input.
inline bool GetVarint(std::string_view* in, uint64_t* v) {
  uint64_t result = 0;
  for (int shift = 0; shift <= 63 && !in->empty(); shift += 7) {
    const auto byte = static_cast<uint8_t>(in->front());
    in->remove_prefix(1);
    result |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if ((byte & 0x80) == 0) {
      *v = result;
      return true;
    }
  }
  return false;
}

}  // namespace zarix::db
