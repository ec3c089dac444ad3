// Fuzz target for reading reader keys: any bytes, with every lifetime rule, must give either
// nothing or an identifier that was really inside the key, and keys made from any identifier
// read back to it.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "records/reader_key.h"

namespace {

void Check(bool ok) {
  if (!ok) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zarix;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const KeyTime times[] = {KeyTimeAt(0), KeyTimeAt(1798761000000), KeyTimeAt(1798762200000),
                           KeyTime{INT64_MAX / 2, 0}, KeyTime{0, INT64_MAX / 2}};
  for (long long live : {0LL, 30LL, -1LL, 1LL << 40}) {
    for (bool unlimited : {false, true}) {
      ReaderKeySettings s;
      s.time_live_minutes = live;
      s.time_unlimited = unlimited;
      for (const KeyTime& now : times) {
        const std::string id = ReadReaderKey(input, s, now);
        // An identifier comes out of the key: it is shorter than the key by its length digits.
        if (!id.empty()) Check(id.size() < 1000 && id.size() + 3 <= input.size());
        if (live == 0) Check(id.empty());
        // Every identifier short enough for the key's three length digits reads back.
        if (live != 0 && !input.empty() && input.size() < 1000 && now.ms_of_year < 1000000000000) {
          const std::string key = MakeReaderKey(input, s, now);
          Check(ReadReaderKey(key, s, now) == input);
        }
      }
    }
  }
  if (size >= 10) {
    if (std::optional<KeyDigits> digits = KeyDigits::Parse(input.substr(0, 10))) {
      for (char c = '0'; c <= '9'; ++c) {
        Check(digits->Encode(c) != c && digits->Decode(digits->Encode(c)) == c);
      }
    }
  }
  return 0;
}
