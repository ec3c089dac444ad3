// zarix-admin moving records in and out without changing them silently, and its report of a
// request-log database: the real binary on databases in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/admin_run.h"
#include "util/path.h"
#include "util/test_data.h"

namespace zarix::testing {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// One ISO 2709 record (UTF-8 leader) of `fields` (tag, data without terminator).
std::string IsoRecord(const Fields& fields) {
  std::string dir, data;
  char entry[16];
  for (const auto& [tag, text] : fields) {
    std::snprintf(entry, sizeof entry, "%s%04zu%05zu", tag.c_str(), text.size() + 1, data.size());
    dir += entry;
    data += text + "\x1e";
  }
  dir += "\x1e";
  data += "\x1d";
  char leader[32];
  std::snprintf(leader, sizeof leader, "%05zunam a22%05zu   4500", 24 + dir.size() + data.size(),
                24 + dir.size());
  return leader + dir + data;
}

// The fields of the records of an ISO 2709 buffer (tag, data), record after record.
std::vector<Fields> ParseIso(const std::string& iso) {
  std::vector<Fields> records;
  for (size_t at = 0; at + 24 <= iso.size();) {
    const size_t length = std::stoul(iso.substr(at, 5));
    const size_t base = std::stoul(iso.substr(at + 12, 5));
    Fields fields;
    for (size_t e = at + 24; iso[e] != '\x1e'; e += 12) {
      const size_t len = std::stoul(iso.substr(e + 3, 4));
      const size_t start = std::stoul(iso.substr(e + 7, 5));
      fields.emplace_back(iso.substr(e, 3), iso.substr(at + base + start, len - 1));
    }
    records.push_back(std::move(fields));
    at += length;
  }
  return records;
}

class InterchangeTest : public ::testing::Test {
 protected:
  RunResult Admin(std::vector<std::string> args) {
    args.insert(args.begin(), AdminBinary());
    if (args[1] != "create") {
      args.push_back("--datapath");
      args.push_back(dir_.path());
    }
    return RunProgram(args);
  }
  void Create(const std::string& name, const char* flavour = "--marc21") {
    RunResult r = Admin({"create", dir_.path(), name, flavour});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  std::string Records(const std::string& db) {
    RunResult r = Admin({"stats", db});
    const size_t at = r.out.find("records ");
    return at == std::string::npos ? "?" : r.out.substr(at + 17, r.out.find('\n', at) - at - 17);
  }
  std::string File(const std::string& name, const std::string& bytes) {
    WriteFileBytes(dir_.path() + name, bytes);
    return dir_.path() + name;
  }
  TempDir dir_;
};

TEST_F(InterchangeTest, MarcRecordsRoundTripWithLiteralCaretsAndCodePages) {
  Create("books");
  const std::string source = TestData("marc21-real-utf8.mrc");
  ASSERT_FALSE(source.empty());
  size_t data_carets = 0;
  // Record number -> "^" in its fields 001-009. A record whose control fields hold subfield
  // delimiters (one danMARC record) is left out: export writes its delimiters as "^".
  std::map<size_t, size_t> control_carets;
  std::set<size_t> with_subfields;
  size_t n = 0;
  for (const Fields& rec : ParseIso(source)) {
    ++n;
    for (const auto& [tag, text] : rec) {
      if (tag < "010" && text.find('\x1f') != std::string::npos) with_subfields.insert(n);
      if (tag < "010" && text.find('^') != std::string::npos) {
        control_carets[n] += std::count(text.begin(), text.end(), '^');
      }
      if (tag >= "010" && text.find('^') != std::string::npos) ++data_carets;
    }
  }
  ASSERT_FALSE(control_carets.empty());

  RunResult r = Admin({"import", "books", TestDataPath("marc21-real-utf8.mrc")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("records 1-233 committed\n"), std::string::npos) << r.out;
  if (data_carets > 0) {
    EXPECT_NE(r.out.find(std::to_string(data_carets) + " data fields hold a literal \"^\""),
              std::string::npos)
        << r.out;
  }

  // Fixed fields keep their "^" as data: no subfield delimiter appears in them.
  r = Admin({"export", "books", dir_.path() + "out.iso"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::map<size_t, size_t> exported;
  n = 0;
  for (const Fields& rec : ParseIso(ReadFileBytes(dir_.path() + "out.iso").value_or(""))) {
    ++n;
    for (const auto& [tag, text] : rec) {
      if (tag >= "010") continue;
      EXPECT_EQ(text.find('\x1f'), std::string::npos) << tag << " " << text;
      if (text.find('^') != std::string::npos && !with_subfields.count(n)) {
        exported[n] += std::count(text.begin(), text.end(), '^');
      }
    }
  }
  EXPECT_EQ(exported, control_carets);

  // A code page that lacks characters: counted, and refused with --strict.
  r = Admin({"export", "books", dir_.path() + "win.iso", "--encoding", "windows-1251"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("characters have no place in windows-1251"), std::string::npos) << r.err;
  r = Admin(
      {"export", "books", dir_.path() + "strict.iso", "--encoding", "windows-1251", "--strict"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(FileExists(dir_.path() + "strict.iso"));
  r = Admin({"export", "books", dir_.path() + "utf.iso", "--strict"});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(InterchangeTest, InputThatIsNotWhatItSaysLoadsNothing) {
  Create("rus", "--unimarc");
  const struct {
    const char* what;
    std::string path;
    std::vector<std::string> extra;
    const char* message;
  } cases[] = {
      {"KOI8-R read as UTF-8",
       TestDataPath("rusmarc-nlr-koi8r.mrc"),
       {},
       "is not valid utf-8; name the file's encoding with --encoding"},
      {"an image",
       File("picture.png",
            std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(3000, '\x7f')),
       {},
       "not an ISO 2709 file"},
      {"no such file", dir_.path() + "missing.iso", {}, "No such file or directory"},
      {"a folder", dir_.path(), {}, "is a folder"},
      {"good file then an image",
       TestDataPath("rusmarc-nlr-utf8.mrc"),
       {dir_.path() + "picture.png"},
       "not an ISO 2709 file"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"import", "rus", c.path};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    RunResult r = Admin(args);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
    EXPECT_EQ(Records("rus"), "0") << c.what;
  }
  RunResult r =
      Admin({"import", "rus", TestDataPath("rusmarc-nlr-koi8r.mrc"), "--encoding", "koi8-r"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Records("rus"), "72");
}

TEST_F(InterchangeTest, CheckListsCaretsThatCannotBeSubfieldMarks) {
  Create("books");
  const std::string iso = IsoRecord({{"001", "c1"},
                                     {"008", "850101s1985^^^^xx"},
                                     {"245",
                                      "10\x1f"
                                      "aArt"}}) +
                          IsoRecord({{"001", "c2"},
                                     {"500",
                                      "  \x1f"
                                      "aPrice ^ 5"},
                                     {"520",
                                      "  \x1f"
                                      "aA^b"}});
  RunResult r = Admin({"import", "books", File("in.iso", iso)});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("2 data fields hold a literal \"^\""), std::string::npos) << r.out;
  r = Admin({"check", "books"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("MFN 2 field 500: a \"^\" that is no subfield mark:   ^aPrice ^ 5\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("field 008"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("field 520"), std::string::npos) << "reads as subfield b: " << r.out;
}

TEST_F(InterchangeTest, ReportCountsFromTheLogDictionary) {
  Create("LOGDB", "--log");
  // (day, command, database, search, hits)
  const std::vector<std::vector<std::string>> requests = {
      {"01032026", "S", "BOOKS", "K=ART", "12"},  {"01032026", "S", "BOOKS", "K=ART", "12"},
      {"01032026", "S", "BOOKS", "K=XYZZY", "0"}, {"02032026", "S", "BOOKS", "K=ART", "3"},
      {"02032026", "T", "BOOKS", "", ""},         {"05032026", "S", "BOOKS", "K=xyzzy", "0"},
      {"05032026", "E", "BOOKS", "K=ART", "3"},
  };
  std::string iso;
  for (const auto& q : requests) {
    Fields f = {{"907", q[0] + " 10:00"}, {"002", q[1]}, {"003", q[2]}};
    if (!q[3].empty()) f.push_back({"001", q[3]});
    if (!q[4].empty()) f.push_back({"004", q[4]});
    iso += IsoRecord(f);
  }
  ASSERT_EQ(Admin({"import", "LOGDB", File("log.iso", iso)}).status, 0);

  RunResult r = Admin({"report", "LOGDB", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "section,key,requests\n"
            "search,K=ART,4\nsearch,K=XYZZY,2\n"
            "no_result,K=XYZZY,2\n"
            "day,2026-03-01,3\nday,2026-03-02,2\nday,2026-03-05,2\n"
            "command,S,5\ncommand,E,1\ncommand,T,1\n");
  r = Admin({"report", "LOGDB", "--from", "2026-03-02", "--to", "2026-03-04", "--csv"});
  EXPECT_EQ(r.out,
            "section,key,requests\nsearch,K=ART,1\nday,2026-03-02,2\ncommand,S,1\ncommand,T,1\n");
  r = Admin({"report", "LOGDB", "--top", "1"});
  EXPECT_NE(
      r.out.find("Most frequent searches\n         4  K=ART\n\nSearches that found nothing\n"),
      std::string::npos)
      << r.out;
  EXPECT_EQ(Admin({"report", "LOGDB", "--from", "March"}).status, 2);
}

}  // namespace
}  // namespace zarix::testing
