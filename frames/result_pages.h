// The result page of the frame-driven commands (F, S, T, Z, R): open the database, build the
// result list (search, every record, a single MFN, the reader's selection), set the page bounds
// and counted placeholders, prepare the working record and walk the frame list.
//
// Request fields: S21All (through the search expression), S21SCAN_FULL, RQST21MFN, S21SCAN,
// S21STN, S21CNR, Z21MFN, SEL_TYPE, CHECKINDEX, FT_REQUEST, FT_NEAR_MFN; configuration:
// [MAIN] MAX_FORMAT_IN_PACKET, ACTABPATH, UpDownSearchResult, BINARY_RESOURCE_TAG;
// [PARAMETRS] SearchResultTag, SearchResultCells; [WEB] FRAMES_CHAR_SET.
#pragma once

#include <string>
#include <vector>

#include "frames/command_executor.h"
#include "util/types.h"

namespace zarix {

struct RequestContext;

// Leaves the page (or a message page) in ctx.page_text. Never throws for bad input.
void ShowResultPage(RequestContext& ctx);

// Opens the request's database on space 1 (master file, inverted file and its context) and
// sets page.database_folder. False when the name is unsafe or a file cannot be opened.
bool OpenDatabase(RequestContext& ctx, PageState& page);

// The MFNs that `expression` finds in the request's open database (with the morphology database
// when one is open), in search order. A failed search is traced and gives what was found so far.
std::vector<Mfn> FindRecords(RequestContext& ctx, std::string_view expression);

// Page bounds and counted placeholders for a result list of `size` entries, from S21STN and
// S21CNR texts (not numbers count as 1 and 20) and the packet limit.
struct PageBounds {
  long long first = 0;
  long long last = -1;
};
PageBounds ComputePageBounds(size_t size, std::string_view stn, std::string_view cnr,
                             long long max_in_packet);

// The selection of SEL_TYPE "2"/"3" applied to `results` (CHECKINDEX values split at ",").
// Returns true when the page bounds must be reset (type 2: all on one page).
bool ApplySelection(std::string_view sel_type, std::string_view check_index,
                    std::vector<Mfn>* results, PageBounds* bounds);

// The request-log values of the result's cell statistics (lines "name=value", each with an
// integer, as the full-text search counts them): one "^a<value>^b<name>^c<integer>" per line, in
// order. A line without "=" gives an empty name.
std::vector<std::string> ResultCellValues(const std::vector<ResultCell>& cells);

// True when a filter format's output keeps the record: exactly "1", or two or more characters
// of which all but the last are "1".
bool FilterKeeps(std::string_view output);

}  // namespace zarix
