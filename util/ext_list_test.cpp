// Tests of TExtList and TMfnTagList: weight sorting, the MFN bitmap, duplicates and file loading.
#include "util/ext_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "util/path.h"

namespace zarix {
namespace {

std::vector<Mfn> Mfns(const TMfnTagList& list) {
  std::vector<Mfn> out;
  TMfnTag p;
  for (int i = 0; list.Get(i, &p); ++i) out.push_back(p.mfn);
  return out;
}

TEST(ExtListTest, SortByWeightAndBounds) {
  TExtList list;
  for (auto [w, m] : {std::pair<long double, Mfn>{0.5L, 1}, {2.25L, 2}, {0.5L, 3}, {-1, 4}}) {
    list.Add(TExtRecord{w, m});
  }
  list.Sort(false);
  std::vector<Mfn> order;
  TExtRecord r;
  for (int i = 0; list.Get(i, &r); ++i) order.push_back(r.mfn);
  EXPECT_EQ(order, (std::vector<Mfn>{2, 1, 3, 4}));
  list.Sort(true);
  ASSERT_TRUE(list.Get(0, &r));
  EXPECT_EQ(r.mfn, 4);
  EXPECT_FALSE(list.Get(4, &r));
}

TEST(MfnTagListTest, DuplicatesRefusedUnlessAllowed) {
  TMfnTagList list;
  EXPECT_EQ(list.Add(7, 1), 0);
  EXPECT_EQ(list.Add(7, 2), 0);
  EXPECT_EQ(list.Count(), 1);

  TMfnTagList dup;
  dup.SetAllowDuplicates(true);
  dup.Add(9, 5);
  dup.Add(7, 1);
  dup.Add(3, 5);
  dup.Add(7, 2);
  dup.Add(7, 3);
  dup.SortByMfn();
  int index = -9;
  EXPECT_TRUE(dup.Find(7, &index));
  EXPECT_EQ(index, 1);
  TMfnTag p;
  ASSERT_TRUE(dup.Get(index, &p));
  EXPECT_EQ(p.tag, 1);  // the first added of the equal MFNs
  EXPECT_FALSE(dup.Find(8, &index));
  EXPECT_EQ(index, -1);  // not in the bitmap: no search at all

  dup.SortByTag();
  ASSERT_TRUE(dup.Get(0, &p));
  EXPECT_EQ(p.tag, 5);
  EXPECT_EQ(p.mfn, 3);  // equal tags keep the MFN order
}

TEST(MfnTagListTest, FindWithoutDuplicates) {
  TMfnTagList list;
  for (Mfn m : {50, 10, 40, 20, 30}) list.Add(m, m / 10);
  list.SortByMfn();
  struct Case {
    Mfn mfn;
    bool found;
    int index;
  } cases[] = {{10, true, 0}, {30, true, 2}, {50, true, 4}, {35, false, -1}, {0, false, -1}};
  for (const Case& c : cases) {
    int index = -9;
    EXPECT_EQ(list.Find(c.mfn, &index), c.found) << c.mfn;
    EXPECT_EQ(index, c.index) << c.mfn;
  }
  // MFNs far beyond the initial 40000-bit map still work.
  list.Add(1000000, 1);
  EXPECT_TRUE(list.Contains(1000000));
  int index;
  EXPECT_TRUE(list.Find(1000000, &index));
}

TEST(MfnTagListTest, PutKeepsBitmapExact) {
  TMfnTagList list;
  list.Add(1, 10);
  list.Add(2, 20);
  list.Put(0, TMfnTag{2, 99});  // MFN 2 is held by pair 1: refused
  EXPECT_EQ(Mfns(list), (std::vector<Mfn>{1, 2}));
  list.Put(0, TMfnTag{1, 11});  // same MFN, new tag: allowed
  TMfnTag p;
  list.Get(0, &p);
  EXPECT_EQ(p.tag, 11);
  list.Put(0, TMfnTag{5, 50});  // MFN 1 leaves the list
  EXPECT_FALSE(list.Contains(1));
  EXPECT_TRUE(list.Contains(5));
  list.Add(1, 12);  // so it can come back
  EXPECT_EQ(Mfns(list), (std::vector<Mfn>{5, 2, 1}));
}

TEST(MfnTagListTest, LoadFromFile) {
  std::string path = testing::TempDir() + "mfntag_" + std::to_string(getpid()) + ".bin";
  TMfnTagList list;
  list.Add(99, 1);
  ASSERT_TRUE(WriteFileBytes(path, ""));
  EXPECT_TRUE(list.LoadFromFile(path));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Contains(99));

  // Two records, a duplicate MFN (dropped) and a trailing partial record (ignored).
  const char bytes[] = {3, 0, 0, 0, 0x3A, 0x02, 0, 0, 0x01, 0x00, 0x01, 0x00, 7, 0, 0, 0,
                        3, 0, 0, 0, 9,    0,    0, 0, 1,    2,    3};
  ASSERT_TRUE(WriteFileBytes(path, std::string_view(bytes, sizeof bytes)));
  EXPECT_TRUE(list.LoadFromFile(path));
  ASSERT_EQ(list.Count(), 2);
  TMfnTag p;
  list.Get(0, &p);
  EXPECT_EQ(p.mfn, 3);
  EXPECT_EQ(p.tag, 570);
  list.Get(1, &p);
  EXPECT_EQ(p.mfn, 65537);
  EXPECT_EQ(p.tag, 7);
  RemoveFile(path);
  EXPECT_FALSE(list.LoadFromFile(path));
  EXPECT_EQ(list.Count(), 2);
}

}  // namespace
}  // namespace zarix
