// The request store and its helpers: every request parameter is read through one lookup rule.
//
// The store (`WebIni`, an IniStore) holds the request fields in section "Form Literal" (name=value
// lines) and, for GET requests, the raw query in section "CGI" key "Query String". A parameter is
// the field the request carries, else the key of the same name in section WEB of the server
// configuration, else a default. Every value entering the store is UTF-8 without control
// characters or stray angle brackets: the decoding and clean-up helpers below make it so.
//
// All functions are pure or touch only the stores passed in; none reports errors.
#pragma once

#include <string>
#include <string_view>

#include "util/ini_store.h"
#include "util/value_cleanup.h"  // the clean-up of every value entering the store

namespace zarix {

inline constexpr std::string_view kFormSection = "Form Literal";
inline constexpr std::string_view kCgiSection = "CGI";
inline constexpr std::string_view kQueryStringKey = "Query String";

// The fields the gateway writes itself from what the web server says of the request: the client
// address, the host, the remote host and the user agent. Request fields never replace them (the
// request filter and the address checks rely on them).
inline constexpr std::string_view kGatewayFields[] = {"URLTag", "HOST", "DTAGE", "UserAgent"};
// True when `name` is one of kGatewayFields in any letter case.
bool IsGatewayField(std::string_view name);

// The request field `name`, else `[WEB] name` of `server_ini`, else `def`. A field present with
// an empty value wins over the configuration and the default; an empty `[WEB]` value does not.
std::string RequestParam(const IniStore& web_ini, const IniStore& server_ini, std::string_view name,
                         std::string_view def = {});

// Writes the request field `name` = `value` (replacing its last occurrence, value kept as given).
// A gateway field (IsGatewayField) is never written: the query, the request filter and every
// other writer of request fields go through here.
void SetRequestParam(IniStore& web_ini, std::string_view name, std::string_view value);

// The first byte of `C21COM` after mapping through section WEB (a key named like the command
// value replaces it), or '\0' when the command is empty.
char GetCommandChar(const IniStore& web_ini, const IniStore& server_ini);

// Percent-decoding of a request value. "%XY" gives the byte 0xXY; once an escape was decoded, "+"
// becomes a blank and, when `specsimvols` is on, "&" becomes CR LF; before that both stay as they
// are (the search language uses "+" as an operator). A "%" without two hexadecimal digits after it
// is kept literally.
std::string UrlDecodeValue(std::string_view text, bool specsimvols);

// Moves the fields of `[CGI] Query String` into "Form Literal": items split at "&", an item
// without a value is skipped, values are decoded (UrlDecodeValue, then AnsiToUtf8 when
// `query_char_set` is WINDOWS-1251 in any case), cleaned, and stored with SetRequestParam. Every
// occurrence of T21CHK is kept (joined by blanks); for other names the last occurrence wins.
void ParseQueryString(IniStore& web_ini, std::string_view query_char_set, bool specsimvols);

// "utf-8" or "koi8-r" when the content type's charset names them, else "windows-1251".
std::string CharsetFromContentType(std::string_view content_type);

}  // namespace zarix
