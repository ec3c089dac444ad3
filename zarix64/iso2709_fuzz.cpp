// Fuzz target of the ISO 2709 reader: any bytes, in every encoding, must read without a crash,
// and in UTF-8 whatever was read must write and read back to the same records.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "zarix64/iso2709.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (zarix::IsoEncoding encoding :
       {zarix::IsoEncoding::kUtf8, zarix::IsoEncoding::kKoi8r, zarix::IsoEncoding::kMarc8}) {
    zarix::IsoReader reader(input, encoding);
    std::vector<zarix::IsoRecord> records;
    size_t last = 0;
    for (zarix::IsoRecord r;;) {
      zarix::IsoReader::Status s = reader.Next(&r);
      if (s == zarix::IsoReader::Status::kEnd) break;
      if (reader.position() <= last && s != zarix::IsoReader::Status::kEnd) std::abort();
      last = reader.position();
      if (s == zarix::IsoReader::Status::kRecord) records.push_back(r);
    }
    if (encoding != zarix::IsoEncoding::kUtf8) continue;
    zarix::IsoWriter writer(encoding);
    std::string out;
    std::vector<zarix::IsoRecord> written;
    for (const zarix::IsoRecord& r : records) {
      if (writer.Append(r, &out) == 0) written.push_back(r);
    }
    zarix::IsoReader again(out, encoding);
    for (const zarix::IsoRecord& expected : written) {
      zarix::IsoRecord r;
      if (again.Next(&r) != zarix::IsoReader::Status::kRecord || !(r == expected)) std::abort();
    }
  }
  return 0;
}
