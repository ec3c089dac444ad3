// The copy of the configuration written for the engine, one per request.
//
// Named "<folder>zarix_<n>.ini" with n a random number below 10000, in a folder that concurrent
// requests share (the system's temporary folder): the file is created exclusively (mode 0600) and
// another number is drawn when the name is taken, so two requests never share (or delete) one
// copy. At most one copy per process is current; DeleteCurrentEngineIniCopy removes it, which the
// request does as soon as the engine has taken the name (and the failure paths once more).
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// Writes `text` to a new file in `folder` (a prefix ending with a separator). Returns its path,
// or "" when no file could be created. The path becomes the process's current copy.
std::string CreateEngineIniCopy(std::string_view folder, std::string_view text);

// Removes the current copy, if any. Safe to call more than once.
void DeleteCurrentEngineIniCopy();

}  // namespace zarix
