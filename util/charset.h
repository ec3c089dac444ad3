// Conversions between UTF-8 and single-byte code pages (glibc iconv).
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// Converts `text` from code page `from` to code page `to` (iconv names: "UTF-8", "WINDOWS-1251",
// "CP866", "KOI8-R"). A character the target cannot hold becomes "?"; bytes that are not valid in
// the source are skipped. Never fails: an unknown code page returns the text unchanged.
// `lost` (may be null) is increased by the number of characters that became "?" or were skipped,
// so that callers can report what a conversion did not carry over.
std::string ConvertCharset(std::string_view text, const char* from, const char* to,
                           size_t* lost = nullptr);

}  // namespace zarix
