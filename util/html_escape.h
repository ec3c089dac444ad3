// Text placed into a web page as text or inside a double-quoted attribute value.
#pragma once

#include <string>
#include <string_view>

namespace zarix {

// `text` with &, <, > and " written as character references: it can neither end an attribute
// value nor open markup or a page directive. Bytes are otherwise copied (UTF-8 stays as it is).
std::string HtmlEscape(std::string_view text);

}  // namespace zarix
