// Letter case of ASCII text: configuration keys, field and section names, code page names. Bytes
// outside A-Z / a-z (UTF-8 included) are copied unchanged; for Unicode text see unicode_upper.h.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);

}  // namespace zarix
