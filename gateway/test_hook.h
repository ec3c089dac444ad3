// A seam that lets the whole-request tests provoke a hung or failing request.
//
// Production binaries never set the hook: only the test build of the gateway (compiled with
// ZARIX_TEST_HOOKS) installs one, which reads its instruction from the request.
#pragma once

#include <string_view>

#include "util/ini_store.h"

namespace zarix {

// Called at named points of a request with the request store.
using TestHookFn = void (*)(std::string_view point, const IniStore& web_ini);
extern TestHookFn g_test_hook;

inline void RunTestHook(std::string_view point, const IniStore& web_ini) {
  if (g_test_hook) g_test_hook(point, web_ini);
}

}  // namespace zarix
