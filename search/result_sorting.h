// Sorting of a result list by the keys of a sort specification, optionally printing the sorted
// page with group headers.
//
// Every record of the list is read once; the key formats run on it (with the request-log fields
// added, so that keys may use them) and each combination of its key values becomes an entry
// (sort_keys.h). Sorting replaces the list by the MFNs of the sorted entries. Printing formats the
// entries of the page with the display format, preceded by the header of every level whose key
// segment differs from the entry printed before.
//
// Uses shelf 0 and the compiled format of the space; not thread-safe.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_api.h"
#include "search/sort_keys.h"
#include "util/types.h"

namespace zarix {

struct SortRequest {
  std::string spec_path;  // folder + "\" + S21SRW + ".srw"
  std::string deposit;    // the deposit directory
  long long deposit_priority = 0;
  std::string dbname;     // the engine database name (library file names)
  bool ascending = true;  // S21SRD "UP"
  std::vector<std::pair<FieldTag, std::string>> record_fields;  // the request-log fields

  // Printing (when `print`): the display format, the page bounds into the sorted list
  // (0-based, inclusive), everything from `first` on when `print_all`, and the finishing of a
  // formatted entry (numbering placeholders, highlighting) with its MFN and index.
  bool print = false;
  std::string display_format;
  long long first = 0;
  long long last = -1;
  bool print_all = false;
  std::function<void(std::string* text, Mfn mfn, long long index)> finish_entry;
};

struct SortOutcome {
  bool sorted = false;    // false: the list keeps its order
  std::vector<Mfn> mfns;  // the sorted list (when sorted)
  std::string text;       // the printed page, or the failure texts
};

// Sorts `results` (and prints, see SortRequest). A specification found nowhere gives the text
// "<br> FILE EXISTS <file name><br>" followed by "<br>" and the line count of the path read
// directly, or "<br>ERROR SORTING<br>" when it cannot be read; nothing is sorted then. A
// specification without keys leaves the list as it is.
SortOutcome SortResultList(EngineApi& engine, int space, const std::vector<Mfn>& results,
                           const SortRequest& request);

}  // namespace zarix
