// Small helpers the whole-request benchmarks share.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace zarix::bench {

// The environment variable `name`, or `def` when it is unset or empty.
inline std::string Env(const char* name, const std::string& def) {
  const char* v = std::getenv(name);
  return v && *v ? v : def;
}

// The `p` quantile (0..1) of `v`, the nearest rank. REQUIRES: `v` is not empty.
inline double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

}  // namespace zarix::bench
