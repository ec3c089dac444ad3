// Whole requests and their traces: the request-log line, the log-database record, the periodic
// emptying of the log database with its report, and the export commands as a web server runs
// them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/pages_fixture.h"

namespace zarix::testing {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestEnv("ZARIX_ADMIN").empty()) GTEST_SKIP() << "zarix-admin is not built";
    pages_ = &PagesSite::Get();
    pages_->WriteDefaultFrames();
    std::system(("rm -rf " + site().root() + "logs && mkdir -p " + site().root() + "logs").c_str());
    std::remove((site().cgi() + "otchet.csv").c_str());
  }
  void TearDown() override {
    if (pages_ != nullptr) pages_->Configure();
  }
  FixtureSite& site() { return pages_->site(); }
  std::string log_file() { return site().root() + "logs/requests.log"; }

  // Configuration with the log file in logs/ and the locks in tmp/.
  void Configure(std::string_view main, std::string_view parametrs = "PARCOUNT=0\n") {
    pages_->Configure(
        "LogFileName=" + log_file() + "\nLOCKPATH=" + site().root() + "tmp/\n" + std::string(main),
        {}, "[PARAMETRS]\n" + std::string(parametrs));
  }

  // A fresh log database LOGDB holding `records` (each one field 907 with the given date).
  void MakeLogDatabase(const std::vector<std::string>& dates) {
    const std::string data = site().root() + "data/";
    std::system(("rm -rf " + data + "LOGDB " + data + "LOGDB.par").c_str());
    std::vector<IsoRec> records;
    for (const std::string& d : dates) {
      records.push_back(
          {pages_->records().front().leader, {{"907", d + " 10:00"}, {"910", "old"}}});
    }
    if (records.empty()) {
      const std::string admin = TestEnv("ZARIX_ADMIN");
      ASSERT_EQ(std::system((admin + " create " + data + " LOGDB >/dev/null").c_str()), 0);
    } else {
      pages_->MakeDatabase("LOGDB", records);
    }
    site().WriteFile("data/LOGDB/otchet.pft", "'first='v907");
  }

  // The 907 fields of the log database, one line per record.
  std::string LogRecords() {
    const std::string cmd = TestEnv("ZARIX_ADMIN") +
                            " print LOGDB --format \"v907,'|'v910/\" --datapath " + site().root() +
                            "data/ 2>&1";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (p) pclose(p);
    return out;
  }

  PagesSite* pages_ = nullptr;
};

TEST_F(LogTest, OneLinePerRequestWithTheConfiguredParameters) {
  Configure("LogDateBase=\n",
            "PARCOUNT=3\nPARNAME1=I21DBN\nPARNAME2=S21P01\nPARNAME3=Z21ID\nPARLOG1=|db:\n");
  ASSERT_TRUE(pages_->Get("C21COM=S&I21DBN=BOOKS&S21P01=a&Z21ID=&S21All=K=ART").exited);
  ASSERT_TRUE(pages_->Get("C21COM=S&I21DBN=BOOKS&URLTag=1.2.3.4&UserAgent=forged").exited);
  const std::string log = ReadAll(log_file());
  const std::regex line(
      "DateTime=\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\|db:BOOKS&S21P01=a"
      "&RemoteHost=192\\.0\\.2\\.7&UserAgent=cgi-runner\r\n"
      "DateTime=[^&|]*\\|db:BOOKS&RemoteHost=192\\.0\\.2\\.7&UserAgent=cgi-runner\r\n");
  EXPECT_TRUE(std::regex_match(log, line)) << log;
  EXPECT_FALSE(std::filesystem::exists(site().root() + "data/LOGDB.par"));
}

TEST_F(LogTest, LogDatabaseGetsOneRecordPerRequest) {
  MakeLogDatabase({});
  Configure("LogDateBase=LOGDB\n");
  for (const char* command : {"S", "S", "3", "X"}) {
    ASSERT_TRUE(pages_->Get(std::string("C21COM=") + command + "&I21DBN=BOOKS").exited);
  }
  // "3" (binary resources) is not recorded; an unknown command is.
  const std::string records = LogRecords();
  EXPECT_EQ(CountOf(records, "|\n"), 3u) << records;
  EXPECT_TRUE(std::regex_search(records, std::regex("^\\d{8} \\d\\d:\\d\\d\\|"))) << records;
  EXPECT_EQ(CountOf(ReadAll(log_file()), "\r\n"), 4u);
}

// Processes that cross the emptying date together report once and empty once: afterwards the
// database holds exactly their own records.
TEST_F(LogTest, ConcurrentRequestsEmptyTheLogDatabaseOnce) {
  constexpr int kProcesses = 6;
  for (int round = 0; round < 3; ++round) {
    MakeLogDatabase({"01012020", "02012020", "03012020"});
    std::remove((site().cgi() + "otchet.csv").c_str());
    Configure("LogDateBase=LOGDB\nEveryDayEmtyLogDB=1\nEveryDayEmtyLogDBTime=1\n");
    std::vector<std::thread> threads;
    std::vector<CgiResult> results(kProcesses);
    for (int i = 0; i < kProcesses; ++i) {
      threads.emplace_back([&, i] { results[i] = pages_->Get("C21COM=S&I21DBN=BOOKS"); });
    }
    for (std::thread& t : threads) t.join();
    for (const CgiResult& r : results) ASSERT_TRUE(r.exited);
    EXPECT_EQ(ReadAll(site().cgi() + "otchet.csv"), "first=01012020 10:00\r\n")
        << "round " << round;
    const std::string records = LogRecords();
    EXPECT_EQ(CountOf(records, "|\n"), size_t{kProcesses}) << records;
    EXPECT_EQ(CountOf(records, "old"), 0u) << records;
  }
}

TEST_F(LogTest, EmptyingWithoutReportAndNotYetDue) {
  MakeLogDatabase({"01012020", "02012020", "03012020"});
  Configure(
      "LogDateBase=LOGDB\nEveryDayEmtyLogDB=1\nEveryDayEmtyLogDBTime=0\nEveryDayEmtyLogDB_Format="
      "\n");
  ASSERT_TRUE(pages_->Get("C21COM=S&I21DBN=BOOKS").exited);
  EXPECT_EQ(CountOf(LogRecords(), "|\n"), 1u);
  EXPECT_FALSE(std::filesystem::exists(site().cgi() + "otchet.csv"));

  // Time 0 empties as soon as there are more than one record: the third request finds two.
  ASSERT_TRUE(pages_->Get("C21COM=S&I21DBN=BOOKS").exited);
  ASSERT_TRUE(pages_->Get("C21COM=S&I21DBN=BOOKS").exited);
  EXPECT_EQ(CountOf(LogRecords(), "|\n"), 1u);

  // A report format that does not compile keeps the records for a later request.
  MakeLogDatabase({"01012020", "02012020", "03012020"});
  site().WriteFile("data/LOGDB/otchet.pft", "'unclosed");
  Configure("LogDateBase=LOGDB\nEveryDayEmtyLogDB=1\n");
  ASSERT_TRUE(pages_->Get("C21COM=S&I21DBN=BOOKS").exited);
  EXPECT_EQ(CountOf(LogRecords(), "old"), 3u);
}

TEST_F(LogTest, ExportNeedsAnIdentifiedReader) {
  Configure("LogDateBase=\n");
  CgiResult file = pages_->Get("C21COM=E&I21DBN=BOOKS&EXP21MFN=5");
  ASSERT_TRUE(file.exited);
  EXPECT_EQ(file.Header("content-disposition"), "attachment; filename=\"export.iso\"");
  EXPECT_NE(file.body.find("message 11"), std::string::npos) << file.body;
  // A bare identifier that no reader database confirms is no reader.
  CgiResult page = pages_->Get("C21COM=4&I21DBN=BOOKS&EXP21MFN=5&Z21ID=123");
  EXPECT_NE(page.body.find("message 11"), std::string::npos) << page.body;
  EXPECT_EQ(page.body.find('\x1d'), std::string::npos);
}

// With a reader database the gateway identifies reader 123; the export then answers with the
// records, the page only for an admitted address, and the log carries the bare identifier.
TEST_F(LogTest, ExportAndLogForAnIdentifiedReader) {
  const std::string data = site().root() + "data/";
  std::system(("rm -rf " + data + "RDR " + data + "RDR.par").c_str());
  site().WriteFile("data/RDR/RDR.fst", "30 0 'RI='v30\n");
  pages_->MakeDatabase("RDR", {{pages_->records().front().leader,
                                {{"030", "123"}, {"130", "Smith"}, {"112", "*.*.*.*"}}}});
  Configure("LogDateBase=\n", "PARCOUNT=1\nPARNAME1=Z21ID\n");
  pages_->Configure(
      "LogFileName=" + log_file() + "\nLOCKPATH=" + site().root() + "tmp/\nLogDateBase=\n",
      "TimeLiveKey=30\n", "[PARAMETRS]\nPARCOUNT=1\nPARNAME1=Z21ID\n[BOOKS]\n192.0.2.7=1\n");
  CgiResult file = pages_->Get("C21COM=E&I21DBN=BOOKS&EXP21MFN=5&Z21ID=123");
  ASSERT_TRUE(file.exited);
  ASSERT_EQ(file.body.find("message 11"), std::string::npos) << "reader 123 is identified";
  EXPECT_EQ(file.Header("content-disposition"), "attachment; filename=\"export.txt\"");
  EXPECT_EQ(file.Header("x-export-records"), "1");
  EXPECT_EQ(CountOf(file.body, "*****\r\n"), 1u) << file.body;

  CgiResult page = pages_->Get("C21COM=4&I21DBN=BOOKS&EXP21MFN=5&EXP21FMT=ISO&Z21ID=123");
  EXPECT_EQ(page.Header("x-export-records"), "1") << page.body;
  EXPECT_EQ(page.body.find('<'), std::string::npos) << "record data stays text on the page";
  pages_->Configure(
      "LogFileName=" + log_file() + "\nLOCKPATH=" + site().root() + "tmp/\nLogDateBase=\n",
      "TimeLiveKey=30\n", "[PARAMETRS]\nPARCOUNT=1\nPARNAME1=Z21ID\n[BOOKS]\n10.0.0.1=1\n");
  page = pages_->Get("C21COM=4&I21DBN=BOOKS&EXP21MFN=5&Z21ID=123");
  EXPECT_NE(page.body.find("message 11"), std::string::npos) << "address not admitted";

  // Every line logs the bare identifier, never the key the answers carry.
  const std::string log = ReadAll(log_file());
  EXPECT_EQ(CountOf(log, "&Z21ID=123&"), 3u) << log;
}

}  // namespace
}  // namespace zarix::testing
