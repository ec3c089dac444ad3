// Database: records, MFNs, read codes, indexing on write, maintenance and crash repair.
#include "zarix64/database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "zarix64/engine_test_util.h"
#include "zarix64/posting_block.h"

namespace zarix::db {
namespace {

using testing::AllPostings;
using testing::AllTerms;
using testing::ExpectConsistent;
using testing::MakeRecord;
using testing::OpenTestDb;
using testing::TempDir;

TEST(DatabaseTest, RecordsRoundTrip) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  const std::string long_text(10000, 'x');
  std::string long_cyrillic;
  for (int i = 0; i < 5000; ++i) long_cyrillic += "ж";
  const std::vector<std::vector<Field>> cases = {
      {},
      {{200, "^aTitle^eSubtitle^fAuthor"}},
      {{200, "^aВойна и мир"}, {700, "^aТолстой^bЛ. Н."}, {610, "роман"}},
      {{1, long_text}, {2, long_cyrillic}, {3, ""}},
      {{610, "a"}, {610, "b"}, {610, "c"}, {99999, "high tag"}},
  };
  for (const auto& fields : cases) {
    Record r;
    r.fields = fields;
    const int64_t before = time(nullptr);
    ASSERT_TRUE(db->Write(&r).ok());
    EXPECT_GT(r.mfn, 0);
    EXPECT_EQ(r.version, 1);
    EXPECT_EQ(r.guid.size(), 38u) << r.guid;
    EXPECT_GE(r.update_time, before);

    Record back;
    ASSERT_EQ(db->Read(r.mfn, &back), kOk);
    EXPECT_EQ(back.fields, fields);
    EXPECT_EQ(back.mfn, r.mfn);
    EXPECT_EQ(back.version, 1);
    EXPECT_EQ(back.guid, r.guid);
    EXPECT_EQ(back.update_time, r.update_time);
  }
  // Rewriting keeps the GUID and counts the version up.
  Record r;
  ASSERT_EQ(db->Read(2, &r), kOk);
  const std::string guid = r.guid;
  r.fields.push_back({300, "note"});
  ASSERT_TRUE(db->Write(&r).ok());
  ASSERT_EQ(db->Read(2, &r), kOk);
  EXPECT_EQ(r.version, 2);
  EXPECT_EQ(r.guid, guid);
  EXPECT_EQ(db->ReadVersion(2), 2);
  EXPECT_EQ(db->ReadVersion(77), 0);
}

TEST(DatabaseTest, MfnNumberingAndReadCodes) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  EXPECT_EQ(db->MaxMfn(), 1);
  for (int i = 1; i <= 3; ++i) {
    Record r = MakeRecord({{200, "^a" + std::to_string(i)}});
    ASSERT_TRUE(db->Write(&r).ok());
    EXPECT_EQ(r.mfn, i);
  }
  EXPECT_EQ(db->MaxMfn(), 4);
  Record at10 = MakeRecord({{200, "^aten"}});
  at10.mfn = 10;
  ASSERT_TRUE(db->Write(&at10).ok());
  EXPECT_EQ(db->MaxMfn(), 11);

  Record deleted = MakeRecord({{200, "^agone"}});
  deleted.flags = kFlagDeleted;
  ASSERT_TRUE(db->Write(&deleted).ok());
  EXPECT_EQ(deleted.mfn, 11);
  Record pending = MakeRecord({{200, "^alater"}});
  Database::WriteOptions no_index;
  no_index.update_index = false;
  ASSERT_TRUE(db->Write(&pending, no_index).ok());
  EXPECT_EQ(pending.mfn, 12);

  const struct {
    Mfn mfn;
    int code;
    size_t fields;
  } cases[] = {
      {1, kOk, 1},
      {3, kOk, 1},
      {10, kOk, 1},
      {5, kNoRecord, 0},
      {11, kRecordDeleted, 1},
      {12, kRecordNotIndexed, 1},
      {13, kMfnOutOfRange, 0},
      {0, kMfnOutOfRange, 0},
      {-4, kMfnOutOfRange, 0},
  };
  for (const auto& c : cases) {
    Record r;
    EXPECT_EQ(db->Read(c.mfn, &r), c.code) << "MFN " << c.mfn;
    EXPECT_EQ(r.fields.size(), c.fields) << "MFN " << c.mfn;
  }
  // A field tag below 1 is refused before anything is stored.
  Record bad = MakeRecord({{0, "x"}});
  EXPECT_EQ(db->Write(&bad).code(), kInvalidArgument);
  EXPECT_EQ(db->MaxMfn(), 13);
}

TEST(DatabaseTest, ConcurrentChangeIsAVersionConflict) {
  TempDir dir;
  auto a = OpenTestDb(dir);
  auto b = OpenTestDb(dir, false);
  Record r = MakeRecord({{200, "^aone"}});
  ASSERT_TRUE(a->Write(&r).ok());

  Record ra, rb;
  ASSERT_EQ(a->Read(1, &ra), kOk);
  ASSERT_EQ(b->Read(1, &rb), kOk);
  ra.fields[0].text = "^aby a";
  rb.fields[0].text = "^aby b";
  ASSERT_TRUE(a->Write(&ra).ok());
  EXPECT_EQ(b->Write(&rb).code(), kVersionConflict);
  Record now;
  ASSERT_EQ(b->Read(1, &now), kOk);
  EXPECT_EQ(now.fields[0].text, "^aby a");
  // Version 0 means "no check": the caller replaces whatever is there.
  rb.version = 0;
  EXPECT_TRUE(b->Write(&rb).ok());
  EXPECT_EQ(rb.version, 3);
}

TEST(DatabaseTest, ReindexingAfterAChangeLeavesNoStaleTerm) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  Record r = MakeRecord({{610, "data base"}, {700, "^aSmith"}, {200, "^aOld title"}});
  ASSERT_TRUE(db->Write(&r).ok());
  Record other = MakeRecord({{610, "base camp"}});
  ASSERT_TRUE(db->Write(&other).ok());
  EXPECT_EQ(db->PostingCount("BASE"), 2);

  r.fields = {{610, "data model"}, {200, "^aNew title"}};
  ASSERT_TRUE(db->Write(&r).ok());
  const std::vector<std::pair<std::string, int64_t>> want = {
      {"BASE", 1}, {"CAMP", 1}, {"DATA", 1}, {"MODEL", 1}, {"T=NEW TITLE", 1}};
  EXPECT_EQ(AllTerms(db.get()), want);
  EXPECT_EQ(AllPostings(db.get(), "BASE"), (std::vector<Posting>{{2, 610, 1, 1}}));
  ExpectConsistent(db.get());

  // Deleting takes every posting out; writing the record undeleted brings them back.
  r.flags |= kFlagDeleted;
  ASSERT_TRUE(db->Write(&r).ok());
  EXPECT_EQ(db->PostingCount("DATA"), 0);
  EXPECT_EQ(db->PostingCount("T=NEW TITLE"), 0);
  r.flags = 0;
  ASSERT_TRUE(db->Write(&r).ok());
  EXPECT_EQ(db->PostingCount("DATA"), 1);
  ExpectConsistent(db.get());
}

TEST(DatabaseTest, WriteWithoutIndexWaitsForReindex) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  Record r = MakeRecord({{610, "alpha"}});
  ASSERT_TRUE(db->Write(&r).ok());
  Database::WriteOptions no_index;
  no_index.update_index = false;
  r.fields = {{610, "beta"}};
  ASSERT_TRUE(db->Write(&r, no_index).ok());
  Record fresh = MakeRecord({{610, "gamma"}});
  ASSERT_TRUE(db->Write(&fresh, no_index).ok());

  EXPECT_EQ(db->Read(1, &r), kRecordNotIndexed);
  EXPECT_EQ(db->PostingCount("ALPHA"), 1);  // the inverted file still shows the old text
  EXPECT_EQ(db->PostingCount("BETA"), 0);
  ExpectConsistent(db.get());  // records waiting for indexing are not compared

  int64_t count = 0;
  ASSERT_TRUE(db->ReindexPending(&count).ok());
  EXPECT_EQ(count, 2);
  EXPECT_EQ(db->Read(1, &r), kOk);
  EXPECT_EQ(db->Read(2, &r), kOk);
  const std::vector<std::pair<std::string, int64_t>> want = {{"BETA", 1}, {"GAMMA", 1}};
  EXPECT_EQ(AllTerms(db.get()), want);
  ExpectConsistent(db.get());
}

TEST(DatabaseTest, EmptyRestartsAtMfnOne) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  for (int i = 0; i < 5; ++i) {
    Record r = MakeRecord({{610, "word" + std::to_string(i)}});
    ASSERT_TRUE(db->Write(&r).ok());
  }
  ASSERT_TRUE(db->Empty().ok());
  EXPECT_EQ(db->MaxMfn(), 1);
  EXPECT_TRUE(AllTerms(db.get()).empty());
  Record r;
  EXPECT_EQ(db->Read(1, &r), kMfnOutOfRange);
  r = MakeRecord({{610, "again"}});
  ASSERT_TRUE(db->Write(&r).ok());
  EXPECT_EQ(r.mfn, 1);
  EXPECT_EQ(r.version, 1);
  ExpectConsistent(db.get());
}

TEST(DatabaseTest, AdminLockStopsOtherWriters) {
  TempDir dir;
  auto admin = OpenTestDb(dir);
  auto cgi = OpenTestDb(dir, false);
  ASSERT_TRUE(admin->LockForAdmin("zarix-admin reindex").ok());
  EXPECT_FALSE(admin->IsLocked());
  EXPECT_TRUE(cgi->IsLocked());
  EXPECT_EQ(cgi->LockForAdmin("second").code(), kDatabaseLocked);

  Record r = MakeRecord({{610, "x"}});
  EXPECT_EQ(cgi->Write(&r).code(), kDatabaseLocked);
  EXPECT_EQ(cgi->Empty().code(), kDatabaseLocked);
  EXPECT_TRUE(admin->Write(&r).ok());
  Record back;
  EXPECT_EQ(cgi->Read(1, &back), kOk);  // reading goes on

  // The mark outlives the process that set it.
  admin.reset();
  auto later = OpenTestDb(dir, false);
  EXPECT_TRUE(later->IsLocked());
  Stats stats;
  ASSERT_TRUE(later->GetStats(&stats).ok());
  EXPECT_TRUE(stats.admin_locked);
  EXPECT_EQ(stats.lock_holder, "zarix-admin reindex");
  ASSERT_TRUE(later->UnlockAdmin().ok());
  EXPECT_FALSE(cgi->IsLocked());
  EXPECT_TRUE(cgi->Write(&r).ok());
}

TEST(DatabaseTest, BulkLoadCommitsEveryBatch) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  ASSERT_TRUE(db->BeginBulk(100).ok());
  for (int i = 1; i <= 250; ++i) {
    Record r = MakeRecord({{610, "common w" + std::to_string(i % 7)}});
    ASSERT_TRUE(db->Write(&r).ok());
    ASSERT_EQ(r.mfn, i);
  }
  // The same record twice in one batch: only the second text stays indexed.
  Record again;
  ASSERT_EQ(db->Read(249, &again), kOk);
  again.fields = {{610, "changed"}};
  ASSERT_TRUE(db->Write(&again).ok());
  ASSERT_TRUE(db->CommitBulk().ok());
  EXPECT_EQ(db->PostingCount("COMMON"), 249);
  EXPECT_EQ(db->PostingCount("CHANGED"), 1);
  ExpectConsistent(db.get());

  // An aborted batch loses only itself.
  ASSERT_TRUE(db->BeginBulk(100).ok());
  for (int i = 0; i < 30; ++i) {
    Record r = MakeRecord({{610, "lost"}});
    ASSERT_TRUE(db->Write(&r).ok());
  }
  db->AbortBulk();
  EXPECT_EQ(db->MaxMfn(), 251);
  EXPECT_EQ(db->PostingCount("LOST"), 0);
  ExpectConsistent(db.get());
}

TEST(DatabaseTest, ConcurrentWritersKeepEverything) {
  TempDir dir;
  OpenTestDb(dir);  // creates the files
  constexpr int kThreads = 4, kEach = 100;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      auto db = OpenTestDb(dir, false);
      for (int i = 0; i < kEach; ++i) {
        Record r = MakeRecord({{610, "shared thread" + std::to_string(t)}});
        if (!db->Write(&r).ok()) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, 0);
  auto db = OpenTestDb(dir, false);
  EXPECT_EQ(db->MaxMfn(), kThreads * kEach + 1);
  EXPECT_EQ(db->PostingCount("SHARED"), kThreads * kEach);
  ExpectConsistent(db.get());
}

// A process killed between the commits of the two files leaves one of them a transaction
// ahead. Simulated by putting back a copy of one file taken before the write.
TEST(DatabaseTest, RepairsATransactionTornBetweenTheFiles) {
  for (const char* stale_file : {"cat.ifp", "cat.mst"}) {
    SCOPED_TRACE(stale_file);
    TempDir dir;
    {
      auto db = OpenTestDb(dir);
      Record r = MakeRecord({{610, "before"}});
      ASSERT_TRUE(db->Write(&r).ok());
    }  // the last connection closes: the WAL is folded into the file
    std::filesystem::copy_file(dir.path() + stale_file, dir.path() + "saved");
    {
      // One transaction that changes record 1 and adds record 2.
      auto db = OpenTestDb(dir, false);
      ASSERT_TRUE(db->BeginBulk(10).ok());
      Record r;
      ASSERT_EQ(db->Read(1, &r), kOk);
      r.fields = {{610, "after"}};
      ASSERT_TRUE(db->Write(&r).ok());
      Record added = MakeRecord({{610, "added"}});
      ASSERT_TRUE(db->Write(&added).ok());
      ASSERT_TRUE(db->CommitBulk().ok());
    }
    std::filesystem::copy_file(dir.path() + "saved", dir.path() + stale_file,
                               std::filesystem::copy_options::overwrite_existing);

    auto db = OpenTestDb(dir, false);
    ExpectConsistent(db.get());
    Record r;
    const bool master_kept = std::string(stale_file) == "cat.ifp";
    // The master file is the truth; the inverted file follows whichever state it holds.
    EXPECT_EQ(db->PostingCount("AFTER"), master_kept ? 1 : 0);
    EXPECT_EQ(db->PostingCount("ADDED"), master_kept ? 1 : 0);
    EXPECT_EQ(db->PostingCount("BEFORE"), master_kept ? 0 : 1);
  }
}

TEST(DatabaseTest, LostInvertedFileIsRebuilt) {
  TempDir dir;
  {
    auto db = OpenTestDb(dir);
    for (const char* text : {"alpha beta", "beta"}) {
      Record r = MakeRecord({{610, text}});
      ASSERT_TRUE(db->Write(&r).ok());
    }
  }
  ASSERT_TRUE(RemoveFile(dir.path() + "cat.ifp"));
  OpenOptions options;
  options.master_prefix = dir.path() + "cat";
  std::unique_ptr<Database> db;
  EXPECT_EQ(Database::Open(options, &db).code(), kOpenFailed);  // not without create_if_missing
  options.create_if_missing = true;
  ASSERT_TRUE(Database::Open(options, &db).ok());
  EXPECT_EQ(db->PostingCount("BETA"), 2);
  ExpectConsistent(db.get());
}

TEST(DatabaseTest, CheckFindsDamage) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  for (const char* text : {"alpha beta", "beta gamma"}) {
    Record r = MakeRecord({{610, text}});
    ASSERT_TRUE(db->Write(&r).ok());
  }
  ExpectConsistent(db.get());
  // A changed field selection table makes the stored postings wrong until ReindexAll.
  dir.Write("cat.fst", "610 0 (v610/)\n");
  db->SetIndexingContext(dir.path(), nullptr);
  CheckReport report;
  ASSERT_TRUE(db->Check(&report).ok());
  EXPECT_FALSE(report.ok());
  ASSERT_TRUE(db->ReindexAll().ok());
  ExpectConsistent(db.get());
  const std::vector<std::pair<std::string, int64_t>> want = {{"ALPHA BETA", 1}, {"BETA GAMMA", 1}};
  EXPECT_EQ(AllTerms(db.get()), want);
}

// Runs `sql` on the inverted file behind the engine's back, as a damaged file or a careless
// admin would leave it.
void DamageInvertedFile(const TempDir& dir, const std::string& sql) {
  sqlite3* c = nullptr;
  ASSERT_EQ(sqlite3_open((dir.path() + "cat.ifp").c_str(), &c), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(c, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(c);
}

// An SQL blob literal holding one encoded posting block.
std::string BlockLiteral(std::vector<Posting> postings) {
  const std::string data = EncodePostingBlock(postings.data(), postings.size());
  std::string out = "X'";
  for (unsigned char ch : data) {
    static const char* hex = "0123456789ABCDEF";
    out += hex[ch >> 4];
    out += hex[ch & 15];
  }
  return out + "'";
}

// 1,200 records, so that COMMON spans several blocks and a rebuild several batches.
void WriteRebuildRecords(Database* db) {
  ASSERT_TRUE(db->BeginBulk(1000).ok());
  for (int i = 1; i <= 1200; ++i) {
    Record r = MakeRecord({{610, "common w" + std::to_string(i % 7)}});
    if (i % 100 == 0) r.fields.push_back({700, "^aAuthor " + std::to_string(i)});
    ASSERT_TRUE(db->Write(&r).ok());
  }
  ASSERT_TRUE(db->CommitBulk().ok());
}

TEST(DatabaseTest, ReindexAllRepairsEveryKindOfDamage) {
  const std::string common = "CAST('COMMON' AS BLOB)";
  struct Case {
    const char* name;
    std::string sql;
  } cases[] = {
      {"deleted blocks",
       "DELETE FROM blocks WHERE term IN (SELECT term FROM blocks LIMIT 3);"
       "DELETE FROM blocks WHERE term = " +
           common + " AND mfn = (SELECT min(mfn) FROM blocks WHERE term = " + common +
           " AND mfn > 500)"},
      {"wrong counts", "UPDATE terms SET postings = postings * 2 + 1 WHERE length(term) % 3 = 0"},
      {"zero and negative counts",
       "UPDATE terms SET postings = 0 WHERE term = CAST('W1' AS BLOB);"
       "UPDATE terms SET postings = -4 WHERE term = " +
           common},
      {"stray terms",
       "INSERT INTO terms VALUES(CAST('STRAY' AS BLOB), 3);"
       "INSERT INTO blocks VALUES(CAST('ORPHAN' AS BLOB), 5000, 610, 1, 1, 5000, 1, " +
           BlockLiteral({{5000, 610, 1, 1}}) + ")"},
      {"postings a record does not make",
       "INSERT INTO blocks VALUES(CAST('W1' AS BLOB), 2, 999, 1, 1, 3, 2, " +
           BlockLiteral({{2, 999, 1, 1}, {3, 999, 1, 1}}) + ")"},
      {"missing record term lists", "DELETE FROM record_terms WHERE mfn % 2 = 0"},
      {"undecodable term list and blocks",
       "UPDATE record_terms SET terms = X'FF' WHERE mfn = 3;"
       "UPDATE blocks SET data = X'FFFFFFFF' WHERE term = CAST('W2' AS BLOB)"},
      {"everything gone", "DELETE FROM terms; DELETE FROM blocks; DELETE FROM record_terms"},
  };
  TempDir dir;
  std::vector<std::pair<std::string, int64_t>> terms;
  std::vector<Posting> common_postings;
  {
    auto db = OpenTestDb(dir);
    WriteRebuildRecords(db.get());
    ExpectConsistent(db.get());
    terms = AllTerms(db.get());
    common_postings = AllPostings(db.get(), "COMMON");
  }
  ASSERT_EQ(common_postings.size(), 1200u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DamageInvertedFile(dir, c.sql);
    auto db = OpenTestDb(dir, false);
    CheckReport report;
    ASSERT_TRUE(db->Check(&report).ok());
    EXPECT_FALSE(report.ok());
    ASSERT_TRUE(db->ReindexAll().ok());
    ExpectConsistent(db.get());
    EXPECT_EQ(AllTerms(db.get()), terms);
    EXPECT_EQ(AllPostings(db.get(), "COMMON"), common_postings);
  }
}

// A rebuild is one transaction: readers keep the old inverted file until it commits, a stopped
// or killed rebuild leaves it as it was, and the next rebuild repairs it.
TEST(DatabaseTest, InterruptedReindexAllLeavesTheOldInvertedFile) {
  TempDir dir;
  {
    auto db = OpenTestDb(dir);
    WriteRebuildRecords(db.get());
  }
  DamageInvertedFile(dir, "UPDATE terms SET postings = 7 WHERE term = CAST('COMMON' AS BLOB)");
  auto reader = OpenTestDb(dir, false);
  {
    auto db = OpenTestDb(dir, false);
    int calls = 0;
    ASSERT_TRUE(db->ReindexAll([&](int64_t done, int64_t total) {
                    ++calls;
                    EXPECT_EQ(total, 1200);
                    EXPECT_EQ(reader->PostingCount("COMMON"), 7) << done;
                    EXPECT_EQ(AllPostings(reader.get(), "COMMON").size(), 1200u);
                    return done < 1000;
                  }).ok());
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(db->PostingCount("COMMON"), 7);  // stopped: rolled back
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto db = OpenTestDb(dir, false);
    db->ReindexAll([](int64_t, int64_t) -> bool { _exit(0); });
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  auto db = OpenTestDb(dir, false);
  EXPECT_EQ(db->PostingCount("COMMON"), 7);
  EXPECT_EQ(reader->PostingCount("COMMON"), 7);
  ASSERT_TRUE(db->ReindexAll().ok());
  ExpectConsistent(db.get());
  EXPECT_EQ(reader->PostingCount("COMMON"), 1200);
}

TEST(DatabaseTest, OpenRefusesWhatIsNotADatabase) {
  TempDir dir;
  OpenOptions options;
  options.master_prefix = dir.path() + "none";
  std::unique_ptr<Database> db;
  EXPECT_EQ(Database::Open(options, &db).code(), kOpenFailed);
  dir.Write("text.mst", "this is not an SQLite file, just some text long enough to look like one");
  options.master_prefix = dir.path() + "text";
  EXPECT_NE(Database::Open(options, &db).code(), kOk);
  EXPECT_EQ(db, nullptr);

  // Master file only: the inverted file comes later, and must exist then.
  auto full = OpenTestDb(dir);
  full.reset();
  options.master_prefix = dir.path() + "cat";
  options.master_only = true;
  ASSERT_TRUE(Database::Open(options, &db).ok());
  EXPECT_FALSE(db->has_inverted());
  EXPECT_EQ(db->OpenInverted(dir.path() + "elsewhere", false).code(), kOpenFailed);
  ASSERT_TRUE(db->OpenInverted(dir.path() + "cat", false).ok());
  EXPECT_TRUE(db->has_inverted());
  EXPECT_EQ(Database::Create(options, &db).code(), kOpenFailed);  // files exist
}

}  // namespace
}  // namespace zarix::db
