// Frame text as lines: splitting and joining, trimming, reading frame files, and the check that
// keeps file names taken from requests inside their folders.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/ascii_case.h"
#include "util/path.h"

namespace zarix {

using FrameLines = std::vector<std::string>;

// Lines of `text`; a line ends at CR LF, CR or LF. A final line end adds no empty line.
FrameLines SplitFrameLines(std::string_view text);

// Every line followed by CR LF.
std::string JoinFrameLines(const FrameLines& lines);

// `text` without bytes up to 0x20 (blanks and control characters) at both ends.
std::string_view TrimFrameLine(std::string_view text);

bool StartsWith(std::string_view text, std::string_view prefix);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);  // ASCII case
bool EqualsNoCase(std::string_view a, std::string_view b);              // ASCII case

// Replaces the first occurrence of `what` in *line by `with`; false when there is none.
bool ReplaceFirst(std::string* line, std::string_view what, std::string_view with);
// Replaces every occurrence of `what` (not empty) by `with`. Scanning goes on after each
// inserted text, so a replacement that contains `what` is not replaced again.
void ReplaceAll(std::string* line, std::string_view what, std::string_view with);

// Reads a frame file as lines, converting it from Windows-1251 to UTF-8 when `frames_char_set`
// is WINDOWS-1251 (any case). nullopt when the file cannot be read.
std::optional<FrameLines> ReadFrameFile(const std::string& path, std::string_view frames_char_set);

// The first of `dirs` (plain prefixes) in which `dir + name` is an existing file, or "" (also
// when `name` is not a safe relative name). *last_tried, when given, gets the last path tried.
std::string FindInFolders(const std::vector<std::string>& dirs, std::string_view name,
                          std::string* last_tried = nullptr);

}  // namespace zarix
