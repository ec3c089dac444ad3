// The real MARC 21 and RUSMARC files of data/, checked against yaz-marcdump, the
// reference reader of the field: same record count, same fields, our export readable by it, and
// export followed by import giving the same records.
#include <gtest/gtest.h>
#include <unistd.h>
#include <utf8proc.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "util/path.h"
#include "util/test_data.h"
#include "zarix64/iso2709.h"

namespace zarix {
namespace {

std::string Nfc(const std::string& text) {
  utf8proc_uint8_t* nfc = utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(text.c_str()));
  if (!nfc) return text;
  std::string out(reinterpret_cast<char*>(nfc));
  std::free(nfc);
  return out;
}

bool HaveMarcdump() { return std::system("yaz-marcdump -V >/dev/null 2>&1") == 0; }

// Runs `command`; returns its standard output and sets *status to its exit status.
std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    *status = -1;
    return out;
  }
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = pclose(p);
  *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Loaded {
  std::vector<IsoRecord> records;
  int broken = 0;
  int dropped = 0;
};

Loaded Load(std::string_view data, IsoEncoding encoding) {
  Loaded out;
  IsoReader reader(data, encoding);
  IsoRecord r;
  for (;;) {
    IsoReader::Status s = reader.Next(&r);
    if (s == IsoReader::Status::kEnd) break;
    if (s == IsoReader::Status::kBroken) {
      ADD_FAILURE() << "broken at " << reader.offset() << ": " << reader.error();
      ++out.broken;
      continue;
    }
    out.dropped += static_cast<int>(reader.dropped_tags().size());
    out.records.push_back(r);
  }
  return out;
}

std::string Export(const std::vector<IsoRecord>& records, IsoEncoding encoding) {
  IsoWriter writer(encoding);
  std::string out;
  for (const IsoRecord& r : records) EXPECT_EQ(writer.Append(r, &out), 0);
  return out;
}

class TempFile {
 public:
  explicit TempFile(std::string_view data) {
    char name[] = "/tmp/iso2709_testXXXXXX";
    int fd = mkstemp(name);
    close(fd);
    path_ = name;
    WriteFileBytes(path_, data);
  }
  ~TempFile() { RemoveFile(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// yaz-marcdump's line dump without the leader lines and the fields we cannot hold (non-numeric
// tags); "-l 9=32" blanks leader position 9, which an export to another code page rewrites.
std::vector<std::string> DumpFields(const std::string& path, const char* from, int* records) {
  int status = 0;
  std::string text =
      RunCommand("yaz-marcdump -p -f " + std::string(from) + " -t utf-8 '" + path + "'", &status);
  EXPECT_EQ(status, 0) << path;
  std::vector<std::string> fields;
  *records = 0;
  bool leader_next = false;
  for (const std::string& line : Lines(text)) {
    if (line.rfind("<!-- Record", 0) == 0) {
      ++*records;
      leader_next = true;
      continue;
    }
    EXPECT_NE(line.rfind("<!--", 0), 0u) << "yaz-marcdump complains: " << line;
    if (leader_next) {
      leader_next = false;
      fields.push_back("leader " + line.substr(5, 5) + line.substr(17, 3));
      continue;
    }
    if (line.size() >= 3 && line.find_first_not_of("0123456789") < 3) continue;
    fields.push_back(line);
  }
  return fields;
}

struct RealFile {
  const char* name;
  IsoEncoding encoding;
  const char* yaz_name;
  size_t records;
  bool has_dropped_tags;
  int caret_lines;             // data fields holding a literal "^"
  int control_subfield_lines;  // control fields holding subfield delimiters
};

const RealFile kFiles[] = {
    {"marc21-real-utf8.mrc", IsoEncoding::kUtf8, "utf-8", 233, true, 3, 3},
    {"rusmarc-nlr-utf8.mrc", IsoEncoding::kUtf8, "utf-8", 72, false, 0, 0},
    {"rusmarc-nlr-koi8r.mrc", IsoEncoding::kKoi8r, "koi8-r", 72, false, 0, 0},
};

TEST(Iso2709RealData, CountsMatchYazAndExportReadsBack) {
  if (!HaveMarcdump()) GTEST_SKIP() << "yaz-marcdump not installed";
  for (const RealFile& f : kFiles) {
    SCOPED_TRACE(f.name);
    const std::string path = testing::TestDataPath(f.name);
    Loaded loaded = Load(testing::TestData(f.name), f.encoding);
    int yaz_records = 0;
    std::vector<std::string> original = DumpFields(path, f.yaz_name, &yaz_records);
    EXPECT_EQ(loaded.records.size(), static_cast<size_t>(yaz_records));
    EXPECT_EQ(loaded.records.size(), f.records);
    EXPECT_EQ(loaded.dropped > 0, f.has_dropped_tags);

    // Export in the file's own encoding and in UTF-8: yaz-marcdump reads both without a
    // complaint and sees the same fields as in the original.
    for (IsoEncoding out_encoding : {f.encoding, IsoEncoding::kUtf8}) {
      SCOPED_TRACE(IsoEncodingName(out_encoding));
      std::string exported = Export(loaded.records, out_encoding);
      TempFile file(exported);
      int exported_records = 0;
      std::vector<std::string> dumped =
          DumpFields(file.path(), IsoEncodingName(out_encoding), &exported_records);
      EXPECT_EQ(static_cast<size_t>(exported_records), f.records);
      ASSERT_EQ(dumped.size(), original.size());
      int caret_lines = 0;
      int control_subfield_lines = 0;
      for (size_t i = 0; i < dumped.size(); ++i) {
        const std::string& o = original[i];
        const bool control =
            o.size() > 3 && o[0] == '0' && o[1] == '0' && o[2] >= '1' && o[2] <= '9' && o[3] == ' ';
        if (dumped[i].rfind("leader ", 0) == 0) {
          // Position 9 (character 4 of the compared text) says whether the text is Unicode.
          std::string a = dumped[i], b = original[i];
          a[11] = b[11] = ' ';
          EXPECT_EQ(a, b) << "line " << i;
        } else if (control && o.find(" $") != std::string::npos) {
          // Control fields hold no subfields: delimiters some files put there are written back
          // as the "^" the record model keeps, so that a "^" of the fixed fields stays data.
          ++control_subfield_lines;
        } else if (!control && o.find('^') != std::string::npos) {
          ++caret_lines;  // a literal "^" in a data field reads back as a subfield mark
        } else {
          EXPECT_EQ(dumped[i], original[i]) << "line " << i;
        }
      }
      EXPECT_EQ(caret_lines, f.caret_lines);
      EXPECT_EQ(control_subfield_lines, f.control_subfield_lines);
      Loaded again = Load(exported, out_encoding);
      EXPECT_TRUE(again.records == loaded.records);
    }
  }
}

TEST(Iso2709RealData, Koi8rAndUtf8CopiesGiveTheSameRecords) {
  Loaded a = Load(testing::TestData("rusmarc-nlr-koi8r.mrc"), IsoEncoding::kKoi8r);
  Loaded b = Load(testing::TestData("rusmarc-nlr-utf8.mrc"), IsoEncoding::kUtf8);
  ASSERT_EQ(a.records.size(), 72u);
  EXPECT_TRUE(a.records == b.records);
  // The first record's title field, Cyrillic intact, indicators and subfields in place.
  const IsoRecord& first = a.records[0];
  bool found = false;
  for (const IsoField& field : first.fields) {
    if (field.tag == 200) {
      EXPECT_EQ(field.text, "1 ^aУездное^aМы^e[Романы]^fЕ. Замятин");
      found = true;
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(first.fields[0], (IsoField{999, "nam0a i "}));
  EXPECT_EQ(first.fields[1], (IsoField{1, "RU\\NLR\\bibl\\1980"}));
}

// A MARC-8 copy of the MARC 21 file made by yaz-marcdump: our import must read what yaz's own
// decoder reads (composed, NFC), and our MARC-8 export must read back the same.
TEST(Iso2709RealData, Marc8ImportAgreesWithYaz) {
  if (!HaveMarcdump()) GTEST_SKIP() << "yaz-marcdump not installed";
  const std::string path = testing::TestDataPath("marc21-real-utf8.mrc");
  int status = 0;
  TempFile marc8(RunCommand(
      "yaz-marcdump -o marc -f utf-8 -t marc8 -l 9=32 '" + path + "' 2>/dev/null", &status));
  ASSERT_EQ(status, 0);
  std::string yaz_utf8 = RunCommand(
      "yaz-marcdump -o marc -f marc8 -t utf-8 -l 9=97 '" + marc8.path() + "' 2>/dev/null", &status);
  ASSERT_EQ(status, 0);
  Loaded ours = Load(*ReadFileBytes(marc8.path()), IsoEncoding::kMarc8);
  Loaded yaz = Load(yaz_utf8, IsoEncoding::kUtf8);
  ASSERT_EQ(ours.records.size(), 233u);
  ASSERT_EQ(yaz.records.size(), ours.records.size());
  int differing = 0;
  for (size_t i = 0; i < yaz.records.size(); ++i) {
    IsoRecord expected = yaz.records[i];
    for (IsoField& f : expected.fields) f.text = Nfc(f.text);
    if (!(ours.records[i] == expected) && ++differing <= 3) {
      ADD_FAILURE() << "record " << i + 1 << " differs";
    }
  }
  EXPECT_EQ(differing, 0);

  Loaded again = Load(Export(ours.records, IsoEncoding::kMarc8), IsoEncoding::kMarc8);
  ASSERT_EQ(again.records.size(), ours.records.size());
  for (size_t i = 0; i < ours.records.size(); ++i) {
    const auto& a = again.records[i].fields;
    const auto& b = ours.records[i].fields;
    for (size_t k = 0; k < a.size() && k < b.size(); ++k) {
      EXPECT_EQ(a[k], b[k]) << "record " << i + 1 << " tag " << b[k].tag;
    }
  }
}

}  // namespace
}  // namespace zarix
