// Helpers for the engine's tests: a temporary folder and a database with a known field
// selection table in it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "util/path.h"
#include "util/temp_dir.h"
#include "zarix64/database.h"

namespace zarix::db::testing {

// A fresh folder under the system temp folder, removed with everything in it at the end; Write
// puts a file into it and fails the test when it cannot.
class TempDir : public zarix::testing::TempDir {
 public:
  TempDir() : zarix::testing::TempDir("zarix-engine-") {}
  void Write(const std::string& name, std::string_view text) const {
    ASSERT_TRUE(WriteFileBytes(path() + name, text)) << name;
  }
};

// The field selection table of the test database "cat":
//   200 ^a whole (technique 0, prefix T=), 610 words (technique 4), 700 ^a words under "A="
//   (technique 8), 1 whole line as it is (technique 0, for dictionary tests).
inline constexpr const char* kTestFst =
    "200 0 (\"T=\"v200^a/)\n"
    "610 4 (v610/)\n"
    "700 8 (|A=|v700^a/)\n"
    "1 0 (v1/)\n";
inline constexpr const char* kTestStopWords = "the\nand\nи\n";

inline Record MakeRecord(std::initializer_list<Field> fields) {
  Record r;
  r.fields = fields;
  return r;
}

// Opens (creating) database "cat" in `dir` with the test FST and stop words.
// Only the creating call writes the .fst and .stw (other threads may be reading them).
inline std::unique_ptr<Database> OpenTestDb(const TempDir& dir, bool create = true) {
  if (create) {
    dir.Write("cat.fst", kTestFst);
    dir.Write("cat.stw", kTestStopWords);
  }
  OpenOptions options;
  options.master_prefix = dir.path() + "cat";
  options.create_if_missing = create;
  std::unique_ptr<Database> db;
  Status s = Database::Open(options, &db);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return db;
}

// All terms of the dictionary in order, each with its posting count.
inline std::vector<std::pair<std::string, int64_t>> AllTerms(Database* db) {
  std::vector<std::pair<std::string, int64_t>> out;
  auto it = db->NewTermIterator();
  for (it->SeekToFirst(); it->Valid(); it->Next()) out.emplace_back(it->key(), it->posting_count());
  return out;
}

inline std::vector<Posting> AllPostings(Database* db, std::string_view term) {
  std::vector<Posting> out;
  for (auto it = db->NewPostingIterator(term); it->Valid(); it->Next())
    out.push_back(it->posting());
  return out;
}

inline void ExpectConsistent(Database* db) {
  CheckReport report;
  Status s = db->Check(&report);
  ASSERT_TRUE(s.ok()) << s.ToString();
  std::string problems;
  for (const auto& p : report.problems) problems += p + "\n";
  EXPECT_TRUE(report.ok()) << problems;
}

}  // namespace zarix::db::testing
