// Whole-program tests of zarix-admin: the real binary on databases in a temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/admin_run.h"
#include "util/path.h"

namespace zarix::testing {
namespace {

bool HaveMarcdump() { return std::system("yaz-marcdump -V >/dev/null 2>&1") == 0; }

class AdminTest : public ::testing::Test {
 protected:
  // zarix-admin with `args` and --datapath of the test's folder (except for create).
  RunResult Admin(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), AdminBinary());
    if (args.size() > 1 && args[1] != "create") {
      args.push_back("--datapath");
      args.push_back(dir_.path());
    }
    return RunProgram(args, env);
  }
  void Create(const std::string& name, const char* flavour = "--marc21") {
    RunResult r = Admin({"create", dir_.path(), name, flavour});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // The value of one line of `stats`.
  std::string Stat(const std::string& db, const std::string& key) {
    RunResult r = Admin({"stats", db});
    size_t at = r.out.find(key + " ");
    if (at == std::string::npos) return "?";
    size_t begin = r.out.find_first_not_of(' ', at + key.size());
    return r.out.substr(begin, r.out.find('\n', begin) - begin);
  }

  TempDir dir_;
};

TEST_F(AdminTest, UsageErrorsAndHelp) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string text;  // expected in stdout or stderr
  } cases[] = {
      {{}, 2, "usage: zarix-admin COMMAND"},
      {{"--help"}, 0, "import DB FILE..."},
      {{"import", "--help"}, 0, "--encoding"},
      {{"check", "-h"}, 0, "Exit status 1 with a report"},
      {{"frobnicate"}, 2, "unknown command \"frobnicate\""},
      {{"import", "db"}, 2, "missing arguments"},
      {{"stats", "a", "b"}, 2, "too many arguments"},
      {{"export", "db", "f", "--bogus"}, 2, "unknown option --bogus"},
      {{"print", "db", "--format"}, 2, "option --format needs a value"},
      {{"export", "db", "f", "--text=1"}, 2, "takes no value"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {AdminBinary()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    RunResult r = RunProgram(argv);
    EXPECT_EQ(r.status, c.status) << c.args.size();
    EXPECT_NE((r.out + r.err).find(c.text), std::string::npos) << r.out << r.err;
  }
}

TEST_F(AdminTest, DatabaseErrorsNameTheProblem) {
  Create("books");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string text;
  } cases[] = {
      {{"stats", "nosuch"}, 1, "nosuch.par does not exist"},
      {{"stats", "../books"}, 1, "../books: not a database name"},
      {{"import", "books", "/nonexistent.iso"}, 1, "cannot read /nonexistent.iso"},
      {{"import", "books", "x.iso", "--encoding", "latin9"}, 2, "unknown encoding \"latin9\""},
      {{"export", "books", "x.iso", "--mfn", "5-2"}, 2, "--mfn wants N or FROM-TO"},
      {{"print", "books", "--format", "v200^a,("}, 2, "format:"},
      {{"postings", "books", "K=NOTHING"}, 1, "no term K=NOTHING"},
  };
  for (const Case& c : cases) {
    RunResult r = Admin(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << r.err;
    EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
  }
}

TEST_F(AdminTest, CreateWritesParFstStwAndRefusesTwice) {
  std::string folder = dir_.path() + "elsewhere/cat/";
  RunResult r = Admin({"create", dir_.path(), "cat", "--folder", folder, "--unimarc"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string par = ReadFileBytes(dir_.path() + "cat.par").value_or("");
  std::string expected;
  for (int i = 1; i <= 11; ++i) expected += std::to_string(i) + "=" + folder + "\r\n";
  EXPECT_EQ(par, expected);
  for (const char* ext : {".mst", ".ifp", ".fst", ".stw"}) {
    EXPECT_TRUE(FileExists(folder + "cat" + ext)) << ext;
  }
  EXPECT_EQ(ReadFileBytes(folder + "cat.stw").value_or("x"), "");
  EXPECT_NE(ReadFileBytes(folder + "cat.fst").value_or("").find("200 0 (|T=|v200^a/)"),
            std::string::npos);

  r = Admin({"create", dir_.path(), "cat"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("exists already"), std::string::npos);
  r = Admin({"create", dir_.path(), "a/b"});
  EXPECT_EQ(r.status, 2);
}

TEST_F(AdminTest, CreateMakesAMissingDataFolder) {
  const std::string data = dir_.path() + "new/site/data";
  RunResult r = Admin({"create", data, "x"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(FileExists(data + "/x.par"));
  EXPECT_TRUE(FileExists(data + "/x/x.mst"));
  // A file where a folder should be: a clear refusal, and nothing made.
  ASSERT_TRUE(WriteFileBytes(dir_.path() + "plain", "text"));
  r = Admin({"create", dir_.path() + "plain/data", "y"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot create data folder " + dir_.path() + "plain/data/"),
            std::string::npos)
      << r.err;
}

TEST_F(AdminTest, ImportRealFilesIndexedAndIntact) {
  Create("books");
  Create("rus", "--unimarc");
  RunResult r = Admin({"import", "books", TestDataPath("marc21-real-utf8.mrc")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // no progress display without a terminal
  EXPECT_NE(r.out.find("233 records loaded (MFN 1-233)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("CAT (3816)"), std::string::npos) << r.out;
  r = Admin({"import", "rus", TestDataPath("rusmarc-nlr-koi8r.mrc"), "--encoding", "koi8-r"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Stat("rus", "records"), "72");

  for (const char* db : {"books", "rus"}) {
    r = Admin({"check", db});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("records and inverted file agree"), std::string::npos);
  }

  r = Admin({"print", "rus", "--format", "v200^a/v200^f", "--mfn", "1"});
  EXPECT_EQ(r.out, "Уездное\nЕ. Замятин\n");
  r = Admin({"terms", "rus", "--prefix", "k=уезд"});
  EXPECT_EQ(r.out, "K=УЕЗДНОЕ\t1\n");
  r = Admin({"postings", "rus", "K=Уездное"});
  EXPECT_EQ(r.out, "1\t200\t1\t1\n");
  r = Admin({"terms", "rus", "--prefix", "G=", "--from", "G=1996", "--count", "2"});
  EXPECT_EQ(r.out, "G=1996\t1\nG=1997\t18\n");
  r = Admin({"terms", "books", "--prefix", "T=", "--count", "1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("T=", 0), 0u);
}

TEST_F(AdminTest, ExportReadsInYazAndReimportsIdentically) {
  Create("rus", "--unimarc");
  Create("copy", "--unimarc");
  ASSERT_EQ(Admin({"import", "rus", TestDataPath("rusmarc-nlr-utf8.mrc")}).status, 0);
  std::string iso = dir_.path() + "rus.iso";
  RunResult r = Admin({"export", "rus", iso, "--encoding", "koi8-r"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("72 records exported"), std::string::npos);
  if (HaveMarcdump()) {
    RunResult y =
        RunProgram({"/bin/sh", "-c", "yaz-marcdump -p '" + iso + "' | grep -c '^<!-- Record'"});
    EXPECT_EQ(y.out, "72\n");
  }
  ASSERT_EQ(Admin({"import", "copy", iso, "--encoding", "koi8-r"}).status, 0);
  RunResult a = Admin({"export", "rus", "-", "--text"});
  RunResult b = Admin({"export", "copy", "-", "--text"});
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out.find("#200: 1 ^aУездное^aМы^e[Романы]^fЕ. Замятин\r\n"), std::string::npos);

  r = Admin({"export", "rus", "-", "--text", "--mfn", "2-3"});
  size_t records = 0;
  for (size_t at = 0; (at = r.out.find("*****\r\n", at)) != std::string::npos; ++at) ++records;
  EXPECT_EQ(records, 2u);
}

TEST_F(AdminTest, BrokenRecordsAreSkippedWithTheirOffsets) {
  Create("books");
  std::string good = TestData("rusmarc-nlr-utf8.mrc");
  ASSERT_GT(good.size(), 5000u);
  size_t first = std::stoul(good.substr(0, 5));
  size_t second = std::stoul(good.substr(first, 5));
  // Record 1, garbage, record 2, record 3 with its length digits spoiled, record 4.
  size_t third = std::stoul(good.substr(first + second, 5));
  size_t fourth = std::stoul(good.substr(first + second + third, 5));
  std::string spoiled = good.substr(first + second, third);
  spoiled[1] = 'X';
  std::string data = good.substr(0, first) + "junk" + good.substr(first, second) + spoiled +
                     good.substr(first + second + third, fourth);
  WriteFileBytes(dir_.path() + "bad.iso", data);
  RunResult r = Admin({"import", "books", dir_.path() + "bad.iso"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("broken record at byte " + std::to_string(first) +
                       ": record length \"junk0\" in the leader is not a number; 4 bytes skipped"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("broken record at byte " + std::to_string(first + 4 + second) + ":"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("3 records loaded (MFN 1-3)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 broken records skipped"), std::string::npos) << r.out;
  EXPECT_EQ(Admin({"check", "books"}).status, 0);
}

TEST_F(AdminTest, NoIndexThenReindexPending) {
  Create("rus", "--unimarc");
  RunResult r = Admin({"import", "rus", TestDataPath("rusmarc-nlr-utf8.mrc"), "--no-index"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Stat("rus", "not indexed"), "72");
  EXPECT_EQ(Admin({"terms", "rus"}).out, "");
  r = Admin({"reindex", "rus", "--pending"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("72 records indexed"), std::string::npos);
  EXPECT_EQ(Stat("rus", "not indexed"), "0");
  EXPECT_EQ(Admin({"terms", "rus", "--prefix", "K=УЕЗДНОЕ"}).out, "K=УЕЗДНОЕ\t1\n");

  // A changed field selection table takes effect with a full reindex.
  std::string fst = dir_.path() + "rus/rus.fst";
  WriteFileBytes(fst, "200 0 (|Z=|v200^a/)\n");
  EXPECT_EQ(Admin({"reindex", "rus"}).status, 0);
  EXPECT_EQ(Admin({"terms", "rus", "--prefix", "K="}).out, "");
  EXPECT_EQ(Admin({"terms", "rus", "--prefix", "Z=УЕЗД"}).out, "Z=УЕЗДНОЕ\t1\n");
  EXPECT_EQ(Admin({"check", "rus"}).status, 0);
}

TEST_F(AdminTest, LockBlocksWritesUntilUnlockAndEmptyStartsOver) {
  Create("books");
  std::string file = TestDataPath("rusmarc-nlr-utf8.mrc");
  ASSERT_EQ(Admin({"lock", "books"}).status, 0);
  EXPECT_EQ(Stat("books", "locked").rfind("yes: zarix-admin lock by", 0), 0u);
  RunResult r = Admin({"lock", "books"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("locked already"), std::string::npos);
  r = Admin({"import", "books", file});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("locked by an administrator"), std::string::npos) << r.err;
  EXPECT_EQ(Stat("books", "records"), "0");
  ASSERT_EQ(Admin({"unlock", "books"}).status, 0);
  EXPECT_EQ(Stat("books", "locked"), "no");
  ASSERT_EQ(Admin({"import", "books", file}).status, 0);
  EXPECT_EQ(Stat("books", "records"), "72");

  r = Admin({"empty", "books"});  // no terminal here: no question asked
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Stat("books", "records"), "0");
  EXPECT_EQ(Stat("books", "next MFN"), "1");
  EXPECT_EQ(Admin({"terms", "books"}).out, "");
}

TEST_F(AdminTest, FindsTheDataFolderThroughTheServerConfiguration) {
  Create("books");
  ASSERT_EQ(Admin({"import", "books", TestDataPath("rusmarc-nlr-utf8.mrc")}).status, 0);
  TempDir config;
  WriteFileBytes(config.path() + "zarix_server.ini",
                 "\xEF\xBB\xBF[MAIN]\r\nDATAPATH=" + dir_.path() + "\r\n");
  RunResult r =
      RunProgram({AdminBinary(), "stats", "books"}, {"ZARIX_CONFIG_DIR=" + config.path()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("records          72"), std::string::npos) << r.out;

  // A print format included from the database's parameter folder.
  WriteFileBytes(dir_.path() + "books/brief.pft", "v200^a,\" / \"v200^f");
  r = RunProgram({AdminBinary(), "print", "books", "--format", "@brief", "--mfn", "1"},
                 {"ZARIX_CONFIG_DIR=" + config.path()});
  EXPECT_EQ(r.out, "Уездное / Е. Замятин\n") << r.err;

  TempDir empty;
  r = RunProgram({AdminBinary(), "stats", "books"}, {"ZARIX_CONFIG_DIR=" + empty.path()});
  if (!FileExists("/etc/zarix/zarix_server.ini")) {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no --datapath given and no zarix_server.ini found"), std::string::npos);
  }
}

TEST_F(AdminTest, CheckReportsADamagedIndexAndReindexRepairsIt) {
  Create("rus", "--unimarc");
  ASSERT_EQ(Admin({"import", "rus", TestDataPath("rusmarc-nlr-utf8.mrc")}).status, 0);
  std::string ifp = dir_.path() + "rus/rus.ifp";
  RunResult r = RunProgram({"/bin/sh", "-c",
                            "sqlite3 '" + ifp +
                                "' \"DELETE FROM blocks WHERE term IN (SELECT term FROM blocks "
                                "LIMIT 3)\""});
  if (r.status != 0) GTEST_SKIP() << "sqlite3 command-line tool not available";
  r = Admin({"check", "rus"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("term A=АБЭ КОБО: count 1, blocks hold 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("records and inverted file disagree"), std::string::npos) << r.out;
  // reindex rebuilds from the records, whatever the stored counts say.
  r = Admin({"reindex", "rus"});
  EXPECT_EQ(r.status, 0) << r.err;
  r = Admin({"check", "rus"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("records and inverted file agree"), std::string::npos) << r.out;
}

TEST_F(AdminTest, ImportsMarc8) {
  if (!HaveMarcdump()) GTEST_SKIP() << "yaz-marcdump not installed";
  Create("books");
  std::string marc8 = dir_.path() + "marc8.mrc";
  RunResult y = RunProgram({"/bin/sh", "-c",
                            "yaz-marcdump -o marc -f utf-8 -t marc8 -l 9=32 '" +
                                TestDataPath("marc21-real-utf8.mrc") + "' > '" + marc8 + "'"});
  ASSERT_EQ(y.status, 0);
  RunResult r = Admin({"import", "books", marc8, "--encoding", "marc-8"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("233 records loaded"), std::string::npos);
  r = Admin({"print", "books", "--format", "v500^a", "--mfn", "68"});
  EXPECT_NE(r.out.find("the uppercase Polish L in Łódź,"), std::string::npos) << r.out;
  r = Admin({"print", "books", "--format", "v999", "--mfn", "68"});
  EXPECT_EQ(r.out.substr(4, 1), "a");  // leader position 9: the stored text is Unicode
}

}  // namespace
}  // namespace zarix::testing
