// Percent-encoding of texts placed into links and request values.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// Letters A-Z, a-z and digits stay; a blank becomes "%20"; every other byte becomes "%" and its
// value in two upper-case hexadecimal digits ("a b/ü" -> "a%20b%2F%C3%BC"). Thread-safe.
std::string UrlEncode(std::string_view text);

}  // namespace zarix
