// The record-modification language: scripts that change a record before it is written.
//
// A script is a list of lines. Line 1 holds the number N of parameters ("!N": the whole file is
// UTF-8; otherwise lines are in the ANSI code page, except lines starting with "!", which are
// UTF-8 without the "!"); 2N lines of parameters follow, then the statements: a keyword line and
// a fixed number of argument lines each (ADD, REP, CHA, CHAC, DEL, DELR: 5; NEWMFN, NEWREC, UNDOR,
// IF, UNTIL, DEFFLD, PUTFLD, GETFLD, PUTLOG: 2; CORREC: 4; END, FI, ALL, EMPTY, REPEAT: 1). Any
// other line is passed over. Field statements take a field ("tag" or "tag^code"), an occurrence
// ("*", "F", "L", "L-k" or a number) and two formats. Formats are the engine's, compiled with "!"
// and run on the script's record with an output limit of 32000 bytes (inside a NEWMFN or CORREC
// block too: the statements there change the block's record, from the data of the script's
// record); a condition holds when its first output line is "1". Inside CORREC, "v***" and "&&&"
// in the argument lines of field statements stand for the tag and occurrence of the posting the
// record was found by (0 elsewhere). Every record CORREC finds (each MFN once) is held in a space
// of its own, so that each changed record is written; at most 100 spaces, past that the script
// stops with MEMORY_ERROR.
//
// The result text collects error entries ("CODE=detail@@@", the last one "IND_ERROR=<line>@@@")
// and protocol entries ("GBL_PROTOCOL=<line>@@@", from PUTLOG): protocol entries, "#", errors.
// Empty means success. The first error stops the script; so do a script longer than
// kMaxScriptLines, more than kMaxScriptSteps executed statements (a loop that never ends) and a
// record grown past kMaxScriptFields.
//
// Not thread-safe (engine spaces belong to one request).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/p_list.h"

namespace zarix {

class EngineApi;

inline constexpr int kMaxScriptLines = 100000;
inline constexpr int kMaxScriptSteps = 10000;
// Fields a script may give a record; past it the script stops with MEMORY_ERROR=FIELDS (a loop
// that adds a field each round would otherwise make every later format slower).
inline constexpr int kMaxScriptFields = 5000;
// Fields formatted in all (each format counts the fields of its record); past it the script stops
// as an endless loop does, so that no script holds a request for long.
inline constexpr long long kMaxScriptWork = 2000000;

// The script's own database and where other databases are found.
struct ScriptDatabases {
  std::string database;   // engine name of the script's database ("*" in a script)
  std::string datapath;   // data folder (databases are found through their .par files)
  std::string syspath;    // [MAIN] SYSPATH
  std::string zarixpath;  // the engine's system folder
};

// A space the script opened for another database, with that database's engine name.
struct OpenedSpace {
  int space = 0;
  std::string database;
};

// Runs `statements` on the record on `shelf` of `space`. Spaces of other databases whose record
// the script changed are appended to *opened_spaces in the order opened (the caller writes each
// one's shelf 0 and closes it); the others are closed here. Returns the result text (empty:
// success).
std::string RunModificationScript(EngineApi& engine, int space, int shelf,
                                  const ScriptDatabases& databases, const TPList& statements,
                                  std::vector<OpenedSpace>* opened_spaces);

}  // namespace zarix
