// Binary resources: small objects (images) kept percent-encoded in a field of a record.
//
// Command 3 sends one of them as the whole answer; InsertResourceLinks turns the markers
// "[[n]]" of formatted records into image elements whose address asks for command 3.
//
// Field value encoding: "%XY" (hexadecimal) is the byte 0xXY, "&" the two bytes
// CR LF, "+" a blank; every other character stands for its own byte.
#pragma once

#include <string>
#include <string_view>

#include "util/types.h"

namespace zarix {

struct RequestContext;

// The bytes of an encoded field value. Hexadecimal digits may be in either case; a "%" not
// followed by two of them is kept as a "%" byte. The output has at most two bytes per input
// character.
std::string DecodeBinaryResource(std::string_view value);

// Replaces every "[[" + 0..4 decimal digits + "]]" in *text by
//   <img src="<cgi_alias>?C21COM=3&I21DBN=<db>&P21DBN=<db>&BINARY_RESOURCE_MFN=<mfn>
//   &BINARY_RESOURCE_OCC=<digits>">
// (one line). Other "[[" stay as they are.
void InsertResourceLinks(std::string* text, Mfn mfn, std::string_view cgi_alias,
                         std::string_view dbname);

// Command 3. Request fields: I21DBN, BINARY_RESOURCE_MFN (default 0), BINARY_RESOURCE_OCC
// (default 1). Opens the master file of the engine database in space 1, reads the record and
// puts the decoded occurrence of the [MAIN] BINARY_RESOURCE_TAG field (default 953) on the
// response as a stream with the content type "Image"; an unreadable record or database gives
// the message page "Error read binary resourse".
void SendBinaryResource(RequestContext& ctx);

}  // namespace zarix
