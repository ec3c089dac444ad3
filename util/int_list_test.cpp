// Tests of TIntList: bounds, bisection in both directions, insert/delete and growth.
#include "util/int_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace zarix {
namespace {

TIntList Make(const std::vector<int32_t>& values) {
  TIntList list;
  for (int32_t v : values) list.Add(v);
  return list;
}

TEST(IntListTest, FindBisection) {
  struct Case {
    std::vector<int32_t> items;
    bool ascending;
    int32_t value;
    bool found;
    int index;
  } cases[] = {
      {{}, true, 5, false, 0},
      {{}, false, 5, false, 0},
      {{5, 3, 1}, false, 4, false, 1},
      {{5, 3, 1}, false, 0, false, 3},
      {{5, 3, 1}, false, 9, false, 0},
      {{5, 3, 1}, false, 1, true, 2},
      {{1, 3, 5}, true, 4, false, 2},
      {{1, 3, 5}, true, 0, false, 0},
      {{1, 3, 5}, true, 6, false, 3},
      {{1, 3, 5}, true, 3, true, 1},
      // Bisection stops at the first equal element it meets, not the leftmost one.
      {{2, 2, 2, 2, 2}, true, 2, true, 2},
  };
  for (const Case& c : cases) {
    TIntList list = Make(c.items);
    int index = -99;
    EXPECT_EQ(list.Find(c.value, c.ascending, &index), c.found) << c.value;
    EXPECT_EQ(index, c.index) << c.value;
  }
}

TEST(IntListTest, OutOfRangeAccess) {
  TIntList list = Make({-1, 7});
  EXPECT_EQ(list.Get(2), -1);
  list.Put(2, 9);
  EXPECT_EQ(list.Insert(3, 1), -1);
  EXPECT_EQ(list.Delete(2), -1);
  EXPECT_EQ(list.Insert(2, 8), 0);  // at the end
  EXPECT_EQ(list.Insert(0, 6), 0);
  EXPECT_EQ(list.Delete(1), 0);
  EXPECT_EQ(list.Items(), (std::vector<int32_t>{6, 7, 8}));
}

TEST(IntListTest, SortBothWaysAndGrowth) {
  TIntList list;
  for (int i = 0; i < 2500; ++i) list.Add((i * 7919) % 2500 - 1000);
  EXPECT_EQ(list.Capacity(), 3000);
  list.Sort(true);
  for (int i = 1; i < list.Count(); ++i) ASSERT_LE(list.Get(i - 1), list.Get(i));
  list.Sort(false);
  for (int i = 1; i < list.Count(); ++i) ASSERT_GE(list.Get(i - 1), list.Get(i));
  int index;
  EXPECT_TRUE(list.Find(-1000, false, &index));
  EXPECT_EQ(index, 2499);

}

TEST(IntListTest, AddListToItself) {
  TIntList a = Make({1, 2, 3});
  a.AddList(&a);
  a.Assign(nullptr);  // changes nothing
  EXPECT_EQ(a.Items(), (std::vector<int32_t>{1, 2, 3, 1, 2, 3}));
}

}  // namespace
}  // namespace zarix
