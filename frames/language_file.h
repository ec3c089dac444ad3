// Language files: line pairs of a key and its text, for the "~~key~~" markers of frames.
#pragma once

#include <string>
#include <string_view>

#include "frames/placeholders.h"
#include "util/ini_store.h"

namespace zarix {

// The pairs of `text`: line 2k is a key, line 2k+1 its text; a trailing unpaired line is
// ignored.
LanguageTexts ParseLanguageFile(std::string_view text);

// The language of the request: `language` (the request parameter LNG, else [Web] LNG), else
// [MAIN] lng. When it is a safe file name and CGIPATH + "\" + name + ".lng" exists, its pairs;
// otherwise none.
LanguageTexts LoadRequestLanguage(const IniStore& server_ini, std::string_view cgi_path,
                                  std::string_view language);

}  // namespace zarix
