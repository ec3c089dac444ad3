// A master-file record as the engine's C++ code sees it: header plus fields in record order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/types.h"

namespace zarix::db {

// Status flags stored with every record.
inline constexpr uint32_t kFlagDeleted = 1u;     // logically deleted: kept, but not indexed
inline constexpr uint32_t kFlagNotIndexed = 2u;  // written without updating the inverted file

struct Field {
  FieldTag tag = 0;
  std::string text;  // UTF-8; subfields are "^" + code + text
  bool operator==(const Field&) const = default;
};

struct Record {
  Mfn mfn = 0;              // 0: not yet written (a write gives it the next MFN)
  int32_t version = 0;      // 0 for a record never written; +1 on every write
  std::string guid;         // "{8-4-4-4-12}" hex, given on the first write when empty
  int64_t update_time = 0;  // seconds since 1970 (UTC) of the last write
  uint32_t flags = 0;       // kFlagDeleted | kFlagNotIndexed
  std::vector<Field> fields;

  bool deleted() const { return (flags & kFlagDeleted) != 0; }
  bool not_indexed() const { return (flags & kFlagNotIndexed) != 0; }

  // Occurrences of `tag`.
  int CountTag(FieldTag tag) const;
  // Index into `fields` of the `occurrence`-th (from 1) field tagged `tag`, or -1.
  int FindField(FieldTag tag, Occurrence occurrence) const;
  // Empties the record back to a fresh one (MFN 0, version 0, no GUID, no fields).
  void Clear() { *this = Record(); }
};

// The text of subfield `code` (case-insensitive for letters) of a field value: from after
// "^"+code up to the next "^" or the end. Empty when the subfield is absent.
std::string_view Subfield(std::string_view field_text, char code);

}  // namespace zarix::db
