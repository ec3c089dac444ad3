// FindTextFile: where auxiliary text files (record-modification scripts, format-control and
// field-selection files) are looked for: a user folder beside the deposit directory overrides the
// named file, which overrides the deposit copy, which overrides the database's library.
#pragma once

#include <string_view>

#include "util/p_list.h"

namespace zarix {

// Where FindTextFile found the text.
enum class TextFileSource { kNone, kUserFolder, kPath, kDeposit, kLibrary };

// Fills `target` with the lines of the first of these that exists, for a file path
// "<folder><base>.<ext>" and the deposit directory `deposit`:
//   1. `deposit` without its trailing separator + "_USER\" + "<base>.<ext>";
//   2. `path` itself;
//   3. `deposit` + "<base>.<ext>";
//   4. member "<BASE>" (upper-cased, at most 24 bytes) of the library "<folder><db>_<ext>.ILF".
// An empty `deposit` skips steps 1 and 3. The extension is the text after the last "." of the
// file-name part. `target` is emptied first and stays empty when nothing exists; a library is
// only read, never created. Returns where the lines came from.
TextFileSource FindTextFile(std::string_view db, std::string_view path, std::string_view deposit,
                            TPList* target);

}  // namespace zarix
