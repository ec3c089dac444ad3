// Record update (command R) and ISO import (command I) by an identified reader.
//
// R edits the records the request's editing fields name (see record_form.h for the fields and
// the modes), attaches the first uploaded file (stored in the database's full-text folder, named
// in field 955 "^A"), runs the database's record-modification script on a copy of each record and
// writes it. A write never replaces a record that another request changed since it was read:
// the engine refuses it (-607) and the status says so like any other failed write. The results
// go into the request-log fields ([PARAMETRS] RecUpdateResultTag: the write status,
// RecUpdateResultTagFLC: the findings of a failed upload check), from which the frames show them.
//
// I stores the ISO 2709 record of request field I21ISO as a new record and answers with a bare
// number: the write status, -402 when nothing was imported, -1 when the client's address may not
// import.
//
// Configuration: [MAIN] AutoInFile, RecUpdateFormat; [FULLTEXT] WRITE_TEXT_FLC, WRITE_TEXT_FST
// (names of files in the deposit folder); the database's IMPORT_ISO_DBNFLC.
//
// Not thread-safe (engine spaces belong to one request).
#pragma once

#include <string>
#include <string_view>

namespace zarix {

class EngineApi;
struct RequestContext;
struct PageState;

// Statuses beside the engine's.
inline constexpr int kNothingImported = -402;
inline constexpr int kUploadRefused = -707;
inline constexpr int kImportNotAllowed = -1;

// Fills the record on `shelf` of `space` from one ISO 2709 record: its fields are removed first,
// then every directory entry whose tag is above 0, whose field lies inside the text and whose
// value is not empty adds an occurrence (subfield delimiters become "^"). Entries pointing outside
// the text are skipped. Returns 0, or kNothingImported when a value is not valid UTF-8 (the
// record must then not be written).
int ReadIsoRecord(EngineApi& engine, int space, int shelf, std::string_view text);

// Command I on the opened database (space 1): sets *answer.
void ImportIsoRecord(RequestContext& ctx, std::string* answer);

// The dispatch handler of I: opens the database and leaves the bare answer in ctx.page_text.
void ImportIsoCommand(RequestContext& ctx);

// Command R on the opened database (space 1 of the request). Appends nothing to the page.
void UpdateRecords(RequestContext& ctx, PageState& page);

// The file name under which an upload named `client_name` is stored: its last component
// (after "/" or "\"), or "" when that is empty, "." or "..", consists only of dots, or holds a
// control character.
std::string CleanUploadName(std::string_view client_name);

}  // namespace zarix
