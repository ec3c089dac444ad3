// Inverted file: dictionary walks, posting walks over many blocks, block and list encodings.
#include "zarix64/inverted_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "zarix64/engine_test_util.h"
#include "zarix64/posting_block.h"
#include "zarix64/record_codec.h"

namespace zarix::db {
namespace {

using testing::AllPostings;
using testing::ExpectConsistent;
using testing::MakeRecord;
using testing::OpenTestDb;
using testing::TempDir;

// Field 1 is indexed whole (technique 0): each record adds exactly its field 1 texts as terms.
void AddTerms(Database* db, const std::vector<std::string>& terms) {
  ASSERT_TRUE(db->BeginBulk(1000).ok());
  for (const std::string& t : terms) {
    Record r = MakeRecord({{1, t}});
    ASSERT_TRUE(db->Write(&r).ok());
  }
  ASSERT_TRUE(db->CommitBulk().ok());
}

std::vector<std::string> Walk(TermIterator* it, int steps, bool forward) {
  std::vector<std::string> out;
  for (int i = 0; i < steps && it->Valid(); ++i) {
    out.emplace_back(it->key());
    forward ? it->Next() : it->Prev();
  }
  return out;
}

TEST(DictionaryTest, WalksAcrossPrefixesAndEnds) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  AddTerms(db.get(), {"B", "AB", "A", "ABC", "BA", "C", "Ж", "ЖУК", "K=X"});
  auto it = db->NewTermIterator();
  const struct {
    const char* seek;
    bool forward;
    int steps;
    std::vector<std::string> want;
  } cases[] = {
      {"AB", true, 3, {"AB", "ABC", "B"}},
      {"ABD", true, 2, {"B", "BA"}},                    // not found: the following term
      {"", true, 2, {"A", "AB"}},                       // the first term
      {"K=", true, 5, {"K=X", "Ж", "ЖУК"}},             // byte order of UTF-8: Cyrillic after ASCII
      {"ЖУКИ", true, 1, {}},                            // past the last term
      {"BA", false, 9, {"BA", "B", "ABC", "AB", "A"}},  // back to the first and off the end
  };
  for (const auto& c : cases) {
    it->Seek(c.seek);
    EXPECT_EQ(Walk(it.get(), c.steps, c.forward), c.want) << c.seek;
  }
  it->SeekToLast();
  EXPECT_EQ(Walk(it.get(), 2, false), (std::vector<std::string>{"ЖУК", "Ж"}));
  it->SeekToFirst();
  it->Prev();
  EXPECT_FALSE(it->Valid());
  EXPECT_TRUE(it->status().ok());
}

TEST(DictionaryTest, LongWalksCrossBatchBoundaries) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  std::vector<std::string> terms;
  for (int i = 0; i < 1000; ++i) {
    char buf[16];
    snprintf(buf, sizeof buf, "T%04d", i);
    terms.push_back(buf);
  }
  AddTerms(db.get(), terms);
  auto it = db->NewTermIterator();
  it->Seek("T0100");
  const auto forward = Walk(it.get(), 2000, true);
  EXPECT_EQ(forward, std::vector<std::string>(terms.begin() + 100, terms.end()));
  it->Seek("T0899");
  const auto back = Walk(it.get(), 2000, false);
  EXPECT_EQ(back, std::vector<std::string>(terms.rbegin() + 100, terms.rend()));
  // Direction changes in the middle of a batch and at its edges.
  it->Seek("T0063");
  it->Next();
  it->Next();
  it->Prev();
  EXPECT_EQ(it->key(), "T0064");
}

TEST(PostingsTest, ManyPostingsInOrderThroughUpdates) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  // 1,500 records; every third has the word twice. Written out of order to exercise block
  // inserts in the middle as well as appends.
  std::vector<Mfn> order;
  for (Mfn m = 1; m <= 1500; ++m) order.push_back(m);
  std::shuffle(order.begin(), order.end(), std::mt19937(42));
  ASSERT_TRUE(db->BeginBulk(97).ok());
  for (Mfn m : order) {
    Record r = MakeRecord({{610, m % 3 == 0 ? "word other word" : "word"}});
    r.mfn = m;
    ASSERT_TRUE(db->Write(&r).ok());
  }
  ASSERT_TRUE(db->CommitBulk().ok());

  auto expect_walk = [&](int removed_every) {
    std::vector<Posting> want;
    for (Mfn m = 1; m <= 1500; ++m) {
      if (removed_every && m % removed_every == 0) continue;
      want.push_back({m, 610, 1, 1});
      if (m % 3 == 0) want.push_back({m, 610, 1, 3});
    }
    EXPECT_EQ(AllPostings(db.get(), "WORD"), want);
    EXPECT_EQ(db->PostingCount("WORD"), static_cast<int64_t>(want.size()));
  };
  expect_walk(0);
  Stats stats;
  ASSERT_TRUE(db->GetStats(&stats).ok());
  EXPECT_GT(stats.posting_blocks, 4);

  // Take the word out of every 10th record, one write each.
  for (Mfn m = 10; m <= 1500; m += 10) {
    Record r;
    ASSERT_EQ(db->Read(m, &r), kOk);
    r.fields = {{610, "else"}};
    ASSERT_TRUE(db->Write(&r).ok());
  }
  expect_walk(10);
  EXPECT_EQ(db->PostingCount("ELSE"), 150);
  ExpectConsistent(db.get());
  EXPECT_TRUE(AllPostings(db.get(), "NOSUCH").empty());
}

TEST(PostingsTest, DamagedBlockIsReportedNotServed) {
  TempDir dir;
  auto db = OpenTestDb(dir);
  for (const char* text : {"word one", "word two"}) {
    Record r = MakeRecord({{610, text}});
    ASSERT_TRUE(db->Write(&r).ok());
  }
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() + "cat.ifp").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(raw, "UPDATE blocks SET data = x'ffff' WHERE term = CAST('WORD' AS BLOB)",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    EXPECT_EQ(sqlite3_changes(raw), 1);
    sqlite3_close(raw);
  }
  auto it = db->NewPostingIterator("WORD");
  EXPECT_FALSE(it->Valid());
  EXPECT_EQ(it->status().code(), kCorrupt);

  CheckReport report;
  ASSERT_TRUE(db->Check(&report).ok());
  EXPECT_FALSE(report.ok());

  // A write that would have to rewrite the damaged block fails and changes nothing.
  Record r;
  ASSERT_EQ(db->Read(1, &r), kOk);
  r.fields = {{610, "other"}};
  EXPECT_EQ(db->Write(&r).code(), kCorrupt);
  ASSERT_EQ(db->Read(1, &r), kOk);
  EXPECT_EQ(r.fields[0].text, "word one");
  EXPECT_EQ(db->PostingCount("OTHER"), 0);
}

TEST(EncodingTest, PostingBlocksRoundTrip) {
  std::mt19937 rng(7);
  std::vector<Posting> postings;
  for (int i = 0; i < 600; ++i) {
    postings.push_back({static_cast<Mfn>(1 + rng() % 100000),
                        static_cast<FieldTag>(1 + rng() % 999),
                        static_cast<Occurrence>(1 + rng() % 5), static_cast<TermPos>(rng() % 40)});
  }
  std::sort(postings.begin(), postings.end());
  postings.erase(std::unique(postings.begin(), postings.end()), postings.end());
  const std::string block = EncodePostingBlock(postings.data(), postings.size());
  std::vector<Posting> back;
  ASSERT_TRUE(DecodePostingBlock(block, &back));
  EXPECT_EQ(back, postings);
  EXPECT_FALSE(DecodePostingBlock(block.substr(0, block.size() - 1) + "\x80", &back));

  const std::vector<std::string> terms = {"", "A", "AB", "ABC", "B", "ЖУК", std::string(254, 'Z')};
  std::vector<std::string> terms_back;
  ASSERT_TRUE(DecodeTermList(EncodeTermList(terms), &terms_back));
  EXPECT_EQ(terms_back, terms);
  EXPECT_FALSE(DecodeTermList("\x02\x05\x01x", &terms_back));

  const std::vector<Field> fields = {{1, ""}, {200, "^aT"}, {99999, std::string(70000, 'q')}};
  std::vector<Field> fields_back;
  const std::string encoded = EncodeFields(fields);
  ASSERT_TRUE(DecodeFields(encoded, &fields_back));
  EXPECT_EQ(fields_back, fields);
  EXPECT_FALSE(DecodeFields(encoded.substr(0, encoded.size() - 1), &fields_back));
  EXPECT_FALSE(DecodeFields(encoded + "x", &fields_back));
}

}  // namespace
}  // namespace zarix::db
