// Sort specifications (".srw" files) and the sort keys built from them.
//
// A specification names its keys in a "[KeyOptions]" block (three lines per key: length in
// characters, mode, format), the number of header levels after "[HeaderNumber]" and one header
// format per level after "[HeaderFormat]". Each record yields one entry per combination of its
// key values; an entry's key text is the values cut or padded to their keys' lengths, upper-cased
// (Unicode), with every subfield mark "^x" blanked, and entries sort by that text in UTF-16
// code-unit order, stably, so that paging never repeats or skips records with equal keys.
//
// The file format and its lookup are in doc/sort_specification.md. Pure functions apart from
// FindSortSpec, which reads files. Thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/types.h"

namespace zarix {

struct SortKey {
  long long length = 0;    // characters
  bool all_lines = false;  // mode other than 0: every output line is a value
  std::string format;
};

struct SortSpec {
  long long header_count = 0;  // clamped to the keys and header formats there are
  std::vector<SortKey> keys;
  std::vector<std::string> header_formats;
  bool empty() const { return keys.empty() && header_formats.empty() && header_count == 0; }
};

// Parses the lines of a specification. Unknown lines are ignored; a number that is not one
// counts as 0; the key block runs to the end of the file (a last key without a trailing line
// counts).
SortSpec ParseSortSpec(const std::vector<std::string>& lines);

// Where a specification was found: its lines, empty when nowhere. For the path
// "<folder><base>.<rest>" and the deposit directory: the deposit directory's "_USER" sibling +
// file name; then the path and the deposit directory + file name, in the order that
// `deposit_priority` chooses (0: the path first); then member "<base>" of the library
// "<folder><dbname>_<rest>.ILF".
std::vector<std::string> FindSortSpec(std::string_view path, std::string_view deposit,
                                      long long deposit_priority, std::string_view dbname);

struct SortEntry {
  std::u32string key;  // in sort order: code points ranked as their UTF-16 units compare
  std::vector<std::string> values;  // the value of each key, trimmed
  Mfn mfn = 0;
};

// The most entries one record yields (the combinations of its key values).
inline constexpr size_t kMaxEntriesPerRecord = 1000;

// Appends the entries of one record to *entries. `outputs` holds the format output of each key
// (an empty text: the key gave nothing). Key 1's empty lines are skipped; a key whose
// output is empty gives one blank value; every combination of values occurs once. Without
// `with_values` the entries' values stay empty (only printed headers need them).
void AddRecordEntries(const SortSpec& spec, const std::vector<std::string>& outputs, Mfn mfn,
                      std::vector<SortEntry>* entries, bool with_values = true);

// Sorts stably by key text, ascending or descending.
void SortEntries(std::vector<SortEntry>* entries, bool ascending);

// Segment `level` (from 1) of a key text: key `level`'s length in characters, after the segments
// of the keys before it.
std::u32string_view KeySegment(const SortSpec& spec, std::u32string_view key, size_t level);

}  // namespace zarix
