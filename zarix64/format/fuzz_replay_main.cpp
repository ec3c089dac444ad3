// Replays every file of a fuzz corpus folder through LLVMFuzzerTestOneInput, so that builds
// without libFuzzer (gcc, sanitizer CI) still run the corpus and its regressions.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR...\n", argv[0]);
    return 2;
  }
  size_t count = 0;
  for (int a = 1; a < argc; ++a) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(argv[a], ec)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++count;
    }
    if (ec) {
      std::fprintf(stderr, "cannot read %s: %s\n", argv[a], ec.message().c_str());
      return 1;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return count > 0 ? 0 : 1;
}
