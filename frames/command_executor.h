// ExecuteCommand: the part of a page that belongs to the command itself (the formatted records
// of a search or display, the terms of a dictionary page, later orders and record updates),
// followed by the preparation of the engine's working record on which the frames after it are
// evaluated.
//
// Request fields read by the record display (F, S): DirectAccess/S21FRAME (direct-access frame),
// S21FMT (record format, default "fullwebr"; sent empty: the engine database name), S21SRW,
// S21SRD, SORT_HEADERS_PRINT_AS_TABLE, S21COLORTERMS, [WEB] SearchEmpty, CGI_ALIAS, http_path,
// MAX_SORT_COUNT, SORT_HEADERS_PRINT, [MAIN] DEBUG, BINARY_RESOURCE_TAG. By the dictionary (T):
// T21PRF, T21TRM, T21CNR, [MAIN] SHOW_PREVTERM, [PARAMETRS] DictTermTag, DictNDocsTag and the
// database section's DICT_FORMAT.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frames/placeholders.h"
#include "search/term_highlighting.h"
#include "util/types.h"

namespace zarix {

struct RequestContext;

// One line of a full-text result's cell statistics: "name=value" and its count.
struct ResultCell {
  std::string line;
  long long count = 0;
};

// What a result page sets up for the commands and frames it runs. Owned by the page procedure;
// lives for one request.
struct PageState {
  std::string database_folder;  // line 10 of the database's .par file
  std::vector<Mfn> results;     // the result list, in display order
  bool searched = false;        // the request built a result list (it may be empty)
  long long first = 0;          // page bounds: 0-based, inclusive; last < first: no records
  long long last = -1;
  PlaceholderList placeholders;
  std::string direct_access_tail;  // the part of a direct-access frame after its <!RESULT>
  int expansions = 0;              // directives expanded so far (bounded, see ProcessFrame)
  int command_runs = 0;            // <!RESULT> directives run so far (bounded, see ProcessFrame)
  bool language_loaded = false;    // the request's language file, read once per page
  LanguageTexts language;
  std::optional<ColorTermsSettings> color_terms;  // built on first use, once per request
  // The cell statistics of a full-text result.
  std::vector<ResultCell> result_cells;
};

// A command branch of ExecuteCommand; appends to *output.
using CommandBranch = void (*)(RequestContext& ctx, PageState& page, std::string* output);

// The branch for a command character, or nullptr when there is none (the dictionary, orders and
// record update join here with their own code).
CommandBranch FindCommandBranch(char command);

// Runs the branch of the request's command (none for other commands), appending to *output,
// then the common ending: the direct-access tail, and the working record on shelf 0 of space 1
// made anew from the reader's record (its binary-resource fields left out) and the request-log
// fields.
void ExecuteCommand(RequestContext& ctx, PageState& page, std::string* output);

// Copies the reader's record into the record on shelf 0 of space 1: the reader's MFN and every
// field but the binary-resource ones ([MAIN] BINARY_RESOURCE_TAG), read through space 2. Does
// nothing without a known reader or a second space.
void AddReaderRecord(RequestContext& ctx);

// The highlighting settings and mark list of the request (S21COLORTERMS, [WEB] CGI_ALIAS and
// http_path, EXTPREF/EXTPOST, MIN_COLOR_COUNT, the highlight terms and FT_REQUEST with the
// morphology database when one is open), built on the first call and kept in the page.
const ColorTermsSettings& ColorTermsFor(RequestContext& ctx, PageState& page);

// ColorTerms with the request's settings, traced.
void FinishResultEntry(RequestContext& ctx, PageState& page, std::string* text, Mfn mfn,
                       long long index);

// The record display of F and S.
void DisplayFoundRecords(RequestContext& ctx, PageState& page, std::string* output);

}  // namespace zarix
