// Tests of TBitList: bit layout, growth and shrinking.
#include "util/bit_list.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(BitListTest, CreationSizes) {
  struct Case {
    int size;
    int64_t capacity;
  } cases[] = {{0, 40008}, {-5, 40008}, {1, 8}, {7, 8}, {8, 16}, {100, 104}};
  for (const Case& c : cases) {
    TBitList bits(c.size);
    EXPECT_EQ(bits.Capacity(), c.capacity) << c.size;
    EXPECT_EQ(bits.Delta(), c.capacity) << c.size;
    EXPECT_EQ(bits.Count(), 0);
  }
}

TEST(BitListTest, MostSignificantBitFirst) {
  TBitList bits(16);
  bits.Set(0, true);
  bits.Set(9, true);
  EXPECT_EQ(bits.Bytes()[0], 0x80);
  EXPECT_EQ(bits.Bytes()[1], 0x40);
  bits.Set(0, false);
  EXPECT_EQ(bits.Bytes()[0], 0x00);
  EXPECT_EQ(bits.Count(), 10);
}

TEST(BitListTest, SetBeyondCapacityGrows) {
  TBitList bits;  // 40008 bits
  bits.Set(-1, true);
  EXPECT_EQ(bits.Count(), 0);
  bits.Set(100000, true);
  EXPECT_EQ(bits.Count(), 100001);
  EXPECT_EQ(bits.Capacity(), 3 * 40008);
  EXPECT_TRUE(bits.Get(100000));
  EXPECT_FALSE(bits.Get(99999));
  EXPECT_FALSE(bits.Get(100001));
  EXPECT_FALSE(bits.Get(-1));
}

TEST(BitListTest, ShrinkClearsDroppedBits) {
  TBitList bits(64);
  for (int i = 0; i < 20; ++i) bits.Set(i, true);
  bits.SetCount(11);
  EXPECT_TRUE(bits.Get(10));
  EXPECT_FALSE(bits.Get(11));
  bits.SetCount(20);  // grows back: the dropped bits must read as zero
  for (int i = 11; i < 20; ++i) EXPECT_FALSE(bits.Get(i)) << i;
  EXPECT_TRUE(bits.Get(10));

  TBitList copy(8);
  copy.Assign(bits);
  EXPECT_EQ(copy.Count(), 20);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(copy.Get(i), i <= 10) << i;
}

}  // namespace
}  // namespace zarix
