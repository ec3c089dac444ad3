// The master file: table `records` of "<prefix>.mst", one row per MFN, plus the file's `meta`
// and `recent_writes` tables. Works on a Connection owned by the Database; every call runs in
// the caller's transaction (or autocommit). Layout: doc/engine_storage.md.
#pragma once

#include <string>
#include <vector>

#include "zarix64/record.h"
#include "zarix64/sqlite_util.h"

namespace zarix::db {

class MasterFile {
 public:
  explicit MasterFile(Connection* c) : c_(c) {}

  // Creates the tables of a new master file, or checks that an existing file is one.
  static Status InitSchema(Connection* c, bool create);

  // Highest MFN + 1.
  Status NextMfn(Mfn* next);
  // Reads row `mfn`. *found false when there is none.
  Status Get(Mfn mfn, Record* record, bool* found);
  struct Header {
    bool exists = false;
    int32_t version = 0;
    uint32_t flags = 0;
    std::string guid;
  };
  Status GetHeader(Mfn mfn, Header* header);
  Status Put(const Record& record);
  Status SetFlags(Mfn mfn, uint32_t flags);
  // MFNs of the records whose flags have `bit` set, above `after`, ascending, at most `limit`.
  Status ListFlagged(uint32_t bit, Mfn after, int limit, std::vector<Mfn>* mfns);
  // MFNs above `after`, ascending, at most `limit`.
  Status ListMfns(Mfn after, int limit, std::vector<Mfn>* mfns);
  Status Count(int64_t* records, int64_t* deleted, int64_t* not_indexed);
  Status DeleteAll();

  // meta(key, value) of this file.
  Status GetMeta(const char* key, std::string* value, bool* found);
  Status SetMeta(const char* key, std::string_view value);
  Status DeleteMeta(const char* key);

 private:
  Connection* c_;
};

}  // namespace zarix::db
