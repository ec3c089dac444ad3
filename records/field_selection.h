// Field-selection tables: rebuild a record from formats, one line per entry of the form
// "tag technique format" (single blanks; the technique is not used here).
#pragma once

#include <string_view>

namespace zarix {

class EngineApi;

// Empties the record on shelf `target` of `space`; then, for each entry with a tag of 1 or more
// in table order, adds every output line of its format run on the record on shelf `source` as an
// occurrence of that tag. An entry with tag 0 whose format's output begins with "*" also copies
// every field of the source whose tag no entry names. Formats that do not compile add nothing.
void ApplyFieldSelection(EngineApi& engine, int space, int source, int target,
                         std::string_view table);

}  // namespace zarix
