// Command-line parsing of zarix-admin: one command word, positional arguments and options.
//
// Options are "--name value", "--name=value" or flags "--name"; "--" ends the options. Which
// names take a value and which are flags is declared per command, so a misspelt option is an
// error instead of being taken for a positional argument.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zarix::admin {

struct OptionSpec {
  std::set<std::string, std::less<>> with_value;  // e.g. "encoding", "datapath"
  std::set<std::string, std::less<>> flags;       // e.g. "no-index", "help"
};

class Args {
 public:
  // Parses `argv` (without the program and command words). On a syntax error returns false and
  // sets *error ("unknown option --x", "option --mfn needs a value").
  bool Parse(const std::vector<std::string>& argv, const OptionSpec& spec, std::string* error);

  const std::vector<std::string>& positional() const { return positional_; }
  bool Flag(std::string_view name) const { return flags_.count(name) != 0; }
  bool Has(std::string_view name) const { return values_.count(name) != 0; }
  // The option's value (the last one given), or `def`.
  std::string Value(std::string_view name, std::string_view def = {}) const;

 private:
  std::vector<std::string> positional_;
  std::set<std::string, std::less<>> flags_;
  std::map<std::string, std::string, std::less<>> values_;
};

// An MFN range "N" or "FROM-TO" ("FROM-" and "-TO" leave that end open: 0). False when malformed
// or when FROM > TO.
bool ParseMfnRange(std::string_view text, long long* from, long long* to);

// A whole non-negative decimal number. False when malformed.
bool ParseCount(std::string_view text, long long* value);

}  // namespace zarix::admin
