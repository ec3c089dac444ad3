// Conversions between UTF-8 and the host's ANSI and OEM code pages.
//
// On Linux there is no host code page: the code page names are process-wide settings that the
// request processor takes from the configuration ([MAIN] ANSI_CODEPAGE, OEM_CODEPAGE) at start-up.
// Until then they are "WINDOWS-1251" and "CP866". The conversions go through ConvertCharset, so
// they never fail: characters the target lacks become "?", invalid source bytes are skipped.
// Thread-safe: the settings are guarded, a conversion uses the names current when it starts.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

inline constexpr const char* kDefaultAnsiCodePage = "WINDOWS-1251";
inline constexpr const char* kDefaultOemCodePage = "CP866";

// Sets the ANSI / OEM code page names (iconv names). An empty name restores the default.
void SetAnsiCodePage(std::string_view name);
void SetOemCodePage(std::string_view name);
std::string AnsiCodePage();
std::string OemCodePage();

// ANSI code page <-> UTF-8.
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);

// OEM code page <-> UTF-8.
std::string OemToUtf8(std::string_view text);
std::string Utf8ToOem(std::string_view text);

}  // namespace zarix
