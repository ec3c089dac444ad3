// Splitting text into lines the way every text file of a site may be written: CR LF, CR or LF.
//
// Configuration files, frames, message lists and posted request bodies come from Windows and
// Unix editors alike, so each of the three line ends ends a line. Pure and thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

// Lines of `text`; CR LF, CR and LF each end a line. A final line end adds no empty line, an
// empty text gives no lines. The views point into `text` and live as long as it does.
std::vector<std::string_view> SplitLineViews(std::string_view text);

// The same lines as copies.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace zarix
