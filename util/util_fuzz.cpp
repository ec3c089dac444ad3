// Fuzz target for the util code that sees outside input: the ini store parser (request stores
// and configuration files) and the UTF-8 decoder with upper-casing (every request value).
// Checks properties, not just crashes: a rendered store parses back to the same text, the
// validity filter agrees with the UTF-16 round trip, upper-casing keeps the byte length.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "util/ini_store.h"
#include "util/unicode_upper.h"
#include "util/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  zarix::IniStore ini;
  ini.LoadText(text);
  std::string rendered = ini.ToText();
  zarix::IniStore again;
  again.LoadText(rendered);
  if (again.ToText() != rendered) std::abort();
  for (const std::string& section : ini.SectionNames()) {
    for (const std::string& key : ini.SectionKeys(section)) {
      if (again.ReadString(section, key, "\x01") != ini.ReadString(section, key)) std::abort();
    }
  }

  bool valid = zarix::IsValidUtf8(text);
  std::string round = zarix::UnicodeToUtf8(zarix::Utf8ToUnicode(text));
  if (valid != (round == text) && !text.empty()) std::abort();
  if (zarix::ValidUtf8OrEmpty(text) != (valid ? std::string(text) : std::string())) std::abort();
  std::string upper = zarix::UpperUtf8(text);
  if (upper.size() != text.size() || zarix::IsValidUtf8(upper) != valid) std::abort();
  if (zarix::CompareTextUtf8(text, upper) != 0) std::abort();
  return 0;
}
