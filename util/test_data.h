// The project's sample records (data/: real MARC 21 and RUSMARC files) for tests and benchmarks.
//
// Test support only. The folder is $ZARIX_DATA_DIR when set (the test registration sets it),
// else the source tree's data/ as configured. A file that cannot be read throws
// std::runtime_error naming the path: GoogleTest reports that as the failure of the test that
// needed it, where an empty input would crash or pass for the wrong reason further on.
#pragma once

#include <string>
#include <string_view>

namespace zarix::testing {

// The data folder, ending with "/".
std::string TestDataDir();
// The path of data/`name`, after checking that the file can be read.
std::string TestDataPath(std::string_view name);
// The bytes of data/`name`.
std::string TestData(std::string_view name);

}  // namespace zarix::testing
