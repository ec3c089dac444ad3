// The one way the system touches the file system.
//
// Configuration and `.par` files may be written Windows-style ("C:\SYS\DATAI\", ".\DATAI\BOOKS\"):
// every path goes through NativePath, which turns "\" into "/", before it reaches the operating
// system. Configured folders stay plain prefixes: callers append file names without inserting a
// separator, exactly as the configuration spells them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarix {

// `path` with every "\" turned into "/".
std::string NativePath(std::string_view path);

// True when `path` names an existing regular file (after NativePath).
bool FileExists(std::string_view path);
// True when `path` names an existing directory (after NativePath).
bool DirExists(std::string_view path);

// The whole file as bytes, or nullopt when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(std::string_view path);

// Writes `data` to `path` (replacing it). Returns false on any failure.
bool WriteFileBytes(std::string_view path, std::string_view data);

// Removes the file; false when it did not exist or could not be removed.
bool RemoveFile(std::string_view path);

// The system's temporary folder ($TMPDIR, else "/tmp/"), with a trailing "/".
std::string SystemTempDir();

// The folder of the running program, with a trailing "/" (from /proc/self/exe).
std::string ProgramDir();

// True when `name` may be appended to a folder without leaving it: not empty, no NUL byte, not
// absolute ("/..." or "\..." or a drive letter "C:"), and no ".." path component (either
// separator counts).
bool IsSafeRelativeName(std::string_view name);

// The directory part of `path` including its trailing separator ("a/b/c.pdf" -> "a/b/"), or "".
std::string DirName(std::string_view path);
// The file-name part of `path` after the last "/" or "\".
std::string BaseName(std::string_view path);

}  // namespace zarix
