// I/O faults while writing: a failed write is reported, and what was reported as written is
// there after reopening, with the inverted file agreeing with the records.
//
// The faults come from an SQLite VFS that forwards to the default one and, once a budget of
// successful writes is spent, fails every further write and sync (a full disk, a dying device).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <cstring>

#include "zarix64/database.h"
#include "zarix64/engine_test_util.h"

namespace zarix::db {
namespace {

using testing::AllPostings;
using testing::ExpectConsistent;
using testing::MakeRecord;
using testing::OpenTestDb;
using testing::TempDir;

constexpr const char* kFaultyVfs = "zxfaulty";
std::atomic<int> g_writes_left{-1};  // -1: no faults

bool Spend() {
  int left = g_writes_left.load();
  while (left >= 0) {
    if (left == 0) return false;
    if (g_writes_left.compare_exchange_weak(left, left - 1)) return true;
  }
  return true;
}

struct FaultyFile {
  sqlite3_file base;    // our methods
  sqlite3_file* inner;  // the default VFS's file, allocated right after this struct
};

sqlite3_vfs* Inner() { return sqlite3_vfs_find(nullptr); }
sqlite3_file* In(sqlite3_file* f) { return reinterpret_cast<FaultyFile*>(f)->inner; }

int Close(sqlite3_file* f) { return In(f)->pMethods->xClose(In(f)); }
int Read(sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
  return In(f)->pMethods->xRead(In(f), p, n, o);
}
int Write(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
  return Spend() ? In(f)->pMethods->xWrite(In(f), p, n, o) : SQLITE_IOERR_WRITE;
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  return Spend() ? In(f)->pMethods->xTruncate(In(f), size) : SQLITE_IOERR_TRUNCATE;
}
int Sync(sqlite3_file* f, int flags) {
  return Spend() ? In(f)->pMethods->xSync(In(f), flags) : SQLITE_IOERR_FSYNC;
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return In(f)->pMethods->xFileSize(In(f), size);
}
int Lock(sqlite3_file* f, int l) { return In(f)->pMethods->xLock(In(f), l); }
int Unlock(sqlite3_file* f, int l) { return In(f)->pMethods->xUnlock(In(f), l); }
int CheckReservedLock(sqlite3_file* f, int* out) {
  return In(f)->pMethods->xCheckReservedLock(In(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
  return In(f)->pMethods->xFileControl(In(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return In(f)->pMethods->xSectorSize(In(f)); }
int DeviceCharacteristics(sqlite3_file* f) {
  return In(f)->pMethods->xDeviceCharacteristics(In(f));
}
int ShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** p) {
  return In(f)->pMethods->xShmMap(In(f), page, size, extend, p);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return In(f)->pMethods->xShmLock(In(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { In(f)->pMethods->xShmBarrier(In(f)); }
int ShmUnmap(sqlite3_file* f, int del) { return In(f)->pMethods->xShmUnmap(In(f), del); }

const sqlite3_io_methods kMethods = {2,
                                     Close,
                                     Read,
                                     Write,
                                     Truncate,
                                     Sync,
                                     FileSize,
                                     Lock,
                                     Unlock,
                                     CheckReservedLock,
                                     FileControl,
                                     SectorSize,
                                     DeviceCharacteristics,
                                     ShmMap,
                                     ShmLock,
                                     ShmBarrier,
                                     ShmUnmap,
                                     nullptr,
                                     nullptr};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* out_flags) {
  auto* ff = reinterpret_cast<FaultyFile*>(f);
  ff->inner = reinterpret_cast<sqlite3_file*>(ff + 1);
  const int rc = Inner()->xOpen(Inner(), name, ff->inner, flags, out_flags);
  ff->base.pMethods = rc == SQLITE_OK ? &kMethods : nullptr;
  return rc;
}

void RegisterFaultyVfs() {
  static sqlite3_vfs vfs = [] {
    sqlite3_vfs v = *Inner();
    v.szOsFile = static_cast<int>(sizeof(FaultyFile)) + Inner()->szOsFile;
    v.zName = kFaultyVfs;
    v.pNext = nullptr;
    v.xOpen = Open;
    return v;
  }();
  sqlite3_vfs_register(&vfs, 0);
}

TEST(DatabaseFaultTest, FailedWritesAreReportedAndNothingReportedIsLost) {
  RegisterFaultyVfs();
  int failures = 0, successes = 0;
  // Every write position of the two transactions (about 36 writes), and the closing after them.
  for (int budget = 0; budget < 48; ++budget) {
    SCOPED_TRACE(budget);
    TempDir dir;
    {
      auto db = OpenTestDb(dir);
      Record r = MakeRecord({{610, "alpha beta"}});
      ASSERT_TRUE(db->Write(&r).ok());
    }
    bool changed = false, added = false;
    g_writes_left = budget;
    {
      OpenOptions options;
      options.master_prefix = dir.path() + "cat";
      options.vfs = kFaultyVfs;
      std::unique_ptr<Database> db;
      if (Database::Open(options, &db).ok()) {
        Record r;
        if (db->Read(1, &r) == kOk) {
          r.fields = {{610, "gamma beta"}};
          changed = db->Write(&r).ok();
        }
        Record extra = MakeRecord({{610, "delta"}});
        added = db->Write(&extra).ok();
      }
    }  // closing may fail to checkpoint: the WAL keeps what was committed
    g_writes_left = -1;
    (changed && added) ? ++successes : ++failures;

    auto db = OpenTestDb(dir, false);
    ASSERT_TRUE(db);
    ExpectConsistent(db.get());
    Record r;
    ASSERT_EQ(db->Read(1, &r), kOk);
    if (changed) {
      EXPECT_EQ(r.fields[0].text, "gamma beta");
    }
    const bool now_changed = r.fields[0].text == "gamma beta";
    EXPECT_EQ(db->PostingCount("ALPHA"), now_changed ? 0 : 1);
    EXPECT_EQ(db->PostingCount("GAMMA"), now_changed ? 1 : 0);
    EXPECT_EQ(db->PostingCount("BETA"), 1);
    if (added) {
      EXPECT_EQ(AllPostings(db.get(), "DELTA").size(), 1u);
    }
  }
  // The budgets cover both outcomes.
  EXPECT_GT(failures, 0);
  EXPECT_GT(successes, 0);
}

}  // namespace
}  // namespace zarix::db
