// Tests of TIntMatrix bounds.
#include "util/int_matrix.h"

#include <gtest/gtest.h>

namespace zarix {
namespace {

TEST(IntMatrixTest, CellsAndBounds) {
  TIntMatrix m(2, 3);
  EXPECT_EQ(m.Get(1, 2), 0);
  m.Put(1, 2, 42);
  m.Put(0, 0, -1);
  EXPECT_EQ(m.Get(1, 2), 42);
  EXPECT_EQ(m.Get(0, 0), -1);
  EXPECT_EQ(m.Get(0, 2), 0);

  const std::pair<int, int> outside[] = {{2, 0}, {0, 3}, {-1, 0}, {0, -1}};
  for (auto [r, c] : outside) {
    EXPECT_THROW(m.Get(r, c), EMatrixError) << r << "," << c;
    EXPECT_THROW(m.Put(r, c, 1), EMatrixError) << r << "," << c;
  }
  EXPECT_STREQ(EMatrixError().what(), "IntMatrixError");
}

}  // namespace
}  // namespace zarix
