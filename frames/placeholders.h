// Placeholders of frames: the counted ones a result page sets (<--TOTALRECS--> ...), the fixed
// ones every page has (<--TIME-->, <--DATABASE--> ...) and the "~~key~~" texts of the language
// file.
//
// Matching is case-sensitive. The counted placeholders and the first four fixed ones replace
// only their first occurrence in a line; <--CGI_PATH-->, <--HTTP_PATH--> and language markers
// replace every occurrence, each once (a replacement holding its own placeholder is left as
// it is, so a configuration value can never make the replacement loop).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "frames/frame_text.h"

namespace zarix {

// (placeholder text, value) pairs in the order they were added.
using PlaceholderList = std::vector<std::pair<std::string, long long>>;

// For each pair in order, and each line: the first occurrence becomes the value in decimal.
void ApplyCountedPlaceholders(const PlaceholderList& placeholders, FrameLines* lines);

// (key, text) pairs of a language file.
using LanguageTexts = std::vector<std::pair<std::string, std::string>>;

struct FixedPlaceholders {
  std::string time;         // <--TIME-->
  std::string maximum_mfn;  // <--MAXIMUMMFN-->
  std::string runtime_pid;  // <--RUNTIMEPID-->: the reader identifier
  std::string database;     // <--DATABASE-->
  std::string cgi_path;     // <--CGI_PATH-->
  std::string http_path;    // <--HTTP_PATH-->
};

// Per line, in this order: the four single placeholders, the two paths, every "~~key~~" of
// `language` whose text is not empty, then every remaining "~~" removed.
void ApplyFixedPlaceholders(const FixedPlaceholders& values, const LanguageTexts& language,
                            FrameLines* lines);

// Today's date as the short date of the catalogue's pages ("dd.mm.yyyy").
std::string ShortDate();

}  // namespace zarix
