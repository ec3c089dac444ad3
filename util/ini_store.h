// In-memory ini store: the request store and the loaded server configuration share these rules.
//
// Built from text lines: each line is trimmed of blanks; empty lines and lines starting with ";"
// are dropped; "[name]" starts a section; lines before the first section are dropped; in a line
// with "=" the blanks around the first "=" are removed. Section and key names compare without
// regard to case (ASCII). Reading a key gives the text after the first "=" of its LAST occurrence
// in the section; a key present with an empty value reads as empty (the default is not used).
// Writing replaces the line of the key's last occurrence, or appends "name=value" to the section
// (creating the section at the end); written values are kept as given (not trimmed).
//
// Not thread-safe; owned by one request.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

class IniStore {
 public:
  IniStore() = default;

  // Replaces the contents with the parse of `lines` / of `text` (lines end at CR, LF or CR LF).
  void LoadLines(const std::vector<std::string>& lines);
  void LoadText(std::string_view text);

  // True when the section has a line for `key` (even with an empty value).
  bool HasKey(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;

  // The value of the key's last occurrence, or `def` when the key is absent.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def = {}) const;
  // Integer value; `def` when absent or not a whole decimal number (blanks around allowed).
  long long ReadInteger(std::string_view section, std::string_view key, long long def) const;
  // Booleans are integers: 0 is false, any other number true; unparsable gives `def`.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Removes every line of `key` from the section; nothing happens when it is absent.
  void DeleteKey(std::string_view section, std::string_view key);

  // The lines of a section in order, as stored ("name=value" or lines without "=").
  std::vector<std::string> SectionLines(std::string_view section) const;
  // The key names of a section in order of first appearance.
  std::vector<std::string> SectionKeys(std::string_view section) const;
  std::vector<std::string> SectionNames() const;

  // The whole store as ini text ("[section]" then its lines), lines ended by CR LF.
  std::string ToText() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::string> lines;
  };
  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);

  std::vector<Section> sections_;
};

}  // namespace zarix
