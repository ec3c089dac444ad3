// Record editing by web forms, and format control of records.
//
// A form edits records through request fields whose names contain R21MFN, R21IFP, R21NUM,
// R21SUB, R21VOL, R21UPD or R21OCC (case-sensitive). The part of a name before its first "R21"
// is the prefix of its group: one group per record, so one request may edit several records.
// Within a group, edit i (1 to 1024, ending at the first R21NUM i that is not a tag above 0)
// adds one occurrence of tag R21NUM i, made of the pieces j = 1 to 255: R21VOL i_j is the text,
// R21SUB i_j its subfield code (none: plain text, which comes before every subfield). R21UPD
// (default 1: add only) may first remove occurrences of the tag at its first edit: 3 all of
// them, 4 occurrence R21OCC i, 5 occurrence R21OCC i when its text equals piece 1 (which is then
// not added again). Values are cleaned as log values are: valid UTF-8, no control characters,
// no markup.
//
// Format control runs a format over a record and treats every output line beginning with "1"
// as a finding that stops the record.
//
// Not thread-safe (engine spaces and the request store belong to one request).
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "util/ini_store.h"

namespace zarix {

class EngineApi;

// The group prefixes of the request's editing fields, each once, in the order of their names
// sorted without regard to case.
std::vector<std::string> FormGroupPrefixes(const IniStore& web_ini);

// Applies the edits of group `prefix` to the record on shelf 0 of `space`. `edited_tags` lists
// the tags whose old occurrences were already removed (modes 3-5 remove only at a tag's first
// edit); the caller keeps it across the groups of one request.
void ApplyGroupFields(IniStore& web_ini, EngineApi& engine, int space, std::string_view prefix,
                      std::set<int>* edited_tags);

// Applies every group to the record on shelf 0 of `space` (R21MFN and R21IFP play no part; no
// record is read or written here).
void ApplyFormFields(IniStore& web_ini, EngineApi& engine, int space);

struct FormatCheck {
  bool failed = false;  // a finding, a format that cannot be compiled or run, or an exception
  std::string output;   // the format's output (the engine's message when it could not run)
};

// Runs the format file `format_path` ("@" is put before it) on the record on `shelf` of
// `space` (output up to 32000 bytes).
FormatCheck CheckFormat(EngineApi& engine, int space, int shelf, std::string_view format_path);

}  // namespace zarix
