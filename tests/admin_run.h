// Running zarix-admin and helper programs from whole-program tests: a temporary folder per
// test, a child process with captured output, background children that can be killed.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "util/temp_dir.h"   // TempDir, the tests' working folders
#include "util/test_data.h"  // TestDataPath, TestData: the sample records of data/

namespace zarix::testing {

struct RunResult {
  int status = -1;  // exit status; 128 + signal when killed
  std::string out;
  std::string err;
};

// Runs `argv` (argv[0] a path), waits for it, and returns its exit status and output.
// `env` entries ("NAME=value") are added to the environment of the child.
RunResult RunProgram(const std::vector<std::string>& argv,
                     const std::vector<std::string>& env = {});

// Starts `argv` in the background with its output going to `out_path` (stdout and stderr).
pid_t Start(const std::vector<std::string>& argv, const std::string& out_path);
// Waits for a child started with Start(); returns as RunProgram() does.
int Wait(pid_t pid);

// The zarix-admin binary (environment ZARIX_ADMIN).
std::string AdminBinary();

}  // namespace zarix::testing
