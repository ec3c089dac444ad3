// Commands "E" (export as a file attachment) and "4" (the same text as the answer page, for
// client addresses the database's section admits).
//
// The records found by the request's search (or EXP21MFN when there is no search), kept by the
// S21SCAN selection format, from position S21STN on, at most S21CNR of them (limited by
// [MAIN] MAX_FORMAT_IN_PACKET), optionally rebuilt through the field-selection table EXP21FST
// (default [MAIN] DEFAULT_EXPORT_FST; a name holding [MAIN] PRMARCFORMAT switches MARC mode on),
// written as text (EXP21FMT=TEXT) or ISO 2709 (otherwise) in the code page EXP21CODE ("DOS",
// "WIN", else UTF-8).
//
// Only an identified reader exports (message 11 otherwise). The answer carries the counts in the
// headers "X-Export-Records" (records written), "X-Export-Left-Out" (records ISO cannot hold) and
// "X-Export-Lost-Characters" (characters the code page lacks, written as "?").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

struct RequestContext;

void ExportRecords(RequestContext& ctx);

// One entry of a field-selection table: "tag technique format" (the technique is not used).
struct FieldSelectionEntry {
  int tag = 0;
  std::string format;
};
// The entries of a ".fst" text; lines that do not start with a tag are skipped.
std::vector<FieldSelectionEntry> ParseFieldSelection(std::string_view text);

}  // namespace zarix
