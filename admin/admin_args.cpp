// Command-line parsing of zarix-admin.
#include "admin/admin_args.h"

#include <charconv>

namespace zarix::admin {

bool Args::Parse(const std::vector<std::string>& argv, const OptionSpec& spec, std::string* error) {
  bool options_done = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& arg = argv[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      positional_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    if (arg == "-h") {
      flags_.insert("help");
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      *error = "unknown option " + arg;
      return false;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (spec.flags.count(name) || name == "help") {
      if (value) {
        *error = "option --" + name + " takes no value";
        return false;
      }
      flags_.insert(name);
    } else if (spec.with_value.count(name)) {
      if (!value) {
        if (i + 1 >= argv.size()) {
          *error = "option --" + name + " needs a value";
          return false;
        }
        value = argv[++i];
      }
      values_[name] = *value;
    } else {
      *error = "unknown option --" + name;
      return false;
    }
  }
  return true;
}

std::string Args::Value(std::string_view name, std::string_view def) const {
  auto it = values_.find(name);
  return it == values_.end() ? std::string(def) : it->second;
}

bool ParseCount(std::string_view text, long long* value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && *value >= 0;
}

bool ParseMfnRange(std::string_view text, long long* from, long long* to) {
  size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    if (!ParseCount(text, from) || *from == 0) return false;
    *to = *from;
    return true;
  }
  std::string_view a = text.substr(0, dash), b = text.substr(dash + 1);
  *from = 0;
  *to = 0;
  if (a.empty() && b.empty()) return false;
  if (!a.empty() && !ParseCount(a, from)) return false;
  if (!b.empty() && !ParseCount(b, to)) return false;
  return *to == 0 || *from <= *to;
}

}  // namespace zarix::admin
