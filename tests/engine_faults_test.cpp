// Fault tests of the engine: concurrent writer processes, and writers killed with SIGKILL in the
// middle of their work. After each, the database must open, pass the integrity check, and hold
// every record whose write had returned.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/admin_run.h"
#include "util/path.h"
#include "zarix64/database.h"
#include "zarix64/iso2709.h"

namespace zarix::testing {
namespace {

std::string WriterBinary() {
  const char* p = std::getenv("ZARIX_FAULT_WRITER");
  return p ? p : "engine_faults_writer";
}

// Field 1 of record `i` of writer `writer` (see engine_faults_writer.cpp).
std::string WriterKey(long writer, long i) {
  std::string key(1, 'W');
  key += std::to_string(writer);
  key += '-';
  key += std::to_string(i);
  return key;
}

std::vector<long> ReadNumbers(const std::string& path) {
  std::vector<long> out;
  std::istringstream in(ReadFileBytes(path).value_or(""));
  for (long n; in >> n;) out.push_back(n);
  return out;
}

class EngineFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunResult r = RunProgram({AdminBinary(), "create", dir_.path(), "db", "--unimarc"});
    ASSERT_EQ(r.status, 0) << r.err;
    folder_ = dir_.path() + "db/";
    WriteFileBytes(folder_ + "db.fst", "1 0 v1\n200 8 (|K=|v200^a/)\n");
  }

  std::unique_ptr<db::Database> Open() {
    db::OpenOptions options;
    options.master_prefix = folder_ + "db";
    options.parameter_dir = folder_;
    std::unique_ptr<db::Database> db;
    db::Status s = db::Database::Open(options, &db);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return db;
  }

  void ExpectCheckPasses() {
    RunResult r = RunProgram({AdminBinary(), "check", "db", "--datapath", dir_.path()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
  }

  pid_t StartWriter(int id, long count, const std::string& log) {
    return Start(
        {WriterBinary(), folder_ + "db", folder_, std::to_string(id), std::to_string(count), log},
        log + ".out");
  }

  TempDir dir_;
  std::string folder_;
};

TEST_F(EngineFaultTest, FourWritersAtOnceLoseNothing) {
  constexpr int kWriters = 4;
  constexpr long kEach = 500;
  std::vector<pid_t> pids;
  for (int w = 1; w <= kWriters; ++w) {
    pids.push_back(StartWriter(w, kEach, dir_.path() + "log" + std::to_string(w)));
  }
  std::set<long> mfns;
  for (int w = 1; w <= kWriters; ++w) {
    std::string log = dir_.path() + "log" + std::to_string(w);
    EXPECT_EQ(Wait(pids[w - 1]), 0) << ReadFileBytes(log + ".out").value_or("");
    std::vector<long> got = ReadNumbers(log);
    EXPECT_EQ(got.size(), static_cast<size_t>(kEach));
    mfns.insert(got.begin(), got.end());
  }
  EXPECT_EQ(mfns.size(), static_cast<size_t>(kWriters * kEach));  // no MFN given twice
  ExpectCheckPasses();

  auto db = Open();
  ASSERT_TRUE(db);
  EXPECT_EQ(db->MaxMfn(), kWriters * kEach + 1);
  for (int w = 1; w <= kWriters; ++w) {
    for (long i = 1; i <= kEach; ++i) {
      std::string key = WriterKey(w, i);
      ASSERT_EQ(db->PostingCount(key), 1) << key;
    }
  }
  EXPECT_EQ(db->PostingCount("K=WRITER"), kWriters * kEach);
}

TEST_F(EngineFaultTest, FourImportsAtOnceLoseNothing) {
  // 500 records: the RUSMARC sample repeated.
  std::string sample = TestData("rusmarc-nlr-utf8.mrc");
  ASSERT_FALSE(sample.empty());
  std::string data;
  IsoReader reader(sample, IsoEncoding::kUtf8);
  std::vector<std::string> records;
  size_t at = 0;
  for (IsoRecord r; reader.Next(&r) == IsoReader::Status::kRecord; at = reader.position()) {
    records.push_back(sample.substr(at, reader.position() - at));
  }
  for (int i = 0; i < 500; ++i) data += records[i % records.size()];
  std::string file = dir_.path() + "500.iso";
  WriteFileBytes(file, data);

  std::vector<pid_t> pids;
  for (int w = 0; w < 4; ++w) {
    pids.push_back(Start({AdminBinary(), "import", "db", file, "--datapath", dir_.path()},
                         dir_.path() + "import" + std::to_string(w)));
  }
  for (int w = 0; w < 4; ++w) {
    EXPECT_EQ(Wait(pids[w]), 0)
        << ReadFileBytes(dir_.path() + "import" + std::to_string(w)).value_or("");
  }
  ExpectCheckPasses();
  auto db = Open();
  ASSERT_TRUE(db);
  db::Stats stats;
  ASSERT_TRUE(db->GetStats(&stats).ok());
  EXPECT_EQ(stats.records, 2000);
  EXPECT_EQ(db->PostingCount("RU\\NLR\\BIBL\\1980"), 4 * ((500 + 71) / 72));
}

// Several rounds, each killing a writer at a different moment, so that some kill lands between
// the commits of a write; every round must leave a database that checks out and keeps every
// write that had returned, from this round and the ones before.
TEST_F(EngineFaultTest, WriterKilledMidwayKeepsEveryReturnedWrite) {
  std::vector<std::vector<long>> returned;  // per round: MFN of write 1, 2, ...
  for (int round = 1; round <= 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::string log = dir_.path() + "log" + std::to_string(round);
    pid_t pid = StartWriter(round, 1000000, log);
    const size_t wanted = 40 * round + 7;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ReadNumbers(log).size() < wanted && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(300 * round));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(137 * round));
    kill(pid, SIGKILL);
    EXPECT_EQ(Wait(pid), 128 + SIGKILL);
    returned.push_back(ReadNumbers(log));
    ASSERT_GE(returned.back().size(), wanted);

    ExpectCheckPasses();
    auto db = Open();
    ASSERT_TRUE(db);
    db::Record record;
    for (size_t r = 0; r < returned.size(); ++r) {
      for (size_t i = 0; i < returned[r].size(); ++i) {
        Mfn mfn = static_cast<Mfn>(returned[r][i]);
        ASSERT_EQ(db->Read(mfn, &record), db::kOk) << mfn;
        ASSERT_EQ(record.fields.at(0).text, WriterKey(r + 1, i + 1));
        ASSERT_EQ(db->PostingCount(record.fields.at(0).text), 1) << mfn;
      }
    }
  }
}

TEST_F(EngineFaultTest, ImportKilledMidwayLeavesAConsistentPrefix) {
  // 40 copies of the MARC 21 sample: 9,320 records, several batches.
  std::string sample = TestData("marc21-real-utf8.mrc");
  std::string data;
  for (int i = 0; i < 40; ++i) data += sample;
  std::string file = dir_.path() + "big.iso";
  WriteFileBytes(file, data);
  std::vector<IsoRecord> source;
  IsoReader reader(data, IsoEncoding::kUtf8);
  for (IsoRecord r; reader.Next(&r) == IsoReader::Status::kRecord;) source.push_back(r);

  pid_t pid = Start({AdminBinary(), "import", "db", file, "--datapath", dir_.path()},
                    dir_.path() + "import.out");
  // Kill it once the first batch is stored.
  auto db = Open();
  ASSERT_TRUE(db);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (db->MaxMfn() == 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, SIGKILL);
  int status = Wait(pid);
  db.reset();
  if (status == 0) GTEST_SKIP() << "the import finished before it could be killed";
  EXPECT_EQ(status, 128 + SIGKILL);

  ExpectCheckPasses();
  db = Open();
  ASSERT_TRUE(db);
  Mfn stored = db->MaxMfn() - 1;
  EXPECT_GT(stored, 0);
  EXPECT_LT(stored, static_cast<Mfn>(source.size()));
  db::Record record;
  for (Mfn mfn = 1; mfn <= stored; ++mfn) {
    ASSERT_EQ(db->Read(mfn, &record), db::kOk) << mfn;
    const IsoRecord& expected = source[mfn - 1];
    ASSERT_EQ(record.fields.size(), expected.fields.size()) << mfn;
    for (size_t k = 0; k < expected.fields.size(); ++k) {
      ASSERT_EQ(record.fields[k].text, expected.fields[k].text) << mfn;
    }
  }
}

}  // namespace
}  // namespace zarix::testing
